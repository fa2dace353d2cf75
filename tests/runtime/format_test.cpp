#include "runtime/format.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "support/raised.h"

namespace sheaver {
namespace {

using test::TextOrError;

struct Case {
  const char* text;
  const char* pattern;
  const char* expected;  // for an error: "#" and the error number
};

const Locale kGB = Locale::EnglishDayFirst();
const Locale kUS = Locale::EnglishMonthFirst();
const Locale kDE = Locale::German();
const Locale kFR = Locale::French();

void ExpectAll(const Locale& locale, std::span<const Case> cases) {
  for (const Case& c : cases)
    EXPECT_EQ(TextOrError([&] { return FormatCellText(c.text, c.pattern, locale); }), c.expected)
        << "text \"" << c.text << "\", pattern \"" << c.pattern << "\", locale " << locale.name;
}

TEST(FormatNumbers, DigitPlaceholdersAndRounding) {
  const Case cases[] = {
      {"123", "00000", "00123"},
      {"123", "?????", "  123"},
      {"0.5", "#.##", ".5"},
      {"2", "0.##", "2."},
      {"2.15", "0.0#", "2.15"},
      {"2.1", "0.0??", "2.1  "},
      // Halves away from zero on the digits as written; a negative value that rounds to zero
      // in its section is zero.
      {"1.005", "0.00", "1.01"},   // 1.005 as a double is just below the half
      {"9.995", "0.00", "10.00"},  // carry into a new digit
      {"99999.95", "#,##0.0", "100,000.0"},
      {"-0.004", "0.00;(0.00)", "0.00"},
      {"-0.004", "0.00;(0.00);\"nil\"", "nil"},
      {"-0.4", "#", ""},
  };
  ExpectAll(kGB, cases);
}

TEST(FormatNumbers, GroupingScalingPercentAndExponent) {
  const Case cases[] = {
      {"-1234", "#,##0", "-1,234"},      {"1E+20", "#,##0", "100,000,000,000,000,000,000"},
      {"12345678", "#,##0,", "12,346"},  // one trailing comma: thousands
      {"12345678", "0.0,,", "12.3"},     // two: millions
      {"15%", "0.00%", "15.00%"},        // a percent text reads as its value
      {"12345", "0.00E-00", "1.23E04"},  {"0.000123", "0.0E+0", "1.2E-4"},
      {"9.995", "0.00E+00", "1.00E+01"},  // rounding carries into the exponent
      {"12345", "##0.0E+0", "12.3E+3"},   // engineering: exponent a multiple of three
      {"1E+300", "0E+0", "1E+300"},
  };
  ExpectAll(kGB, cases);
  const Case german[] = {{"1234567,891", "#,##0.00", "1.234.567,89"}};
  ExpectAll(kDE, german);
  const Case french[] = {{"1234567,5", "#,##0.00", "1 234 567,50"}};
  ExpectAll(kFR, french);
}

TEST(FormatNumbers, SectionsAndLiterals) {
  const Case cases[] = {
      {"-5", "0.00;(0.00)", "(5.00)"},  // no minus in the negative section
      {"-5", "0.00;-0.00", "-5.00"},    // unless the section has one
      {"0", "0.00;(0.00);\"zero\"", "zero"},
      {"-5", "0.00;;\"zero\"", "-5.00"},  // an empty section stands for the first
      {"-1.5", "$#,##0.00_);[Red]($#,##0.00)", "($1.50)"},
      {"abc", "0.00;(0.00);0;\"text: \"@", "text: abc"},
      {"5", "\\#0", "#5"},
      {"5", "0 \"h\\\"", "5 h\\"},  // inside quotes a backslash is plain text
      {"5", "\"open", "open"},      // an unclosed quote runs to the end
      {"5", "abc", "abc"},          // a section without placeholders shows only its literals
      {"1234.5", "General \"kg\"", "1234.5 kg"},
  };
  ExpectAll(kGB, cases);
}

TEST(FormatDates, Parts) {
  // Wednesday 31 January 2024, 13:05:09
  const Case cases[] = {
      {"05/03/2024", "d-m-yy", "5-3-24"},
      {"31/01/2024", "ddd dddd mmm mmmm", "Wed Wednesday Jan January"},
      {"01/01/0100", "yyyy", "0100"},
      {"45322.5", "dd/mm/yyyy hh:mm", "31/01/2024 12:00"},  // a number is a day count
      {"31/01/2024 13:05:09", "hh \"h\" mm", "13 h 05"},    // minutes right after the hour
      {"31/01/2024 13:05:09", "mm:ss", "05:09"},            // and right before seconds
      {"31/01/2024 13:05:09", "mm/dd hh", "01/31 13"},      // before the hour: month
      {"31/01/2024 13:05:09", "hh mmm", "13 Jan"},          // names are always months
      {"13:45", "h:mm am/pm", "1:45 pm"},
      {"00:05", "h:mm A/P", "12:05 A"},
      {"11:59:59", "h:mm:ss AMPM", "11:59:59 AM"},
  };
  ExpectAll(kGB, cases);
  const Case german[] = {{"31.01.2024", "dddd, d. mmmm yyyy", "Mittwoch, 31. Januar 2024"},
                         {"31.01.2024", "dd/mm/yyyy", "31.01.2024"}};  // "/": the separator
  ExpectAll(kDE, german);
  const Case month_first[] = {{"01/31/2024", "dd/mm/yyyy", "31/01/2024"}};
  ExpectAll(kUS, month_first);
}

TEST(FormatTexts, PlaceholdersFillFromTheRightByDefault) {
  const Case cases[] = {
      {"abc", "@@@@@", "  abc"},
      {"abcdefg", "@@-@", "abcdef-g"},   // extra characters before the first
      {"abcdefg", "!@@-@", "ab-cdefg"},  // or, filling from the left, after the last
      {"4567890", "(@@@) @@@-@@@@", "(   ) 456-7890"},
      {"Hello", "<", "hello"},
      {"\xC3\xA9t\xC3\xA9", ">@@@@", " \xC3\x89T\xC3\x89"},  // one placeholder per character
      {"abc", "0.00", "abc"},        // no text section: the text stays as it is
      {"12.5", "@@@@@@", "  12.5"},  // a number in a text section keeps its text
  };
  ExpectAll(kGB, cases);
}

TEST(FormatCellText, ReadsNumbersAndDatesInTheLocale) {
  const Case cases[] = {
      {"", "0.00", ""},
      {" 12.5 ", "0.00", "12.50"},
      {"1,234.5", "0.00", "1234.50"},  // a whole-text number may be grouped
      {"1,2", "0.00", "1,2"},          // badly grouped: a text
      {"1e999", "0", "1e999"},         // beyond any number: a text
      {"2024-01-31", "0", "45322"},
  };
  ExpectAll(kGB, cases);
  const Case german[] = {{"1.234,5", "0.00", "1234,50"},
                         {"12.5", "0.00", "12,50"}};  // "." still reads as a point
  ExpectAll(kDE, german);
}

TEST(FormatLimits, LongPatternsAndResultsOverflow) {
  const std::string zeros(kMaxFormatLength, '0'), text(kMaxFormatLength, 'x');
  const std::string longer = zeros + "0", percents = std::string(20000, '%') + "0";
  const std::string commas = "0" + std::string(10000, ',');
  EXPECT_EQ(FormatCellText("5", zeros, kGB).size(), kMaxFormatLength);
  EXPECT_EQ(FormatCellText(text, "@", kGB), text);
  const Case cases[] = {
      {"5", longer.c_str(), "#6"},
      {"5", percents.c_str(), "#6"},
      {text.c_str(), "@-@", "#6"},
      {"123456", commas.c_str(), "0"},  // scaled to nothing
  };
  ExpectAll(kGB, cases);
  // A number beyond the dates under a date pattern.
  EXPECT_EQ(TextOrError([] { return FormatNumber(Decimal::FromDouble(1e10), "dd/mm/yyyy", kGB); }),
            "#6");
}

}  // namespace
}  // namespace sheaver
