// The display code page, Windows-1250, and its conversions to Unicode.
// Program text is kept as Windows-1250 bytes; these run only at the edges
// (the window, the terminal).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Every byte has a character: bytes the code page leaves undefined map to
// the C1 control of the same number, so the conversion back is lossless.
std::u16string Win1250ToUtf16(std::string_view text);
std::string Win1250ToUtf8(std::string_view text);

// Characters the code page lacks become "?"; a surrogate pair is one
// character and gives one "?", as does a lone surrogate.
std::string Utf16ToWin1250(std::u16string_view text);

// Malformed UTF-8 bytes become "?" each.
std::string Utf8ToWin1250(std::string_view text);

// The Unicode code point of one Windows-1250 byte, and the byte of a code
// point below 0x10000 (-1 when the code page lacks it).
char16_t Win1250CharToUnicode(unsigned char byte);
int UnicodeToWin1250Char(char32_t code);

// The byte of every 16-bit code, -1 where the code page lacks it: for
// converters that run a table lookup per character.
const std::int16_t* Win1250FromUnicodeTable();

// The Windows-1250 byte of each ISO-8859-2 byte ("?" where there is none).
const std::array<char, 256>& Iso88592ToWin1250Table();
