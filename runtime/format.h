// Format patterns in the spreadsheet-style notation: numbers ("#,##0.00", "0.0%", "0.00E+00"),
// dates and times ("dd/mm/yyyy", "dddd d mmmm", "h:mm AM/PM") and texts ("@@@-@@@", ">").
//
// A pattern has up to four sections separated by ";": positive; negative; zero; text. A number
// uses the first section, or the second when it is negative (written without its minus sign:
// the section's literals supply any sign it should have), or the third when it is zero. A value
// that rounds to zero in the section picked for it counts as zero (so -0.001 under "0.00" gives
// "0.00", never "-0.00"). An empty section stands for the first one. A date uses the first
// section. A text uses the first section that has a text placeholder, and stays as it is when
// none has.
//
// Number parts: 0 (digit, or 0), # (digit, or nothing), ? (digit, or a space); "." the decimal
// point (the locale's separator in the output); "," between digit placeholders groups thousands
// (the locale's separator), right after the last digit placeholder scales by 1000 each; "%"
// multiplies by 100; E+ E- e+ e- scientific notation (E+ always shows the exponent's sign,
// E- only a minus; with # among several integer placeholders the exponent is a multiple of
// their count); "General" the number as the general conversion writes it.
// Rounding is half away from zero on the decimal digits of the value (1.005 -> "1.01" with two
// decimals). A number with more integer digits than placeholders shows all of them.
//
// Date parts (letters in any case): d dd (day), ddd dddd (weekday name, short and long), m mm
// (month; minutes right after an hour part or right before a seconds part), mmm mmmm (month
// name), y yy (two-digit year), yyy yyyy (four-digit year), h hh (hour), n nn (minutes), s ss
// (seconds), AM/PM am/pm A/P a/p (12-hour clock; written in the case given) and AMPM (the
// locale's designators); "/" is the locale's date separator and ":" its time separator.
//
// Text parts: @ (a character, or a space), & (a character, or nothing), < (all lower case),
// > (all upper case), ! (fill placeholders from the left; by default they fill from the right,
// and characters beyond the placeholders go before the first one, or after the last with !).
//
// Literals: "quoted text", \x (one character), _x (a space as wide as x), *x (fills: nothing
// here), and any other character, such as $ - + ( ) : space. "[...]" (colours, conditions) is
// skipped.
//
// Patterns and results are limited to 32767 characters: beyond that, Overflow.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/date.h"
#include "runtime/decimal.h"
#include "runtime/locale.h"

namespace sheaver {

// Longest pattern and longest result, in characters.
inline constexpr std::size_t kMaxFormatLength = 32767;

// A cell's text formatted with a pattern: a text that reads as a number (ReadNumberText) is
// formatted as that number, one that reads as a date (ReadDate) as that date, any other as a
// text. The empty pattern returns the text unchanged.
std::string FormatCellText(std::string_view text, std::string_view pattern,
                           const Locale& locale = CurrentLocale());

// A number formatted with a pattern; a date or time section shows the number as a date value
// (Overflow outside the valid dates), a text section shows the number's general text.
std::string FormatNumber(const Decimal& value, std::string_view pattern,
                         const Locale& locale = CurrentLocale());

// A date value formatted with a pattern; a number section shows it as its day count (with the
// time as a fraction). Overflow outside the valid dates.
std::string FormatDate(DateValue date, std::string_view pattern,
                       const Locale& locale = CurrentLocale());

}  // namespace sheaver
