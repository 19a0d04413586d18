// An item's text, which feeds give as HTML, read into blocks of formatted
// text for the text view: paragraphs, lines, list items, headings, quotes,
// preformatted lines, rules and table cells, each with its styled and
// linked spans. Nothing is loaded: an image becomes its alternative text in
// brackets, and scripts, style sheets and the head give nothing. One pass
// over the text with an explicit, bounded stack; any bytes are read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum THtmlStyle : std::uint8_t {
    hsBold = 1,
    hsItalic = 2,
    hsUnderline = 4,
    hsCode = 8,
    hsStrike = 16,
};

enum class THtmlBlockKind : std::uint8_t { bkText, bkHeading, bkPre, bkRule };

struct THtmlSpan {
    std::uint32_t Begin = 0, End = 0;  // bytes of the block's text
    std::uint8_t Style = 0;            // THtmlStyle bits
    std::int32_t Link = -1;            // index into THtmlText::Links, or -1
};

struct THtmlBlock {
    THtmlBlockKind Kind = THtmlBlockKind::bkText;
    std::uint8_t Heading = 0;  // 1 to 6 for a heading
    std::uint8_t Indent = 0;   // list levels, at most kHtmlMaxIndent
    std::uint8_t Quote = 0;    // quote levels, at most kHtmlMaxIndent
    // The first line of a paragraph: space above it. Lines after a line
    // break, list items and cells have none.
    bool Gap = false;
    bool HeaderCell = false;
    std::uint16_t Column = 0;  // at most kHtmlMaxColumns - 1
    std::uint32_t Table = 0;   // the table (from 1) whose cell holds it; 0 outside tables
    std::uint32_t Row = 0;
    std::string Marker;            // a list item's "•" or "3.", on its first line only
    std::string Text;              // UTF-8 as the input was; whitespace collapsed outside preformatted text
    std::vector<THtmlSpan> Spans;  // the styled or linked parts, in order, not overlapping
};

struct THtmlText {
    std::vector<THtmlBlock> Blocks;
    // The addresses of the links, absolute, each with a scheme a browser
    // may open (http, https, ftp, mailto).
    std::vector<std::string> Links;
};

inline constexpr int kHtmlMaxIndent = 8;
inline constexpr int kHtmlMaxColumns = 20;

// Reads an item's text. A text with no tag at all is plain text: its line
// breaks stay and its spaces are kept; its character references are
// decoded all the same. Relative links are resolved against base (the
// item's link).
THtmlText ReadHtmlText(std::string_view html, std::string_view base);

// The text of the blocks with a line break (CR LF) after each but the
// last: a list item with its marker, the cells of a table's row joined by
// tabs.
std::string HtmlPlainText(const THtmlText& text);
