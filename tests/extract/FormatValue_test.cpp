#include "extract/FormatValue.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "runtime/error.h"

namespace sheaver {
namespace {

struct Case {
  const char* text;
  const char* code;
  Int16 index;
  const char* expected;  // for an error: "#" and the error number
};

std::string Format(const Case& c, const Locale& locale) {
  try {
    return FormatValue(c.text, c.code, c.index, locale);
  } catch (const Error& e) {
    return "#" + std::to_string(e.Number());
  }
}

void ExpectAll(const Locale& locale, std::span<const Case> cases) {
  for (const Case& c : cases)
    EXPECT_EQ(Format(c, locale), c.expected)
        << "text \"" << c.text << "\", code \"" << c.code << "\", index " << c.index << ", locale "
        << locale.name;
}

// The cases every field format must get right, in a day-first English locale.
TEST(FormatValue, FixedCodesDayFirst) {
  const Case cases[] = {
      {"12.346", "0.00", 0, "12.35"},
      {"2.5", "0", 4, "3"},
      {"7", "+0", 3, "10"},
      {"7", "+0.0", 0, "7.0"},
      {"", "0.000", 2, "0.000"},
      {"", "+0", 2, "2"},
      {"abc", "0", 0, "0"},
      {"1,234.5", "0.0", 0, "1.0"},
      {"1 234", "0", 0, "1234"},
      {"31/01/2024", "+dmy", 1, "01/02/2024"},
      {"31/01/2024", "MDY", 5, "01/31/2024"},
      {"31/01/2024", "+ymd", 2, "20240202"},
      {"Smith", "TEXT", 0, "\"Smith\""},
  };
  ExpectAll(Locale::EnglishDayFirst(), cases);
}

// The same cases in a month-first locale, with the cell texts that locale writes.
TEST(FormatValue, FixedCodesMonthFirst) {
  const Case cases[] = {
      {"12.346", "0.00", 0, "12.35"},
      {"2.5", "0", 4, "3"},
      {"7", "+0", 3, "10"},
      {"7", "+0.0", 0, "7.0"},
      {"", "0.000", 2, "0.000"},
      {"", "+0", 2, "2"},
      {"abc", "0", 0, "0"},
      {"1,234.5", "0.0", 0, "1.0"},
      {"1 234", "0", 0, "1234"},
      {"01/31/2024", "+dmy", 1, "01/02/2024"},
      {"01/31/2024", "MDY", 5, "01/31/2024"},
      {"01/31/2024", "+ymd", 2, "20240202"},
      {"Smith", "TEXT", 0, "\"Smith\""},
      {"31/01/2024", "dmy", 0, "#13"},  // a day-first text is not a date here
      {"02/01/2024", "dmy", 0, "01/02/2024"},
  };
  ExpectAll(Locale::EnglishMonthFirst(), cases);
}

TEST(FormatValue, NumberCodes) {
  const Case cases[] = {
      {"0.125", "0.00", 0, "0.13"},
      {"1.005", "0.00", 0, "1.01"},
      {"9.995", "0.00", 0, "10.00"},
      {"-2.5", "0", 0, "-3"},
      {"-0.001", "0.00", 0, "0.00"},  // never "-0.00"
      {"-0.4", "+0", 0, "0"},
      {"-1", "+0", 1, "0"},
      {"-3", "+0", 1, "-2"},
      {"0.7", "+0.000", 2, "2.700"},
      {"12.5", "0", 0, "13"},
      {"1E+20", "0", 0, "100000000000000000000"},
      {"1.5E-05", "0.000", 0, "0.000"},
      {"$12", "0.00", 0, "0.00"},
      {"&H1F", "0", 0, "31"},
      {"99999", "+0", 32767, "132766"},
      {"1e400", "0", 0, "#6"},
      {"7", "0.0000", 0, "7.0000"},  // not a fixed code: a free pattern
  };
  ExpectAll(Locale::EnglishDayFirst(), cases);
  const Case german[] = {
      {"12,346", "0.00", 0, "12,35"},
      {"12.346", "0.00", 0, "12,35"},
      {"1.234,5", "0.0", 0, "1234,5"},
      {"7", "+0.0", 2, "9,0"},
  };
  ExpectAll(Locale::German(), german);
}

TEST(FormatValue, DateCodes) {
  const Case cases[] = {
      {"31/01/2024 13:45:00", "dmy", 0, "31/01/2024"},  // the time is not shown
      {"2024-01-31", "ymd", 0, "20240131"},
      {"31 Jan 2024", "+dmy", 1, "01/02/2024"},
      {"28/02/2024", "+dmy", 1, "29/02/2024"},
      {"28/02/2023", "+dmy", 1, "01/03/2023"},
      {"31/12/2024", "+dmy", 1, "01/01/2025"},
      {"01/01/0100", "ymd", 0, "01000101"},
      {"", "dmy", 0, "#13"},
      {"", "+dmy", 3, "#13"},
      {"abc", "ymd", 0, "#13"},
      {"31/02/2024", "dmy", 0, "#13"},
      {"45322", "dmy", 0, "#13"},  // a number is not a date text
      {"31/12/9999", "+dmy", 1, "#6"},
      {"31/12/9999", "+dmy", 0, "31/12/9999"},
      {"01/01/0100", "+dmy", -1, "#6"},
  };
  ExpectAll(Locale::EnglishDayFirst(), cases);
  const Case german[] = {{"31.01.2024", "+dmy", 1, "01.02.2024"},
                         {"31.01.2024", "mdy", 0, "01.31.2024"},
                         {"31.01.2024", "ymd", 0, "20240131"}};
  ExpectAll(Locale::German(), german);
}

TEST(FormatValue, CodeMatching) {
  const Case cases[] = {
      {"Smith", "Text", 0, "\"Smith\""},
      {"Smith", "+text", 5, "\"Smith\""},  // the offset is ignored
      {"12", "+TEXT", 5, "\"12\""},
      {"31/01/2024", "DmY", 0, "31/01/2024"},
      {"Smith", " text", 0, "Smith"},  // a free pattern with no text placeholder
      {"5", "0 ", 0, "5 "},
      {"5", "", 0, "5"},
      {"a,b", "", 0, "a,b"},  // the empty code: unchanged and unquoted
      {"5", "+", 3, "5"},     // "+" alone leaves the empty code
      {"7", "++0", 3, "+7"},  // only one "+" is removed
      {"1234.5", "#,##0.00", 0, "1,234.50"},
      {"31/01/2024", "dddd", 0, "Wednesday"},
      {"hello", ">", 0, "HELLO"},
  };
  ExpectAll(Locale::EnglishDayFirst(), cases);
}

TEST(QuoteText, DoublesInnerQuotesAndNothingElse) {
  struct Row {
    const char* text;
    const char* expected;
  } rows[] = {
      {"", "\"\""},
      {"\"", "\"\"\"\""},
      {"Smith", "\"Smith\""},
      {"a,b", "\"a,b\""},
      {"line\r\nbreak", "\"line\r\nbreak\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
  };
  for (const Row& r : rows) EXPECT_EQ(QuoteText(r.text), r.expected);
}

TEST(QuoteText, SixteenBitCharacterCounter) {
  std::string longest(32767, 'a');
  EXPECT_EQ(QuoteText(longest).size(), 32769u);
  try {
    QuoteText(longest + "a");
    ADD_FAILURE() << "32768 characters quoted";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::kOverflow);
  }
  // Characters, not bytes: 32767 two-byte characters fit.
  std::string accented;
  for (int i = 0; i < 32767; ++i) accented += "\xC3\xA9";
  EXPECT_EQ(QuoteText(accented).size(), accented.size() + 2);
  std::string too_long = longest + "\"";
  EXPECT_EQ(Format({too_long.c_str(), "text", 0, ""}, Locale::EnglishDayFirst()), "#6");
}

}  // namespace
}  // namespace sheaver
