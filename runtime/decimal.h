// Numbers as decimal digits: the value a cell's text writes, kept digit for digit, so that
// rounding to a number of decimals decides ties on the digits as written (1.005 to two decimals
// is 1.01, which no binary double can tell) rather than on the nearest binary fraction.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/locale.h"

namespace sheaver {

class Decimal {
 public:
  // Significant digits kept; further digits of a text are dropped. Enough for any number in the
  // range of doubles plus a record index to add up exactly (1E+300 + 1 keeps its last 1), and
  // rounding half away from zero needs only the first digit after the place rounded to.
  static constexpr int kMaxDigits = 700;

  // Zero.
  Decimal() = default;
  // sign, significant digits (leading and trailing zeros are removed) and the position of the
  // decimal point: the value is 0.<digits> times ten to the power `point`.
  Decimal(bool negative, std::string_view digits, long long point);

  // The value of a whole number.
  static Decimal FromInteger(long long value);
  // The value of a double rounded to 15 significant digits, as the general conversion writes it
  // (0.1 is 0.1, 1/3 is 0.333333333333333). Overflow for infinities and NaN.
  static Decimal FromDouble(double value);

  bool IsZero() const { return digits_.empty(); }
  // True for a negative value (a value that is zero is never negative).
  bool Negative() const { return negative_; }
  // The significant digits without leading or trailing zeros; empty for zero.
  const std::string& Digits() const { return digits_; }
  // Digits before the decimal point: 12.5 has 2, 0.05 has -1.
  long long Point() const { return point_; }

  // The nearest double. Overflow beyond the range of doubles; tiny values give 0.
  double ToDouble() const;

  // The value with the sign dropped, with the opposite sign, times ten to the power `shift`.
  Decimal Abs() const;
  Decimal Negated() const;
  Decimal Shifted(long long shift) const;

  // The value rounded to `decimals` places after the point (negative: to tens, hundreds...),
  // halves away from zero: 0.125 -> 0.13, -2.5 -> -3, 9.995 -> 10.00. A negative value that
  // rounds to zero becomes plain zero.
  Decimal RoundedToDecimals(long long decimals) const;
  // The value rounded to `count` (>= 1) significant digits, halves away from zero.
  Decimal RoundedToSignificant(int count) const;

  // The digits before the decimal point (without sign; "" when below 1) and the first `count`
  // digits after it (padded with zeros).
  std::string IntegerDigits() const;
  std::string FractionDigits(long long count) const;

  // Plain decimal text with "." as the point, no exponent: "-12.5", "0.001", "0".
  std::string ToPlainText() const;

  // The exact sum (to kMaxDigits significant digits).
  friend Decimal operator+(const Decimal& a, const Decimal& b);
  // Same sign, digits and point: the same value.
  friend bool operator==(const Decimal&, const Decimal&) = default;

 private:
  bool negative_ = false;
  std::string digits_;
  long long point_ = 0;
};

// The leading number of a cell's text, read as the run time's Val reads it (blanks, tabs and line
// feeds skipped wherever they stand; sign, digits, point, exponent; "&H"/"&O" prefixes; no
// leading number reads as 0; a value beyond the range of doubles is Overflow), with the locale
// taken into account so that a number's text and its reading agree: the locale's decimal
// separator is a decimal point as well as ".", and in a locale whose separator is not "." a
// number grouped the locale's way reads whole ("1.234,5" is 1234.5 in de_DE, "1.234.567" is
// 1234567, while "12.5" stays 12.5). In a "." locale a comma ends the number: "1,234.5" reads 1.
Decimal ReadLeadingNumber(std::string_view text, const Locale& locale);

// The number a whole text writes, or nothing: blanks around it, an optional sign, digits with
// optional thousands grouping in the locale's separator (groups of three), a decimal point ("."
// or the locale's), an optional exponent, an optional trailing percent sign (which divides by a
// hundred). "&H"/"&O" numbers count too. "12 apples", "1,2" and "" are not numbers.
std::optional<Decimal> ReadNumberText(std::string_view text, const Locale& locale);

}  // namespace sheaver
