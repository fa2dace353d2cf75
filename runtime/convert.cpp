#include "runtime/convert.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "runtime/error.h"

namespace sheaver {
namespace {

std::string TwoDigits(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

}  // namespace

std::string NumberToText(double value, const Locale& locale) {
  if (value == 0.0) return "0";
  if (!std::isfinite(value)) Raise(err::kOverflow);
  // Round to 15 significant digits first, then decide between fixed and exponent form.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", value);
  double rounded = std::strtod(buf, nullptr);
  double magnitude = std::fabs(rounded);
  std::string text;
  if (magnitude >= 1e15 || magnitude < 1e-4) {
    // Mantissa without trailing zeros, exponent with sign and at least two digits.
    std::string s = buf;
    auto e = s.find('e');
    std::string mantissa = s.substr(0, e);
    int exponent = std::stoi(s.substr(e + 1));
    if (mantissa.find('.') != std::string::npos) {
      while (mantissa.back() == '0') mantissa.pop_back();
      if (mantissa.back() == '.') mantissa.pop_back();
    }
    text = mantissa + "E" + (exponent < 0 ? "-" : "+") + TwoDigits(std::abs(exponent));
  } else {
    int int_digits = magnitude >= 1 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 1;
    int decimals = 15 - int_digits;
    if (magnitude < 1) decimals = 15 - static_cast<int>(std::floor(std::log10(magnitude))) - 1;
    if (decimals < 0) decimals = 0;
    std::snprintf(buf, sizeof buf, "%.*f", decimals, rounded);
    text = buf;
    if (text.find('.') != std::string::npos) {
      while (text.back() == '0') text.pop_back();
      if (text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
  }
  auto dot = text.find('.');
  if (dot != std::string::npos) text.replace(dot, 1, locale.decimal_separator);
  return text;
}

std::string DateToText(DateValue date, const Locale& locale) {
  CivilDateTime c = ToCivil(date);
  const std::string& sep = locale.date_separator;
  std::string year = std::to_string(c.year);
  while (year.size() < 4) year.insert(0, "0");
  std::string day_part;
  switch (locale.date_order) {
    case DateOrder::kDayMonthYear: day_part = TwoDigits(c.day) + sep + TwoDigits(c.month) + sep + year; break;
    case DateOrder::kMonthDayYear: day_part = TwoDigits(c.month) + sep + TwoDigits(c.day) + sep + year; break;
    case DateOrder::kYearMonthDay: day_part = year + sep + TwoDigits(c.month) + sep + TwoDigits(c.day); break;
  }
  bool has_time = c.hour != 0 || c.minute != 0 || c.second != 0;
  std::string time = TwoDigits(c.hour) + locale.time_separator + TwoDigits(c.minute) +
                     locale.time_separator + TwoDigits(c.second);
  if (std::trunc(date) == 0.0 && has_time) return time;
  return has_time ? day_part + " " + time : day_part;
}

}  // namespace sheaver
