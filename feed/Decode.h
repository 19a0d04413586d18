// Feed text into the display code page (Windows-1250).
#pragma once

#include <string>
#include <string_view>

// How a declared encoding is read. The name is compared after lower-casing
// its ASCII letters: "utf-8" and "iso-8859-2" are converted, any other name
// (an empty one too) leaves the text as it is.
enum class TTextEncoding { teAsIs, teUtf8, teIso88592 };

// Decided once per document: the name may be long, the texts many.
TTextEncoding TextEncodingOf(std::string_view encoding);

// The text in the display code page. Malformed UTF-8 gives the empty string.
std::string Decode(TTextEncoding encoding, std::string_view text);
std::string Decode(std::string_view encoding, std::string_view text);

// Decode, then every line feed of the result a space (one pass).
std::string DecodeLine(TTextEncoding encoding, std::string_view text);

// ISO-8859-2 into Windows-1250, one byte for one; the C1 controls, which
// Windows-1250 lacks, become "?".
std::string IsoToWin(std::string_view text);
