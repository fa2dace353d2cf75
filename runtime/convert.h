// The general value-to-text conversion: how a number or a date reads as text when nothing says
// how to format it (a spreadsheet cell's text, a date read back).
#pragma once

#include <string>

#include "runtime/date.h"
#include "runtime/locale.h"

namespace sheaver {

// A number with up to 15 significant digits and no trailing zeros, the locale's decimal
// separator, no thousands separators; exponent form ("1.5E+20", "1E-05") only for magnitudes of
// 1E15 and above or below 1E-4 once rounded to 15 digits. Negative zero reads "0".
std::string NumberToText(double value, const Locale& locale = CurrentLocale());

// A date in the locale's short-date form, always with a four-digit year, followed by a space and
// the time of day when it has one; a value of only a time of day (day 0) gives the time alone.
// Overflow outside the valid date range.
std::string DateToText(DateValue date, const Locale& locale = CurrentLocale());

}  // namespace sheaver
