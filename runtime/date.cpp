#include "runtime/date.h"

#include <cmath>

#include "runtime/error.h"

namespace sheaver {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's civil algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

constexpr long long kEpochOffset = 25569;  // 1970-01-01 is day 25569 after 1899-12-30

}  // namespace

DateValue DateSerial(int year, int month, int day) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
    Raise(err::kOverflow);
  return static_cast<DateValue>(DaysFromCivil(year, month, day) + kEpochOffset);
}

CivilDateTime ToCivil(DateValue date) {
  if (!IsValidDate(date)) Raise(err::kOverflow);
  double whole = std::trunc(date);
  double fraction = std::fabs(date - whole);
  long long seconds = std::llround(fraction * 86400.0);
  if (seconds >= 86400) {
    // The time of day counts up on both sides of day 0, so rounding up to midnight moves to the
    // following day; the last half second of 9999 stays in 9999.
    if (whole + 1.0 > kMaxDate) {
      seconds = 86399;
    } else {
      seconds -= 86400;
      whole += 1.0;
    }
  }
  CivilDateTime c;
  CivilFromDays(static_cast<long long>(whole) - kEpochOffset, c.year, c.month, c.day);
  c.hour = static_cast<int>(seconds / 3600);
  c.minute = static_cast<int>(seconds / 60 % 60);
  c.second = static_cast<int>(seconds % 60);
  return c;
}

namespace {

// A date value as a point on an ordinary time line (days from 30 December 1899 00:00), and back.
// They differ only before 30 December 1899, where the day counts down and the time of day up.
double ToTimeLine(DateValue date) {
  if (date >= 0) return date;
  double whole = std::trunc(date);
  return whole + (whole - date);
}

DateValue FromTimeLine(double t) {
  if (t >= 0) return t;
  double whole = std::floor(t);
  return whole - (t - whole);
}

}  // namespace

DateValue TimeSerial(int hour, int minute, int second) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
    Raise(err::kOverflow);
  return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

int Weekday(DateValue date) {
  CivilDateTime c = ToCivil(date);
  long long days =
      DaysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day));
  // 1 January 1970 was a Thursday (4).
  long long w = (days + 4) % 7;
  return static_cast<int>(w < 0 ? w + 7 : w);
}

DateValue AddDays(DateValue date, double days) {
  if (!IsValidDate(date) || !std::isfinite(days)) Raise(err::kOverflow);
  DateValue result = FromTimeLine(ToTimeLine(date) + days);
  if (!IsValidDate(result)) Raise(err::kOverflow);
  return result;
}

bool IsValidDay(int year, int month, int day) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int last = month == 2 && leap ? 29 : kDays[month - 1];
  return day <= last;
}

}  // namespace sheaver
