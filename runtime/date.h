// Dates as the platform keeps them: a count of days from 30 December 1899, with a fraction for
// the time of day, valid from 1 January 100 to 31 December 9999. Days before 30 December 1899
// count down while their time of day counts up: -1.25 is 29 December 1899, 06:00.
#pragma once

#include <optional>
#include <string_view>

#include "runtime/locale.h"

namespace sheaver {

using DateValue = double;

inline constexpr DateValue kMinDate = -657434.0;  // 1 January 100
inline constexpr DateValue kMaxDate = 2958465.0;  // 31 December 9999 (whole day)

// True for a value within the valid dates. Their times of day stretch them to just below
// kMinDate - 1 (1 January 100, 23:59:59 is about -657434.99999) and just below kMaxDate + 1.
constexpr bool IsValidDate(DateValue date) {
  return date > kMinDate - 1.0 && date < kMaxDate + 1.0;
}

struct CivilDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

// The date value of a calendar day; Overflow outside 1 January 100 .. 31 December 9999 or for a
// month outside 1..12 or a day outside 1..31 (a day past the month's end rolls over: 31 April is
// 1 May).
DateValue DateSerial(int year, int month, int day);

// The fraction of a day of a time; Overflow outside 00:00:00 .. 23:59:59.
DateValue TimeSerial(int hour, int minute, int second);

// The calendar day and time of day of a date value, seconds rounded to the nearest; Overflow
// outside the valid range (or for NaN).
CivilDateTime ToCivil(DateValue date);

// The day of the week of a date value, 0 for Sunday to 6 for Saturday; Overflow outside the
// valid range.
int Weekday(DateValue date);

// date + days, counted on the time line (so a whole day added to 29 December 1899 06:00 gives
// 30 December 1899 06:00); Overflow when the result leaves the valid range.
DateValue AddDays(DateValue date, double days);

// True for a valid calendar day: year 100..9999, month 1..12, day within the month.
bool IsValidDay(int year, int month, int day);

// The date a text stands for in the locale, or nothing when it is not a date. Accepted, with
// blanks around the parts: the locale's short-date order with "/", "-" or "." between day, month
// and year (31/01/2024 day-first, 01/31/2024 month-first); a year written first with four digits
// (2024-01-31, 2024/1/31); month names and abbreviations of the locale or English in either
// order ("31 Jan 2024", "31-Jan-24", "January 31, 2024", "31. Januar 2024"), optionally after a
// weekday name; each followed by an optional time of day; or a time of day alone. A time is
// h:mm, h:mm:ss (":" or the locale's time separator) or "h AM", with an optional AM/PM; an ISO
// "T" may stand between date and time. Two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999.
// A day that does not exist (31/02/2024), an hour past 23 or a minute or second past 59 is not
// a date; neither is a number alone, a day and month without a year, or the empty text.
std::optional<DateValue> ReadDate(std::string_view text, const Locale& locale);

// ReadDate, raising Type mismatch (13) for a text that is not a date.
DateValue ParseDate(std::string_view text, const Locale& locale = CurrentLocale());

}  // namespace sheaver
