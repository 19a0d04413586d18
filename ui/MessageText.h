// Routines on the text of the text view: what it shows of an item,
// removing markup tags and finding the word around a position. Words are
// separated by tab, LF, CR and space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TItemEnclosure {
    std::string Url, Type;
    std::uint64_t Length = 0;
};

// What the text view shows of an item; its own copy of the texts.
struct TItemText {
    std::string Title;
    std::string Date;         // as the date label shows it; "" for none
    std::string Description;  // HTML, or plain text when it has no tag
    std::string Link;
    std::vector<TItemEnclosure> Enclosures;
};

// The item as plain text: its description without tags (character
// references decoded, a line break after each block), an empty line, its
// link, then a line per enclosure.
std::string ItemPlainText(const TItemText& item);

// Removes every "<" with the first ">" after it and all between. A ">"
// with no "<" before it stays; a "<" with no ">" after it keeps the rest
// of the text. One pass over the text.
std::string StripTags(std::string_view text);

// The run of non-delimiter characters that holds the 1-based position p
// (p >= 1), with characters of code 32 or less trimmed from both ends.
// Empty when the character at p is a delimiter; past the end of the text,
// the text's last run.
std::string ExtractWordAt(std::string_view text, std::size_t p);

// A word of the text that is a link: it begins with "http://" or "https://"
// (exactly so, in lower case).
bool IsLinkWord(std::string_view word);

// The text view's line for an item's enclosure: "Enclosure: TYPE, SIZE: URL",
// the size in KB or MB; a missing type or size (length 0) is left out.
std::string EnclosureLine(std::string_view url, std::string_view type, std::uint64_t length);

// The address of the enclosure line that holds the index, when the line is
// one and the address a link; "" otherwise.
std::string EnclosureAt(std::string_view text, std::size_t index);

// Where ExtractWordAt's word lies: the 0-based range [first, second).
std::pair<std::size_t, std::size_t> WordBoundsAt(std::string_view text, std::size_t p);

// Positions in UTF-8 text as the view counts them, in UTF-16 code units:
// a character beyond U+FFFF takes two. The text must be valid UTF-8.
std::size_t Utf16Length(std::string_view utf8);
// The bytes that the first `units` code units of the text take; a count
// that ends inside a pair stands for the pair's start.
std::size_t Utf8Prefix(std::string_view utf8, std::size_t units);
