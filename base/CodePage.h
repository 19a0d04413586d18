// Windows-1250 and ISO-8859-2, the code pages of older feeds and lists,
// and their characters in Unicode.
#pragma once

#include <string>
#include <string_view>

// Every byte has a character: bytes the code page leaves undefined map to
// the C1 control of the same number.
std::string Win1250ToUtf8(std::string_view text);

// The Unicode code point of one byte; the same rule for undefined bytes.
char16_t Win1250CharToUnicode(unsigned char byte);
char16_t Iso88592CharToUnicode(unsigned char byte);
