// FormatValue writes the fixed number and date codes directly, without the pattern engine, and
// reads the plain number and date texts a spreadsheet writes directly too. This test holds it to
// the general way (leading-number reader or date reader, offset, general pattern) over many
// values in every built-in locale: same text, or same error number.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "extract/format_value.h"
#include "runtime/convert.h"
#include "runtime/date.h"
#include "runtime/decimal.h"
#include "runtime/format.h"
#include "support/raised.h"

namespace sheaver {
namespace {

using test::TextOrError;
using Texts = std::vector<std::string>;

// Number texts where rounding and reading go wrong if anything does: ties at every number of
// decimals, carries into a new digit, negatives that round to zero, the longest plain texts and
// one digit more, texts the plain reading must leave to the general reader.
// clang-format off
const Texts kNumberTexts = {
    "0", "-0", "+0", "-0.000", "0.5", "-0.5", "1.5", "2.5", "-2.5", "0.05", "0.005", "0.0005",
    "-0.0005", "-0.005", "-0.0049", "0.125", "1.005", "9.995", "9.9995", "99.9995", "-9.995",
    "-9.9949", "0.045", "12.346", "4.35", "1.0049999999", "1.00500000001", "999.9996",
    "999999999999999999", "-999999999999999999", "999999999999999999.5", "99999999999999999.95",
    "1000000000000000000", "123456789012345678", "-123456789012345678", "0.123456789012345678",
    "0.000000000000000005", "0.0000000000000000005", "000000000000000000001", "00012.3400", ".5",
    "5.", "-.5", "+7", "+.", ".", "-", "+", "", "--1", "+-1", "1.2.3", "1..2", "1,5", "1,234",
    "1.234", "1.234,5", "1.234.567", "12,346", "1,5,6", ",5", " 7", "7 ", "\t7", "7\n", "1e5",
    "1E+20", "1.5E-05", "1e", "1e+", "&H1F", "&O17", "&h", "1 234", "1 234,5", "$12", "abc", "7a",
    "1e400", "-1e400", "1e-400", "0.333333333333333", "-0.666666666666667", "3.5", "-3.5",
    "32767.5", "-32768.5", "0.9995", "0.0095",
};
// clang-format on

Texts NumberTexts(const Locale& locale) {
  Texts texts = kNumberTexts;
  std::mt19937_64 random(20240131);
  // What the spreadsheet writes for cell numbers of every size.
  for (double v : {DBL_MAX, -DBL_MAX, DBL_MIN, 5e-324, 1e300, 1e-300, 1e15, 1e-5, 123456789012345.0,
                   0.1 + 0.2, 1.0 / 3.0, 2.0 / 3.0, -1.0 / 7.0})
    texts.push_back(NumberToText(v, locale));
  std::uniform_int_distribution<int> exponent(-22, 22);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  for (int i = 0; i < 300; ++i)
    texts.push_back(NumberToText(mantissa(random) * std::pow(10.0, exponent(random)), locale));
  // Hours, amounts and ties: whole numbers with 1 to 4 decimals, many of them ending in 5.
  std::uniform_int_distribution<long long> whole(-100000, 100000);
  std::uniform_int_distribution<int> places(1, 4);
  for (int i = 0; i < 300; ++i) {
    const double scale = std::pow(10.0, places(random));
    long long units = whole(random);
    if (i % 2 == 0) units = units / 10 * 10 + 5;
    texts.push_back(NumberToText(static_cast<double>(units) / scale, locale));
  }
  // Random digit strings of up to 20 digits, a point anywhere or none, either sign.
  std::uniform_int_distribution<int> length(1, 20), digit(0, 9), coin(0, 3);
  for (int i = 0; i < 300; ++i) {
    std::string text = coin(random) == 0 ? "-" : coin(random) == 0 ? "+" : "";
    const int n = length(random);
    const int point = coin(random) == 0 ? -1 : std::uniform_int_distribution<int>(0, n)(random);
    for (int k = 0; k < n; ++k) {
      if (k == point) text += coin(random) == 0 ? locale.decimal_separator : ".";
      text += static_cast<char>('0' + digit(random));
    }
    if (point == n) text += ".";
    texts.push_back(text);
  }
  return texts;
}

// Date texts around the edges of the plain shape: every order and separator, days that do not
// exist, the first and last valid days, texts with a time, names or blanks.
// clang-format off
const Texts kDateTexts = {
    "31/01/2024", "01/31/2024", "2024-01-31", "2024/01/31", "2024.01.31", "31-01-2024",
    "31.01.2024", "01.31.2024", "12/11/2024", "2024/1/31", "31/1/2024", "31/01/24", "31/02/2024",
    "29/02/2023", "29/02/2024", "02/29/2024", "00/01/2024", "01/00/2024", "32/01/2024",
    "01/13/2024", "2024-13-01", "2024-12-32", "2024-02-30", "01/01/0100", "31/12/9999",
    "12/31/9999", "0100-01-01", "9999-12-31", "01/01/0099", "0099-01-01", "00/00/0000",
    "30/12/1899", "29/12/1899", "31/01-2024", "31-01/2024", "2024-01/31", "31/01/20245",
    "31/01/2024 ", " 31/01/2024", "31/01/2024 13:45:00", "31/01/2024 1:30:00 PM", "31 Jan 2024",
    "Jan 31, 2024", "13:45", "", "abc", "45322", "1/1/2024", "2024-1-1", "24-01-31", "3x/01/2024",
    "31/0x/2024", "31/01/2o24", "+1/01/2024", "2024--1-01",
};
// clang-format on

Texts DateTexts(const Locale& locale) {
  Texts texts = kDateTexts;
  std::mt19937_64 random(19991231);
  // What the spreadsheet writes for date cells: whole days across the valid range, and days with
  // a time of day (on either side of 30 December 1899).
  std::uniform_int_distribution<int> day(static_cast<int>(kMinDate), static_cast<int>(kMaxDate));
  std::uniform_real_distribution<double> time(0.0, 1.0);
  for (int i = 0; i < 400; ++i) {
    const double whole = day(random);
    texts.push_back(DateToText(whole, locale));
    if (i % 4 == 0)
      texts.push_back(DateToText(whole + (whole < 0 ? -1 : 1) * time(random), locale));
  }
  for (double d : {kMinDate, kMaxDate, 0.0, 1.0, 60.0, 61.0, -1.0, 0.5, kMaxDate + 0.99999})
    texts.push_back(DateToText(d, locale));
  return texts;
}

// Each fixed code, the texts it is tried on, and the general way to the same result.
struct Family {
  std::vector<std::string> keys;
  std::vector<Int16> indices;
  std::function<Texts(const Locale&)> texts;
  std::function<std::string(const std::string& text, const std::string& key, Int16 offset,
                            const Locale&)>
      general;
};

TEST(FormatValueDirect, FixedCodesAgreeWithThePatternEngine) {
  const Family families[] = {
      {{"0", "0.0", "0.00", "0.000"},
       {1, 7, 32767, -1, -32768},
       NumberTexts,
       [](const std::string& text, const std::string& key, Int16 offset, const Locale& locale) {
         return FormatNumber(ReadLeadingNumber(text, locale) + Decimal::FromInteger(offset), key,
                             locale);
       }},
      {{"dmy", "mdy", "ymd"},
       {1, 6, 366, 32767, -1, -32768},
       DateTexts,
       [](const std::string& text, const std::string& key, Int16 offset, const Locale& locale) {
         const char* pattern = key == "dmy"   ? "dd/mm/yyyy"
                               : key == "mdy" ? "mm/dd/yyyy"
                                              : "yyyymmdd";
         return FormatDate(AddDays(ParseDate(text, locale), offset), pattern, locale);
       }},
  };
  for (const Family& family : families) {
    for (const Locale& locale : {Locale::EnglishDayFirst(), Locale::EnglishMonthFirst(),
                                 Locale::German(), Locale::French(), Locale::Fallback()}) {
      std::size_t n = 0;
      for (const std::string& text : family.texts(locale)) {
        for (const std::string& key : family.keys) {
          // Without "+" the record index is ignored; with it, it is added.
          const Int16 index = family.indices[n++ % family.indices.size()];
          for (Int16 offset : {Int16{0}, index}) {
            const std::string code = offset == 0 ? key : "+" + key;
            ASSERT_EQ(TextOrError([&] { return FormatValue(text, code, index, locale); }),
                      TextOrError([&] { return family.general(text, key, offset, locale); }))
                << "text \"" << text << "\", code " << code << ", index " << index << ", locale "
                << locale.name;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace sheaver
