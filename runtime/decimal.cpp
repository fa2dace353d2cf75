#include "runtime/decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>
#include <vector>

#include "runtime/ascii.h"
#include "runtime/error.h"
#include "runtime/numbers.h"

namespace sheaver {
namespace {

// Decimal exponents beyond the range of doubles: larger is Overflow, smaller reads as zero.
constexpr long long kMaxPoint = 309;
constexpr long long kMinPoint = -323;
// Exponents are read up to this size; longer ones are out of range either way.
constexpr long long kExponentCap = 1'000'000;

// Magnitudes compared: -1, 0 or 1.
int CompareMagnitude(const Decimal& a, const Decimal& b) {
  if (a.IsZero() || b.IsZero()) return a.IsZero() == b.IsZero() ? 0 : (a.IsZero() ? -1 : 1);
  if (a.Point() != b.Point()) return a.Point() < b.Point() ? -1 : 1;
  int c = a.Digits().compare(b.Digits());
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Adds one unit in the last place of a digit string; returns true when it carried out of the
// first digit (the string is then "1" followed by zeros, one longer).
bool Increment(std::string& digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return false;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
  return true;
}

// Drops values outside the range of doubles the way the run time's reader does: Overflow above,
// zero below.
Decimal InDoubleRange(const Decimal& d) {
  if (d.IsZero()) return d;
  if (d.Point() < kMinPoint) return Decimal();
  if (d.Point() >= kMaxPoint) d.ToDouble();  // raises Overflow when too large
  return d;
}

}  // namespace

Decimal::Decimal(bool negative, std::string_view digits, long long point) {
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) return;  // zero
  std::size_t last = digits.find_last_not_of('0');
  digits = digits.substr(first, last - first + 1);
  if (digits.size() > static_cast<std::size_t>(kMaxDigits)) digits = digits.substr(0, kMaxDigits);
  negative_ = negative;
  digits_ = std::string(digits);
  point_ = point - static_cast<long long>(first);
}

Decimal Decimal::FromInteger(long long value) {
  std::string digits = std::to_string(value);
  bool negative = value < 0;
  if (negative) digits.erase(0, 1);
  return Decimal(negative, digits, static_cast<long long>(digits.size()));
}

Decimal Decimal::FromDouble(double value) {
  if (!std::isfinite(value)) Raise(err::kOverflow);
  if (value == 0.0) return Decimal();
  // Fifteen significant digits: d.dddddddddddddde[+-]x
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
  bool negative = s.front() == '-';
  if (negative) s.remove_prefix(1);
  auto e = s.find('e');
  std::string digits;
  for (char c : s.substr(0, e))
    if (IsAsciiDigit(c)) digits += c;
  int exponent = 0;
  std::string_view exp_text = s.substr(e + 1);
  if (!exp_text.empty() && exp_text.front() == '+') exp_text.remove_prefix(1);
  std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exponent);
  return Decimal(negative, digits, exponent + 1);
}

double Decimal::ToDouble() const {
  if (IsZero()) return 0.0;
  std::string text = "0." + digits_ + "e" + std::to_string(point_);
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) {
    if (point_ > 0) Raise(err::kOverflow);
    return 0.0;
  }
  return negative_ ? -value : value;
}

Decimal Decimal::Abs() const {
  Decimal d = *this;
  d.negative_ = false;
  return d;
}

Decimal Decimal::Negated() const {
  Decimal d = *this;
  d.negative_ = !IsZero() && !negative_;
  return d;
}

Decimal Decimal::Shifted(long long shift) const {
  Decimal d = *this;
  if (!IsZero()) d.point_ += shift;
  return d;
}

namespace {

// Keeps the first `keep` digits of a value's digits, rounding half away from zero on the next.
Decimal RoundKeeping(bool negative, const std::string& digits, long long point, long long keep) {
  if (keep >= static_cast<long long>(digits.size())) return Decimal(negative, digits, point);
  if (keep < 0) return Decimal();
  std::string kept = digits.substr(0, static_cast<std::size_t>(keep));
  if (digits[static_cast<std::size_t>(keep)] >= '5' && Increment(kept)) ++point;
  return Decimal(negative, kept, point);
}

}  // namespace

Decimal Decimal::RoundedToDecimals(long long decimals) const {
  if (IsZero()) return *this;
  return RoundKeeping(negative_, digits_, point_, point_ + decimals);
}

Decimal Decimal::RoundedToSignificant(int count) const {
  if (IsZero()) return *this;
  return RoundKeeping(negative_, digits_, point_, std::max(count, 1));
}

std::string Decimal::IntegerDigits() const {
  if (IsZero() || point_ <= 0) return {};
  std::string s =
      digits_.substr(0, static_cast<std::size_t>(std::min<long long>(point_, digits_.size())));
  s.append(static_cast<std::size_t>(point_ - static_cast<long long>(s.size())), '0');
  return s;
}

std::string Decimal::FractionDigits(long long count) const {
  std::string s;
  if (count <= 0) return s;
  s.reserve(static_cast<std::size_t>(count));
  long long size = static_cast<long long>(digits_.size());
  for (long long i = 0; i < count; ++i) {
    long long index = point_ + i;
    if (index >= size) {
      s.append(static_cast<std::size_t>(count - i), '0');
      break;
    }
    s += index < 0 ? '0' : digits_[static_cast<std::size_t>(index)];
  }
  return s;
}

std::string Decimal::ToPlainText() const {
  if (IsZero()) return "0";
  std::string s = negative_ ? "-" : "";
  std::string integer = IntegerDigits();
  s += integer.empty() ? "0" : integer;
  long long decimals = static_cast<long long>(digits_.size()) - point_;
  if (decimals > 0) s += "." + FractionDigits(decimals);
  return s;
}

Decimal operator+(const Decimal& a, const Decimal& b) {
  if (a.IsZero()) return b;
  if (b.IsZero()) return a;
  // Lay both magnitudes out on common places, from `high` (exclusive power of ten) down to `low`.
  long long low_a = a.Point() - static_cast<long long>(a.Digits().size());
  long long low_b = b.Point() - static_cast<long long>(b.Digits().size());
  long long low = std::min(low_a, low_b);
  long long high = std::max(a.Point(), b.Point());
  // An addend many orders of magnitude below the other cannot show among the kept digits.
  if (high - low > 4LL * Decimal::kMaxDigits) return CompareMagnitude(a, b) >= 0 ? a : b;
  std::size_t width = static_cast<std::size_t>(high - low);
  auto lay_out = [&](const Decimal& d) {
    std::vector<int> places(width, 0);
    std::size_t start = static_cast<std::size_t>(high - d.Point());
    for (std::size_t i = 0; i < d.Digits().size(); ++i) places[start + i] = d.Digits()[i] - '0';
    return places;
  };
  const Decimal& big = CompareMagnitude(a, b) >= 0 ? a : b;
  const Decimal& small = &big == &a ? b : a;
  std::vector<int> x = lay_out(big), y = lay_out(small);
  bool subtract = a.Negative() != b.Negative();
  int carry = 0;
  for (std::size_t i = width; i-- > 0;) {
    int v = subtract ? x[i] - y[i] - carry : x[i] + y[i] + carry;
    carry = subtract ? (v < 0 ? 1 : 0) : (v >= 10 ? 1 : 0);
    x[i] = subtract ? (v < 0 ? v + 10 : v) : (v >= 10 ? v - 10 : v);
  }
  std::string digits;
  digits.reserve(width + 1);
  if (carry != 0 && !subtract) digits += '1';
  for (int v : x) digits += static_cast<char>('0' + v);
  long long point = high + (carry != 0 && !subtract ? 1 : 0);
  return Decimal(big.Negative(), digits, point);
}

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

// "&H1F" or "&O17" after leading blanks: the radix numbers Val reads.
bool HasRadixPrefix(std::string_view text) {
  std::size_t p = 0;
  while (p < text.size() && IsBlank(text[p])) ++p;
  if (p + 1 >= text.size() || text[p] != '&') return false;
  char k = text[p + 1];
  return k == 'h' || k == 'H' || k == 'o' || k == 'O';
}

std::size_t DigitRun(std::string_view s, std::size_t pos) {
  std::size_t end = pos;
  while (end < s.size() && IsAsciiDigit(s[end])) ++end;
  return end - pos;
}

// Where a number grouped with `sep` (1-3 digits, then groups of sep and exactly three digits)
// ends, starting at `pos` on its first digit, or npos when the text there is not grouped so.
// A single group counts only when `single_group_ok` or the decimal separator follows it.
std::size_t GroupedEnd(std::string_view s, std::size_t pos, std::string_view sep,
                       std::string_view decimal, bool single_group_ok) {
  std::size_t lead = DigitRun(s, pos);
  if (lead < 1 || lead > 3 || sep.empty()) return std::string_view::npos;
  std::size_t p = pos + lead;
  int groups = 0;
  while (s.substr(p, sep.size()) == sep && DigitRun(s, p + sep.size()) == 3) {
    p += sep.size() + 3;
    ++groups;
  }
  if (groups == 0) return std::string_view::npos;
  bool decimal_follows = !decimal.empty() && s.substr(p, decimal.size()) == decimal;
  if (groups == 1 && !single_group_ok && !decimal_follows) return std::string_view::npos;
  return p;
}

// Appends the digits of s[from, to) to `digits`, leaving out group separators.
void AppendDigits(std::string& digits, std::string_view s, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i)
    if (IsAsciiDigit(s[i])) digits += s[i];
}

struct Scan {
  bool negative = false;
  std::string digits;           // integer and fraction digits
  long long integer_count = 0;  // how many of them stand before the point
  long long exponent = 0;
  bool any_digit = false;
  std::size_t end = 0;  // where the number stopped
};

// Reads the exponent digits at `pos` (after the letter and sign), saturating.
long long ReadExponentDigits(std::string_view s, std::size_t& pos) {
  long long e = 0;
  while (pos < s.size() && IsAsciiDigit(s[pos])) {
    if (e < kExponentCap) e = e * 10 + (s[pos] - '0');
    ++pos;
  }
  return e;
}

// Scans a number from the start of s: sign, integer part (grouped the locale's way where that
// applies), one decimal point ("." or the locale's), fraction and exponent. A leading-number read
// (`whole` false) takes a dangling exponent marker as the run time does ("1e" is 1); a whole-text
// read does not.
Scan ScanNumber(std::string_view s, const Locale& locale, bool whole) {
  Scan r;
  std::size_t p = 0;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) r.negative = s[p++] == '-';
  // Integer part, possibly grouped the locale's way.
  const std::string& decimal = locale.decimal_separator;
  const std::string& thousands = locale.thousands_separator;
  bool separator_is_point = thousands == "." || thousands == decimal;
  // A whole-text read groups in every locale. A leading-number read groups only in locales whose
  // decimal separator is not "." (in a "." locale the comma ends the number), and never on a
  // blank separator: it has skipped the blanks already.
  bool group_ok = !thousands.empty();
  if (!whole && (decimal == "." || thousands.find_first_not_of(" \t\n") == std::string::npos))
    group_ok = false;
  std::size_t grouped =
      group_ok ? GroupedEnd(s, p, thousands, decimal, !separator_is_point) : std::string_view::npos;
  std::size_t int_end = grouped != std::string_view::npos ? grouped : p + DigitRun(s, p);
  AppendDigits(r.digits, s, p, int_end);
  r.integer_count = static_cast<long long>(r.digits.size());
  p = int_end;
  // One decimal point: "." or the locale's separator.
  std::size_t point_len = 0;
  if (s.substr(p, 1) == ".")
    point_len = 1;
  else if (decimal != "." && !decimal.empty() && s.substr(p, decimal.size()) == decimal)
    point_len = decimal.size();
  if (point_len > 0) {
    p += point_len;
    std::size_t frac = DigitRun(s, p);
    AppendDigits(r.digits, s, p, p + frac);
    p += frac;
  }
  r.any_digit = !r.digits.empty();
  r.end = p;
  if (!r.any_digit) return r;
  if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
    std::size_t q = p + 1;
    bool negative_exponent = false;
    if (q < s.size() && (s[q] == '+' || s[q] == '-')) negative_exponent = s[q++] == '-';
    std::size_t digits_at = q;
    long long e = ReadExponentDigits(s, q);
    if (q > digits_at) {
      r.exponent = negative_exponent ? -e : e;
      r.end = q;
    } else if (!whole) {
      r.end = q;  // "1e", "1e+": the marker is taken and contributes nothing
    }
  }
  return r;
}

Decimal ToDecimal(const Scan& s) {
  return InDoubleRange(Decimal(s.negative, s.digits, s.integer_count + s.exponent));
}

}  // namespace

Decimal ReadLeadingNumber(std::string_view text, const Locale& locale) {
  if (HasRadixPrefix(text)) return Decimal::FromDouble(Val(text));
  std::string compact;
  compact.reserve(text.size());
  for (char c : text)
    if (!IsBlank(c)) compact += c;
  Scan s = ScanNumber(compact, locale, false);
  if (!s.any_digit) return Decimal();
  return ToDecimal(s);
}

std::optional<Decimal> ReadNumberText(std::string_view text, const Locale& locale) {
  while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  try {
    if (HasRadixPrefix(text)) {
      std::string_view digits = text.substr(2);
      bool hex = text[1] == 'h' || text[1] == 'H';
      if (digits.empty()) return std::nullopt;
      for (char c : digits)
        if (!(c >= '0' && c <= (hex ? '9' : '7')) &&
            !(hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))))
          return std::nullopt;
      return Decimal::FromDouble(Val(text));
    }
    Scan s = ScanNumber(text, locale, true);
    if (!s.any_digit) return std::nullopt;
    std::size_t end = s.end;
    bool percent = end < text.size() && text[end] == '%';
    if (percent) ++end;
    if (end != text.size()) return std::nullopt;
    Decimal d = ToDecimal(s);
    return percent ? d.Shifted(-2) : d;
  } catch (const Error&) {
    return std::nullopt;  // beyond the range of numbers: not a number
  }
}

}  // namespace sheaver
