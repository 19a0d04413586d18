// The standard text-to-integer conversion.
//
// Accepted: any number of leading spaces, an optional "+" or "-", then either
// decimal digits or a hexadecimal prefix ("$", "x", "X", "0x" or "0X")
// followed by hexadecimal digits of either case. Nothing may follow the
// digits. The text must hold at least one digit.
//
// Range: a decimal value must lie in -2147483648..2147483647. A hexadecimal
// value may use all 32 bits (up to $FFFFFFFF) and is read as the 32-bit
// two's-complement pattern, so "$FFFFFFFF" is -1 and "$80000000" is
// -2147483648; a sign then negates that pattern ("-$FFFFFFFF" is 1). A value
// that needs more than 32 bits fails, whatever its leading zeros.
#pragma once

#include <string_view>

// Raises EConvertError "'<text>' is not a valid integer value", the text as
// given, when the text does not convert.
int StrToInt(std::string_view text);

// False, leaving value unchanged, when the text does not convert.
bool TryStrToInt(std::string_view text, int& value);
