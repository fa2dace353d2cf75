#include "runtime/convert.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "runtime/error.h"

namespace sheaver {
namespace {

void AppendTwoDigits(std::string& text, int v) {
  text += static_cast<char>('0' + v / 10 % 10);
  text += static_cast<char>('0' + v % 10);
}

void AppendFourDigits(std::string& text, int v) {
  AppendTwoDigits(text, v / 100);
  AppendTwoDigits(text, v % 100);
}

}  // namespace

std::string NumberToText(double value, const Locale& locale) {
  if (!std::isfinite(value)) Raise(err::kOverflow);
  // printf's "%.15g" rounds to the same fifteen significant digits, drops the same trailing
  // zeros and picks the exponent form for the same magnitudes as the rule below; it only writes
  // the exponent and negative zero differently. Its plain results are taken as they are, which
  // spares every ordinary cell number the decimal arithmetic.
  char buffer[32];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  const std::string_view plain(buffer, static_cast<std::size_t>(written.ptr - buffer));
  if (written.ec == std::errc() && plain.find('e') == std::string_view::npos && plain != "-0") {
    const std::size_t point = plain.find('.');
    if (point == std::string_view::npos) return std::string(plain);
    std::string text;
    text.reserve(plain.size() + locale.decimal_separator.size());
    text.append(plain.substr(0, point));
    text += locale.decimal_separator;
    text.append(plain.substr(point + 1));
    return text;
  }
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
  const CivilDateTime c = ToCivil(date);
  const bool has_time = c.hour != 0 || c.minute != 0 || c.second != 0;
  std::string text;
  if (!has_time || std::trunc(date) != 0.0) {
    const std::string& sep = locale.date_separator;
    switch (locale.date_order) {
      case DateOrder::kDayMonthYear:
        AppendTwoDigits(text, c.day);
        text += sep;
        AppendTwoDigits(text, c.month);
        text += sep;
        AppendFourDigits(text, c.year);
        break;
      case DateOrder::kMonthDayYear:
        AppendTwoDigits(text, c.month);
        text += sep;
        AppendTwoDigits(text, c.day);
        text += sep;
        AppendFourDigits(text, c.year);
        break;
      case DateOrder::kYearMonthDay:
        AppendFourDigits(text, c.year);
        text += sep;
        AppendTwoDigits(text, c.month);
        text += sep;
        AppendTwoDigits(text, c.day);
        break;
    }
    if (!has_time) return text;
    text += ' ';
  }
  // A value of only a time of day (day 0) gives the time alone.
  const std::string& ts = locale.time_separator;
  if (locale.hour12) {
    const int h = c.hour % 12 == 0 ? 12 : c.hour % 12;
    text += std::to_string(h);
    text += ts;
    AppendTwoDigits(text, c.minute);
    text += ts;
    AppendTwoDigits(text, c.second);
    text += ' ';
    text += c.hour < 12 ? locale.am : locale.pm;
  } else {
    AppendTwoDigits(text, c.hour);
    text += ts;
    AppendTwoDigits(text, c.minute);
    text += ts;
    AppendTwoDigits(text, c.second);
  }
  return text;
}

}  // namespace sheaver
