#include "extract/format_value.h"

#include <gtest/gtest.h>

#include <string>

#include "support/raised.h"

namespace sheaver {
namespace {

using test::TextOrError;

const Locale gb = Locale::EnglishDayFirst(), us = Locale::EnglishMonthFirst(),
             de = Locale::German();

// Hand-checked values, so that FormatValue and the general way it is held to (see
// format_value_direct_test.cpp) cannot go wrong together unnoticed.
TEST(FormatValue, CodesInTheLocalesOwnTexts) {
  const struct {
    const Locale& locale;
    const char* text;
    const char* code;
    Int16 index;
    const char* expected;  // for an error: "#" and the error number
  } cases[] = {
      {gb, "2.5", "0", 4, "3"},  // without "+" the index is ignored
      {gb, "", "+0", 2, "2"},
      {gb, "-0.0049", "0.00", 0, "0.00"},  // never "-0.00"
      {gb, "-2.5", "+0", 2, "-1"},
      {gb, "999999999999999999", "+0.000", 32767, "1000000000000032766.000"},
      {gb, "1e400", "0", 0, "#6"},
      {de, "12,346", "0.00", 0, "12,35"},
      {de, "7", "+0.0", 2, "9,0"},
      {gb, "31/01/2024", "+dmy", 1, "01/02/2024"},
      {gb, "31/01/2024 13:45:00", "MDY", 5, "01/31/2024"},  // the time is not shown
      {gb, "28/02/2024", "+ymd", 1, "20240229"},
      {gb, "31/12/2024", "+iso", 1, "2025-01-01"},
      {de, "31.01.2024 13:45:00", "ISO", 5, "2024-01-31 13:45:00"},
      {us, "01/31/2024 00:00:00", "+iso", 2, "2024-02-02"},  // midnight shows no time
      {gb, "31/12/9999", "+iso", 1, "#6"},
      {gb, "", "iso", 0, "#13"},
      {gb, "", "+dmy", 3, "#13"},
      {gb, "45322", "dmy", 0, "#13"},  // a number is not a date text
      {us, "01/31/2024", "+dmy", 1, "01/02/2024"},
      {us, "31/01/2024", "dmy", 0, "#13"},  // a day-first text is not a date here
      {gb, "Smith", "Text", 0, "\"Smith\""},
      {gb, "12", "+TEXT", 5, "\"12\""},    // the offset is ignored
      {gb, "Smith", " text", 0, "Smith"},  // a free pattern with no text placeholder
      {gb, "a,b", "", 0, "a,b"},           // the empty code: unchanged and unquoted
      {gb, "5", "+", 3, "5"},              // "+" alone leaves the empty code
      {gb, "7", "++0", 3, "+7"},           // only one "+" is removed
      {gb, "31/01/2024", "dddd", 0, "Wednesday"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TextOrError([&] { return FormatValue(c.text, c.code, c.index, c.locale); }),
              c.expected)
        << "text \"" << c.text << "\", code \"" << c.code << "\", index " << c.index << ", locale "
        << c.locale.name;
}

TEST(QuoteText, DoublesInnerQuotesAndCountsSixteenBitCharacters) {
  EXPECT_EQ(QuoteText(""), "\"\"");
  EXPECT_EQ(QuoteText("line\r\nbreak, \"hi\""), "\"line\r\nbreak, \"\"hi\"\"\"");
  const std::string longest(32767, 'a');
  EXPECT_EQ(QuoteText(longest).size(), 32769u);
  EXPECT_EQ(TextOrError([&] { return QuoteText(longest + "a"); }), "#6");
  EXPECT_EQ(TextOrError([&] { return FormatValue(longest + "\"", "text", 0, gb); }), "#6");
  // Characters, not bytes: 32767 two-byte characters fit.
  std::string accented;
  for (int i = 0; i < 32767; ++i) accented += "\xC3\xA9";
  EXPECT_EQ(QuoteText(accented).size(), accented.size() + 2);
}

}  // namespace
}  // namespace sheaver
