// Number conversions the system takes from its language run time: rounding to whole numbers and
// the leading-number reader.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/int16.h"

namespace sheaver {

// x rounded to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4,
// -2.5 -> -2). NaN and infinities are returned unchanged.
double RoundHalfEven(double x);

// x rounded half to even into 16 bits; Overflow when the result does not fit (or x is NaN).
Int16 CInt(double x);

// x rounded half to even into 32 bits; Overflow when the result does not fit (or x is NaN).
std::int32_t CLng(double x);

// The leading number of a text, as the run time's Val reads it: blanks, tabs and line feeds are
// skipped wherever they stand; then an optional sign, digits, an optional "." with more digits and
// an optional exponent (E with optional sign and digits); the scan stops at the first character
// that cannot continue the number. "&H" (hexadecimal) and "&O" (octal) prefixes are read as
// integers, 16-bit signed when they have at most 4 (hex) or 6 (octal) digits, as Val does.
// A text with no leading number, the empty text included, reads as 0. Only "." is a decimal point.
double Val(std::string_view text);

}  // namespace sheaver
