// The characters of HTML text: ASCII classes as HTML has them, and
// character references ("&eacute;", "&#233;", "&#xE9;") read as browsers
// read them. The names come from the XML library's table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
constexpr bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiAlnum(char c) { return IsAsciiLetter(c) || IsAsciiDigit(c); }
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// a equals lower (in lower case) in any ASCII letter case.
bool EqualsIgnoringCase(std::string_view a, std::string_view lower);

void AppendUtf8(std::string& out, std::uint32_t codePoint);

inline constexpr std::uint32_t kNoReference = 0xFFFFFFFF;

// The character reference at text[i] ("&..."): its code point, and i moved
// past it; kNoReference (i unchanged) when the "&" begins none. In an
// attribute, a name without ";" that "=" follows stays as written
// ("?a=1&copy=2").
std::uint32_t ReadCharacterReference(std::string_view text, std::size_t& i, bool inAttribute);

// An attribute's value with its character references decoded.
std::string DecodeAttribute(std::string_view value);
