// Dates as the platform keeps them: a count of days from 30 December 1899, with a fraction for
// the time of day, valid from 1 January 100 to 31 December 9999.
#pragma once

namespace sheaver {

using DateValue = double;

inline constexpr DateValue kMinDate = -657434.0;  // 1 January 100
inline constexpr DateValue kMaxDate = 2958465.0;  // 31 December 9999 (whole day)

struct CivilDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

// The date value of a calendar day; Overflow outside 1 January 100 .. 31 December 9999.
DateValue DateSerial(int year, int month, int day);

// The calendar day and time of day of a date value, seconds rounded to the nearest.
CivilDateTime ToCivil(DateValue date);

// date + days; Overflow when the result leaves the valid range.
DateValue AddDays(DateValue date, double days);

}  // namespace sheaver
