// The general value-to-text conversion: how a number or a date reads as text when nothing says
// how to format it (a spreadsheet cell's text, a date read back).
#pragma once

#include <string>

#include "runtime/date.h"
#include "runtime/decimal.h"
#include "runtime/locale.h"

namespace sheaver {

// A number with up to 15 significant digits and no trailing zeros, the locale's decimal
// separator, no thousands separators; exponent form ("1.5E+20", "1E-05") only for magnitudes of
// 1E15 and above or below 1E-4 once rounded to 15 digits. Negative zero reads "0". Overflow for
// infinities and NaN. Independent of the process locale.
std::string NumberToText(double value, const Locale& locale = CurrentLocale());
// The same for a decimal number (rounded to 15 significant digits, halves away from zero).
std::string NumberToText(const Decimal& value, const Locale& locale = CurrentLocale());

// A date in the locale's short-date form with two-digit day and month and always a four-digit
// year (31/01/2024, 01/31/2024, 31.01.2024), followed by a space and the time of day when it has
// one (13:30:00 on a 24-hour clock, 1:30:00 PM on a 12-hour one); a value of only a time of day
// (day 0) gives the time alone. Overflow outside the valid date range. ParseDate reads every
// text this writes back to the same value (to the second).
std::string DateToText(DateValue date, const Locale& locale = CurrentLocale());

}  // namespace sheaver
