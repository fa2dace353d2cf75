#include "runtime/decimal.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "runtime/error.h"

namespace sheaver {
namespace {

int ErrorNumberOf(auto&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

Decimal D(const char* text) {
  auto d = ReadNumberText(text, Locale::EnglishDayFirst());
  EXPECT_TRUE(d.has_value()) << text;
  return d.value_or(Decimal());
}

TEST(Decimal, KeepsTheDigitsAsWritten) {
  struct Row {
    const char* text;
    const char* digits;
    long long point;
    bool negative;
  } rows[] = {
      {"12.346", "12346", 2, false}, {"-0.05", "5", -1, true}, {"1200", "12", 4, false},
      {"000.00100", "1", -2, false}, {"-0", "", 0, false},     {"1.5e3", "15", 4, false},
      {"1e-5", "1", -4, false},      {"+7", "7", 1, false},
  };
  for (const Row& r : rows) {
    Decimal d = D(r.text);
    EXPECT_EQ(d.Digits(), r.digits) << r.text;
    EXPECT_EQ(d.Point(), r.point) << r.text;
    EXPECT_EQ(d.Negative(), r.negative) << r.text;
  }
}

TEST(Decimal, RoundsHalvesAwayFromZero) {
  struct Row {
    const char* text;
    long long decimals;
    const char* expected;
  } rows[] = {
      {"0.125", 2, "0.13"},  {"-0.125", 2, "-0.13"}, {"1.005", 2, "1.01"},    {"2.5", 0, "3"},
      {"0.5", 0, "1"},       {"0.05", 1, "0.1"},     {"9.995", 2, "10"},      {"-9.5", 0, "-10"},
      {"999.96", 1, "1000"}, {"0.004", 2, "0"},      {"-0.004", 2, "0"},      {"1250", -2, "1300"},
      {"12.3", 5, "12.3"},   {"0.0049", 2, "0"},     {"0.00051", 3, "0.001"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(D(r.text).RoundedToDecimals(r.decimals).ToPlainText(), r.expected)
        << r.text << " to " << r.decimals;
  EXPECT_FALSE(D("-0.004").RoundedToDecimals(2).Negative());
  EXPECT_EQ(D("9.996").RoundedToSignificant(3).ToPlainText(), "10");
  EXPECT_EQ(D("123456").RoundedToSignificant(2).ToPlainText(), "120000");
}

TEST(Decimal, AddsExactly) {
  struct Row {
    const char* a;
    const char* b;
    std::string sum;
  } rows[] = {
      {"7", "3", "10"},
      {"12.346", "2", "14.346"},
      {"0.1", "0.2", "0.3"},
      {"-7", "3", "-4"},
      {"7", "-7", "0"},
      {"-0.5", "1", "0.5"},
      {"999.99", "0.01", "1000"},
      {"1e20", "1", "100000000000000000001"},
      {"0.001", "-32768", "-32767.999"},
      {"1e100", "-3",
       "99999999999999999999999999999999999999999999999999"
       "99999999999999999999999999999999999999999999999997"},
      {"1e-300", "1", "1." + std::string(299, '0') + "1"},
  };
  for (const Row& r : rows)
    EXPECT_EQ((D(r.a) + D(r.b)).ToPlainText(), r.sum) << r.a << " + " << r.b;
}

TEST(Decimal, FromDoubleUsesFifteenDigits) {
  EXPECT_EQ(Decimal::FromDouble(0.1).ToPlainText(), "0.1");
  EXPECT_EQ(Decimal::FromDouble(1.0 / 3).ToPlainText(), "0.333333333333333");
  EXPECT_EQ(Decimal::FromDouble(-1234.5).ToPlainText(), "-1234.5");
  EXPECT_EQ(Decimal::FromDouble(1e300).Point(), 301);
  EXPECT_EQ(Decimal::FromInteger(-32768).ToPlainText(), "-32768");
  EXPECT_EQ(D("1.5e300").ToDouble(), 1.5e300);
  EXPECT_EQ(ErrorNumberOf([] { Decimal::FromDouble(1.0 / 0.0); }), err::kOverflow);
}

// Leading numbers: the run time's rules, plus the locale's decimal separator.
struct LeadingCase {
  const char* text;
  const char* expected;
};

void ExpectLeading(const Locale& locale, std::span<const LeadingCase> cases) {
  for (const LeadingCase& c : cases)
    EXPECT_EQ(ReadLeadingNumber(c.text, locale).ToPlainText(), c.expected)
        << "\"" << c.text << "\" in " << locale.name;
}

TEST(ReadLeadingNumber, RunTimeRulesInAPointLocale) {
  const LeadingCase cases[] = {
      {"", "0"},
      {"abc", "0"},
      {"12.346", "12.346"},
      {"1,234.5", "1"},
      {"1 234", "1234"},
      {" \t\n-7", "-7"},
      {"- 4", "-4"},
      {"-.5", "-0.5"},
      {"1e3", "1000"},
      {"1E+3x", "1000"},
      {"1e", "1"},
      {"1e+", "1"},
      {"$5", "0"},
      {"&H10", "16"},
      {"&HFFFF", "-1"},
      {"&O17", "15"},
      {"12abc3", "12"},
      {"1.2.3", "1.2"},
      {"12,5", "12"},
      {"1e-400", "0"},
      {"0.1000000000000000000000000001", "0.1000000000000000000000000001"},
  };
  ExpectLeading(Locale::EnglishDayFirst(), cases);
  EXPECT_EQ(ErrorNumberOf([] { ReadLeadingNumber("1e400", Locale::EnglishDayFirst()); }),
            err::kOverflow);
  EXPECT_EQ(
      ErrorNumberOf([] { ReadLeadingNumber(std::string(400, '9'), Locale::EnglishDayFirst()); }),
      err::kOverflow);
  EXPECT_EQ(ErrorNumberOf(
                [] { ReadLeadingNumber("1e99999999999999999999999", Locale::EnglishDayFirst()); }),
            err::kOverflow);
  EXPECT_TRUE(ReadLeadingNumber("0e99999999999999999999999", Locale::EnglishDayFirst()).IsZero());
}

TEST(ReadLeadingNumber, CommaLocalesReadTheirOwnNumbers) {
  const LeadingCase cases[] = {
      {"12,5", "12.5"},         {"12.5", "12.5"},        {"1.234,5", "1234.5"},
      {"1.234.567", "1234567"}, {"1.234", "1.234"},      {"1.234.567,89", "1234567.89"},
      {"1.23,5", "1.23"},       {"-1.234,5", "-1234.5"}, {"1,234.5", "1.234"},
      {"1.2345,6", "1.2345"},   {"12,5 kg", "12.5"},
  };
  ExpectLeading(Locale::German(), cases);
  const LeadingCase french[] = {
      {"1 234,5", "1234.5"},
      {"12,5", "12.5"},
      {"12.5", "12.5"},
  };
  ExpectLeading(Locale::French(), french);
}

TEST(ReadNumberText, WholeTextsOnly) {
  const Locale gb = Locale::EnglishDayFirst();
  struct Row {
    const char* text;
    const char* expected;  // "" for not a number
  } rows[] = {
      {"12.5", "12.5"},   {" -12.5 ", "-12.5"}, {"1,234.5", "1234.5"}, {"1,234,567", "1234567"},
      {"1,2", ""},        {"12,34.5", ""},      {"1234,567", ""},      {"12 apples", ""},
      {"", ""},           {".5", "0.5"},        {"5.", "5"},           {".", ""},
      {"1e3", "1000"},    {"1e", ""},           {"50%", "0.5"},        {"&H1F", "31"},
      {"&H", ""},         {"&HXYZ", ""},        {"1e999", ""},         {"--5", ""},
      {"31/01/2024", ""}, {"2024-01-31", ""},
  };
  for (const Row& r : rows) {
    auto d = ReadNumberText(r.text, gb);
    EXPECT_EQ(d ? d->ToPlainText() : "", r.expected) << '"' << r.text << '"';
  }
  auto de = ReadNumberText("1.234,5", Locale::German());
  ASSERT_TRUE(de.has_value());
  EXPECT_EQ(de->ToPlainText(), "1234.5");
  auto fr = ReadNumberText("1 234 567,5", Locale::French());
  ASSERT_TRUE(fr.has_value());
  EXPECT_EQ(fr->ToPlainText(), "1234567.5");
}

}  // namespace
}  // namespace sheaver
