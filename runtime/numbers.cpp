#include "runtime/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace sheaver {

double RoundHalfEven(double x) {
  if (!std::isfinite(x)) return x;
  double floor = std::floor(x);
  double diff = x - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

Int16 CInt(double x) {
  double r = RoundHalfEven(x);
  if (!(r >= INT16_MIN && r <= INT16_MAX)) Raise(err::kOverflow);
  return static_cast<Int16>(r);
}

std::int32_t CLng(double x) {
  double r = RoundHalfEven(x);
  if (!(r >= INT32_MIN && r <= INT32_MAX)) Raise(err::kOverflow);
  return static_cast<std::int32_t>(r);
}

namespace {

bool IsSkipped(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

// Reads the digits of a "&H"/"&O" number after its prefix.
double ReadRadix(std::string_view text, std::size_t pos, int radix) {
  std::uint64_t value = 0;
  int digits = 0;
  bool overflow = false;
  for (; pos < text.size(); ++pos) {
    char c = text[pos];
    if (IsSkipped(c)) continue;
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (radix == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (radix == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      break;
    if (d >= radix) break;
    if (value > (std::numeric_limits<std::uint64_t>::max() >> 4)) overflow = true;
    value = value * radix + d;
    ++digits;
  }
  if (overflow || value > 0xFFFFFFFFull) Raise(err::kOverflow);
  // Short literals are 16-bit values and longer ones 32-bit values, both signed.
  bool is16 = radix == 16 ? digits <= 4 : value <= 0xFFFF;
  if (is16)
    return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
  return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

}  // namespace

double Val(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsSkipped(text[pos])) ++pos;
  if (pos + 1 < text.size() && text[pos] == '&') {
    char k = text[pos + 1];
    if (k == 'h' || k == 'H') return ReadRadix(text, pos + 2, 16);
    if (k == 'o' || k == 'O') return ReadRadix(text, pos + 2, 8);
  }
  // Collect the characters of the number without the skipped blanks, then convert in the
  // classic locale.
  std::string number;
  enum { kSign, kInt, kFrac, kExpSign, kExpDigits } state = kSign;
  bool mantissa_digits = false;
  for (; pos < text.size(); ++pos) {
    char c = text[pos];
    if (IsSkipped(c)) continue;
    bool digit = c >= '0' && c <= '9';
    if (state == kSign && (c == '+' || c == '-')) {
      number += c;
      state = kInt;
    } else if ((state == kSign || state == kInt) && digit) {
      number += c;
      mantissa_digits = true;
      state = kInt;
    } else if ((state == kSign || state == kInt) && c == '.') {
      number += c;
      state = kFrac;
    } else if (state == kFrac && digit) {
      number += c;
      mantissa_digits = true;
    } else if ((state == kInt || state == kFrac) && (c == 'e' || c == 'E') && mantissa_digits) {
      number += 'e';
      state = kExpSign;
    } else if (state == kExpSign && (c == '+' || c == '-')) {
      number += c;
      state = kExpDigits;
    } else if ((state == kExpSign || state == kExpDigits) && digit) {
      number += c;
      state = kExpDigits;
    } else {
      break;
    }
  }
  if (!mantissa_digits) return 0.0;
  // A dangling exponent marker ("1e", "1e+") contributes nothing.
  while (!number.empty() && (number.back() == 'e' || number.back() == '+' || number.back() == '-'))
    number.pop_back();
  // from_chars reads in the classic locale whatever the process locale is; it takes no "+".
  bool negative = number[0] == '-';
  std::size_t start = (number[0] == '-' || number[0] == '+') ? 1 : 0;
  double value = 0.0;
  auto [end, ec] = std::from_chars(number.data() + start, number.data() + number.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Too small underflows to 0; too large is Overflow, as the run time says.
    if (number.find('e') != std::string::npos && number.find("e-") != std::string::npos) return 0.0;
    Raise(err::kOverflow);
  }
  return negative ? -value : value;
}

}  // namespace sheaver
