#include "runtime/convert.h"

#include <cmath>
#include <string>

namespace sheaver {
namespace {

std::string TwoDigits(int v) {
  return {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

std::string FourDigits(int v) {
  return TwoDigits(v / 100) + TwoDigits(v % 100);
}

}  // namespace

std::string NumberToText(double value, const Locale& locale) {
  return NumberToText(Decimal::FromDouble(value), locale);
}

std::string NumberToText(const Decimal& value, const Locale& locale) {
  Decimal d = value.RoundedToSignificant(15);
  if (d.IsZero()) return "0";
  // Point() counts the digits before the decimal point: 1E15 has 16, 1E-4 has -3.
  if (d.Point() > 15 || d.Point() < -3) {
    const std::string& digits = d.Digits();
    std::string text = d.Negative() ? "-" : "";
    text += digits[0];
    if (digits.size() > 1) text += locale.decimal_separator + digits.substr(1);
    long long exponent = d.Point() - 1;
    text += exponent < 0 ? "E-" : "E+";
    std::string e = std::to_string(exponent < 0 ? -exponent : exponent);
    if (e.size() < 2) e.insert(0, "0");
    return text + e;
  }
  std::string text = d.ToPlainText();
  if (auto dot = text.find('.'); dot != std::string::npos)
    text.replace(dot, 1, locale.decimal_separator);
  return text;
}

std::string DateToText(DateValue date, const Locale& locale) {
  CivilDateTime c = ToCivil(date);
  const std::string& sep = locale.date_separator;
  std::string day_part;
  switch (locale.date_order) {
    case DateOrder::kDayMonthYear:
      day_part = TwoDigits(c.day) + sep + TwoDigits(c.month) + sep + FourDigits(c.year);
      break;
    case DateOrder::kMonthDayYear:
      day_part = TwoDigits(c.month) + sep + TwoDigits(c.day) + sep + FourDigits(c.year);
      break;
    case DateOrder::kYearMonthDay:
      day_part = FourDigits(c.year) + sep + TwoDigits(c.month) + sep + TwoDigits(c.day);
      break;
  }
  bool has_time = c.hour != 0 || c.minute != 0 || c.second != 0;
  if (!has_time) return day_part;
  const std::string& ts = locale.time_separator;
  std::string time;
  if (locale.hour12) {
    int h = c.hour % 12 == 0 ? 12 : c.hour % 12;
    time = std::to_string(h) + ts + TwoDigits(c.minute) + ts + TwoDigits(c.second) + " " +
           (c.hour < 12 ? locale.am : locale.pm);
  } else {
    time = TwoDigits(c.hour) + ts + TwoDigits(c.minute) + ts + TwoDigits(c.second);
  }
  if (std::trunc(date) == 0.0) return time;
  return day_part + " " + time;
}

}  // namespace sheaver
