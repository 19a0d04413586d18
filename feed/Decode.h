// Feed text into the display code page (Windows-1250).
#pragma once

#include <string>
#include <string_view>

// The text in the display code page. The encoding name is compared after
// lower-casing its ASCII letters: "utf-8" decodes UTF-8, "iso-8859-2"
// substitutes the Polish letters (IsoToWin), any other name (an empty one
// too) leaves the text as it is. Malformed UTF-8 gives the empty string.
std::string Decode(std::string_view encoding, std::string_view text);

// The seven Polish letters whose codes differ between ISO-8859-2 and
// Windows-1250, replaced one byte for one; all other bytes stay.
std::string IsoToWin(std::string_view text);
