#include "runtime/decimal.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "support/raised.h"

namespace sheaver {
namespace {

using test::RaisedBy;

const Locale gb = Locale::EnglishDayFirst(), de = Locale::German(), fr = Locale::French();

Decimal D(const char* text) {
  auto d = ReadNumberText(text, gb);
  EXPECT_TRUE(d.has_value()) << text;
  return d.value_or(Decimal());
}

TEST(Decimal, RoundsHalvesAwayFromZero) {
  const struct {
    const char* text;
    long long decimals;
    const char* expected;
  } rows[] = {{"-0.125", 2, "-0.13"}, {"9.995", 2, "10"},  {"-0.004", 2, "0"},
              {"1250", -2, "1300"},   {"12.3", 5, "12.3"}, {"0.00051", 3, "0.001"}};
  for (const auto& r : rows)
    EXPECT_EQ(D(r.text).RoundedToDecimals(r.decimals).ToPlainText(), r.expected)
        << r.text << " to " << r.decimals;
  EXPECT_FALSE(D("-0.004").RoundedToDecimals(2).Negative());
  EXPECT_EQ(D("9.996").RoundedToSignificant(3).ToPlainText(), "10");
  EXPECT_EQ(D("123456").RoundedToSignificant(2).ToPlainText(), "120000");
}

TEST(Decimal, AddsExactly) {
  // clang-format off
  const struct {
    const char* a;
    const char* b;
    std::string sum;
  } rows[] = {
      {"0.1", "0.2", "0.3"},      {"7", "-7", "0"},           {"-0.5", "1", "0.5"},
      {"999.99", "0.01", "1000"},
      {"0.001", "-32768", "-32767.999"},
      {"1e100", "-3", std::string(99, '9') + "7"},
      {"1e-300", "1", "1." + std::string(299, '0') + "1"},
  };
  // clang-format on
  for (const auto& r : rows)
    EXPECT_EQ((D(r.a) + D(r.b)).ToPlainText(), r.sum) << r.a << " + " << r.b;
}

// Leading numbers: the run time's rules, plus the locale's decimal separator and grouping.
TEST(ReadLeadingNumber, RunTimeRulesAndTheLocalesOwnNumbers) {
  // clang-format off
  const struct {
    const Locale& locale;
    const char* text;
    const char* expected;
  } cases[] = {
      {gb, "1,234.5", "1"},         {gb, "1e+", "1"},             {gb, "&HFFFF", "-1"},
      {gb, "1.2.3", "1.2"},         {de, "12,5 kg", "12.5"},      {de, "12.5", "12.5"},
      {de, "1.234", "1.234"},       {de, "1.234.567", "1234567"},
      {de, "1.234.567,89", "1234567.89"},
      {de, "1.23,5", "1.23"},       {de, "1,234.5", "1.234"},     {fr, "1 234,5", "1234.5"},
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(ReadLeadingNumber(c.text, c.locale).ToPlainText(), c.expected)
        << '"' << c.text << "\" in " << c.locale.name;
  EXPECT_TRUE(ReadLeadingNumber("0e99999999999999999999999", gb).IsZero());
  const char* const precise = "0.1000000000000000000000000001";
  EXPECT_EQ(ReadLeadingNumber(precise, gb).ToPlainText(), precise);
  for (const std::string& huge :
       {std::string(400, '9'), std::string("1e400"), std::string("1e99999999999999999999999")})
    EXPECT_EQ(RaisedBy([&] { ReadLeadingNumber(huge, gb); }).number, err::kOverflow) << huge;
}

}  // namespace
}  // namespace sheaver
