#include "runtime/convert.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "support/raised.h"

namespace sheaver {
namespace {

const Locale kGB = Locale::EnglishDayFirst();

TEST(NumberToText, FifteenDigitsNoTrailingZerosExponentOnlyAtTheEnds) {
  const struct {
    double value;
    const char* expected;
  } rows[] = {
      {-0.0, "0"},
      {0.1 + 0.2, "0.3"},  // 0.30000000000000004 has 17 digits
      {2.0 / 3, "0.666666666666667"},
      {999999999999999.9, "1E+15"},  // rounds up to sixteen digits
      {-1.5e20, "-1.5E+20"},
      {0.00001, "1E-05"},
      {DBL_MAX, "1.79769313486232E+308"},
      {std::numeric_limits<double>::quiet_NaN(), "#6"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(test::TextOrError([&] { return NumberToText(r.value, kGB); }), r.expected);
  EXPECT_EQ(NumberToText(1.5e-5, Locale::French()), "1,5E-05");
  EXPECT_EQ(NumberToText(1234567.5, Locale::German()), "1234567,5");  // never grouped
}

// A double's text is taken from the C++ library's shortest-form writer when it is plain, else
// from the decimal conversion: both must give the same text for every double.
TEST(NumberToText, DoublesAgreeWithTheDecimalConversion) {
  std::vector<double> values = {0.0,
                                1e15,
                                DBL_MIN,
                                5e-324,
                                DBL_MAX,
                                0.0001,
                                0.000099999999999999995,
                                999999999999999.4,
                                999999999999999.5,
                                123456789012345.67,
                                1.0000000000000005};
  std::mt19937_64 random(42);
  std::uniform_int_distribution<int> exponent(-25, 25), places(0, 6);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<long long> whole(-99999999, 99999999);
  for (int i = 0; i < 20000; ++i) {
    values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    values.push_back(static_cast<double>(whole(random)) / std::pow(10.0, places(random)));
    const double any = std::bit_cast<double>(random());
    if (std::isfinite(any)) values.push_back(any);
  }
  for (const Locale& locale : {kGB, Locale::German()})
    for (double v : values)
      ASSERT_EQ(NumberToText(v, locale), NumberToText(Decimal::FromDouble(v), locale))
          << std::hexfloat << v;
}

TEST(DateToText, ShortDateFourDigitYearAndTime) {
  const Locale us = Locale::EnglishMonthFirst(), c = Locale::Fallback();
  const struct {
    const Locale& locale;
    DateValue date;
    const char* expected;
  } rows[] = {
      {c, 45322, "2024-01-31"},
      {kGB, 45322.5729166667, "31/01/2024 13:45:00"},
      {us, 45322.0001, "01/31/2024 12:00:09 AM"},
      {us, 0.75, "6:00:00 PM"},
      {kGB, -1.25, "29/12/1899 06:00:00"},
      {kGB, 10959, "01/01/1930"},  // four digits: no window to misread
  };
  for (const auto& r : rows) EXPECT_EQ(DateToText(r.date, r.locale), r.expected) << r.date;
}

}  // namespace
}  // namespace sheaver
