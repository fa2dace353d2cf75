#include "runtime/convert.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "runtime/error.h"

namespace sheaver {
namespace {

void AppendTwoDigits(std::string& text, int v) {
  const char digits[2] = {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
  text.append(digits, 2);
}

void AppendFourDigits(std::string& text, int v) {
  AppendTwoDigits(text, v / 100);
  AppendTwoDigits(text, v % 100);
}

}  // namespace

std::string NumberToText(double value, const Locale& locale) {
  if (!std::isfinite(value)) Raise(err::kOverflow);
  // Most cell numbers take a short way to the same text as the decimal conversion below. A
  // whole number below 10^15 is its own digits.
  if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
    char digits[24];
    const auto written =
        std::to_chars(digits, digits + sizeof digits, static_cast<long long>(value));
    return std::string(digits, written.ptr);  // -0 is written "0"
  }
  // A double whose shortest exact text has at most fifteen significant digits rounds to those
  // digits at fifteen (a double resolves more finely than fifteen digits can), so that text is
  // the one wanted, unless it needs the exponent form.
  char shortest[32];
  const auto written =
      std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific);
  std::string_view text(shortest, static_cast<std::size_t>(written.ptr - shortest));
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  const std::size_t e = text.find('e');
  int exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view exp = text.substr(e + 1);
    if (!exp.empty() && exp.front() == '+') exp.remove_prefix(1);
    std::from_chars(exp.data(), exp.data() + exp.size(), exponent);
  }
  char digits[24];
  std::size_t count = 0;
  for (char c : text.substr(0, e))
    if (c != '.' && count < sizeof digits) digits[count++] = c;
  const int point = exponent + 1;  // digits before the decimal point
  if (written.ec == std::errc() && e != std::string_view::npos && count <= 15 && point <= 15 &&
      point >= -3) {
    const std::string_view all(digits, count);
    std::string plain;
    plain.reserve(count + 8);
    if (negative) plain += '-';
    if (point <= 0) {
      plain += '0';
      plain += locale.decimal_separator;
      plain.append(static_cast<std::size_t>(-point), '0');
      plain.append(all);
    } else if (static_cast<std::size_t>(point) >= count) {
      plain.append(all);
      plain.append(static_cast<std::size_t>(point) - count, '0');
    } else {
      plain.append(all.substr(0, static_cast<std::size_t>(point)));
      plain += locale.decimal_separator;
      plain.append(all.substr(static_cast<std::size_t>(point)));
    }
    return plain;
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
  text.reserve(20 + 2 * locale.date_separator.size() + locale.pm.size());
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
    if (h >= 10) text += '1';
    text += static_cast<char>('0' + h % 10);
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
