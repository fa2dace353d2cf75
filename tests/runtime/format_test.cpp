#include "runtime/format.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "runtime/error.h"

namespace sheaver {
namespace {

struct Case {
  const char* text;
  const char* pattern;
  const char* expected;
};

int ErrorNumberOf(auto&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

// Each table runs in the English day-first locale unless it says otherwise.
void ExpectAll(const Locale& locale, std::span<const Case> cases) {
  for (const Case& c : cases)
    EXPECT_EQ(FormatCellText(c.text, c.pattern, locale), c.expected)
        << "text \"" << c.text << "\", pattern \"" << c.pattern << "\", locale " << locale.name;
}

const Locale kGB = Locale::EnglishDayFirst();
const Locale kUS = Locale::EnglishMonthFirst();
const Locale kDE = Locale::German();

TEST(FormatDigits, ZeroHashAndQuestionPlaceholders) {
  const Case cases[] = {
      {"123", "00000", "00123"},
      {"123", "#####", "123"},
      {"123", "?????", "  123"},
      {"123456", "00", "123456"},  // more digits than placeholders: all shown
      {"0", "#", ""},
      {"0", "0", "0"},
      {"0.5", "#.##", ".5"},
      {"0.5", "0.##", "0.5"},
      {"2", "0.##", "2."},
      {"2.1", "0.0#", "2.1"},
      {"2.15", "0.0#", "2.15"},
      {"2.125", "0.0?", "2.13"},
      {"2.1", "0.0??", "2.1  "},
      {"12.5", ".00", "12.50"},  // integer digits stand before the point without placeholders
      {"123", "0000-00", "0001-23"},
      {"5551234", "000-0000", "555-1234"},
  };
  ExpectAll(kGB, cases);
}

TEST(FormatRounding, HalvesAwayFromZeroOnTheDigitsAsWritten) {
  const Case cases[] = {
      {"0.125", "0.00", "0.13"},
      {"1.005", "0.00", "1.01"},  // 1.005 as a double is just below the half
      {"2.675", "0.00", "2.68"},
      {"2.5", "0", "3"},
      {"3.5", "0", "4"},
      {"-2.5", "0", "-3"},
      {"0.5", "0", "1"},
      {"0.4999999", "0", "0"},
      {"9.995", "0.00", "10.00"},  // carry into a new digit
      {"999.9", "#,##0", "1,000"},
      {"99999.95", "#,##0.0", "100,000.0"},
      {"1E-10", "0.00", "0.00"},
      {"1.23456789012345678901", "0.000000000000000000", "1.234567890123456789"},
  };
  ExpectAll(kGB, cases);
}

TEST(FormatRounding, NegativeValueThatRoundsToZeroShowsAsZero) {
  const Case cases[] = {
      {"-0.001", "0.00", "0.00"},
      {"-0.004", "0.00;(0.00)", "0.00"},
      {"-0.004", "0.00;(0.00);\"nil\"", "nil"},
      {"0.004", "0.00;(0.00);\"nil\"", "nil"},
      {"-0.4", "0", "0"},
      {"-0.4", "#", ""},
      {"-0.006", "0.00", "-0.01"},
  };
  ExpectAll(kGB, cases);
}

TEST(FormatThousands, GroupsAndScales) {
  const Case cases[] = {
      {"1234567.891", "#,##0.00", "1,234,567.89"},
      {"123456789", "#,#", "123,456,789"},
      {"999", "#,##0", "999"},
      {"1000", "#,##0", "1,000"},
      {"-1234", "#,##0", "-1,234"},
      {"5", "0,000", "0,005"},
      {"1E+20", "#,##0", "100,000,000,000,000,000,000"},
      {"12345678", "#,##0,", "12,346"},  // one trailing comma: thousands
      {"12345678", "0.0,,", "12.3"},     // two: millions
      {"1234", "0,", "1"},
      {"1234", "\"x\",0", "x,1234"},  // a comma before any placeholder is literal
  };
  ExpectAll(kGB, cases);
  const Case german[] = {
      {"1234567,891", "#,##0.00", "1.234.567,89"},
      {"1234,5", "0.0", "1234,5"},
  };
  ExpectAll(kDE, german);
  Locale fr = Locale::French();
  const Case french[] = {{"1234567,5", "#,##0.00", "1 234 567,50"}};
  ExpectAll(fr, french);
}

TEST(FormatPercentAndScientific, ScaleAndExponent) {
  const Case cases[] = {
      {"0.5", "0%", "50%"},
      {"0.1234", "0.0%", "12.3%"},
      {"15%", "0.00%", "15.00%"},  // a percent text reads as its value
      {"12345", "0.00E+00", "1.23E+04"},
      {"12345", "0.00E-00", "1.23E04"},
      {"0.000123", "0.0E-0", "1.2E-4"},
      {"0.000123", "0.0E+0", "1.2E-4"},
      {"9.995", "0.00E+00", "1.00E+01"},  // rounding carries into the exponent
      {"0", "0.00E+00", "0.00E+00"},
      {"12345", "00.0E+0", "12.3E+3"},
      {"12345", "##0.0E+0", "12.3E+3"},  // engineering: exponent a multiple of three
      {"123456", "##0.0E+0", "123.5E+3"},
      {"1234567", "##0.0E+0", "1.2E+6"},
      {"-12345", "0.0e+00", "-1.2e+04"},
      {"1E+300", "0E+0", "1E+300"},
  };
  ExpectAll(kGB, cases);
}

TEST(FormatSections, PositiveNegativeZero) {
  const Case cases[] = {
      {"5", "0.00;(0.00)", "5.00"},
      {"-5", "0.00;(0.00)", "(5.00)"},  // no minus in the negative section
      {"-5", "0.00;-0.00", "-5.00"},    // unless the section has one
      {"-5", "0.00;\"minus \"0", "minus 5"},
      {"0", "0.00;(0.00);\"zero\"", "zero"},
      {"0", "0.00;(0.00)", "0.00"},       // zero takes the first of two sections
      {"-5", "0.00;;\"zero\"", "-5.00"},  // an empty section stands for the first
      {"0", "0.00;(0.00);", "0.00"},
      {"-1.5", "$#,##0.00_);[Red]($#,##0.00)", "($1.50)"},
      {"1.5", "$#,##0.00_);[Red]($#,##0.00)", "$1.50 "},
      {"abc", "0.00;(0.00);0;\"text: \"@", "text: abc"},
  };
  ExpectAll(kGB, cases);
}

TEST(FormatLiterals, QuotedEscapedAndPlain) {
  const Case cases[] = {
      {"1234.5", "#,##0.00 \"EUR\"", "1,234.50 EUR"},
      {"5", "\\#0", "#5"},
      {"5", "\"0\"0", "05"},
      {"5", "$0", "$5"},
      {"5", "+0-", "+5-"},
      {"5", "(0)", "(5)"},
      {"5", "0 \"h\\\"", "5 h\\"},  // inside quotes a backslash is plain text
      {"5", "\"open", "open"},      // an unclosed quote runs to the end
      {"5", "0_)", "5 "},
      {"5", "*-0", "5"},
      {"5", "[Blue]0", "5"},
      {"5", "abc", "abc"},  // a section without placeholders shows only its literals
      {"5", "0 \xC3\xA9t\xC3\xA9", "5 \xC3\xA9t\xC3\xA9"},
      {"-5", "General", "-5"},
      {"1234.5", "General \"kg\"", "1234.5 kg"},
  };
  ExpectAll(kGB, cases);
}

TEST(FormatDates, DayMonthYearParts) {
  // Wednesday 31 January 2024, 13:45:30
  const Case cases[] = {
      {"31/01/2024", "d/m/yy", "31/1/24"},
      {"05/03/2024", "d-m-yy", "5-3-24"},
      {"05/03/2024", "dd.mm.yyyy", "05.03.2024"},
      {"31/01/2024", "ddd dddd", "Wed Wednesday"},
      {"31/01/2024", "mmm mmmm", "Jan January"},
      {"31/01/2024", "yyyymmdd", "20240131"},
      {"31/01/2024", "DD/MM/YYYY", "31/01/2024"},  // letters in any case
      {"31/01/2024", "d \"of\" mmmm", "31 of January"},
      {"01/01/0100", "yyyy", "0100"},
      {"31/01/2024", "y", "24"},
      {"45322", "dd/mm/yyyy", "31/01/2024"},  // a number is a day count
      {"45322.5", "dd/mm/yyyy hh:mm", "31/01/2024 12:00"},
  };
  ExpectAll(kGB, cases);
  const Case german[] = {{"31.01.2024", "dddd, d. mmmm yyyy", "Mittwoch, 31. Januar 2024"},
                         {"31.01.2024", "dd/mm/yyyy", "31.01.2024"}};
  ExpectAll(kDE, german);  // "/" is the date separator
  const Case month_first[] = {{"01/31/2024", "dd/mm/yyyy", "31/01/2024"}};
  ExpectAll(kUS, month_first);
}

TEST(FormatDates, MinutesVersusMonths) {
  const Case cases[] = {
      {"31/01/2024 13:05:09", "h:m", "13:5"},
      {"31/01/2024 13:05:09", "hh:mm", "13:05"},
      {"31/01/2024 13:05:09", "hh \"h\" mm", "13 h 05"},  // still right after the hour
      {"31/01/2024 13:05:09", "mm:ss", "05:09"},          // right before seconds
      {"31/01/2024 13:05:09", "hh:nn:ss", "13:05:09"},
      {"31/01/2024 13:05:09", "mm/dd hh", "01/31 13"},  // before the hour: month
      {"31/01/2024 13:05:09", "hh mmm", "13 Jan"},      // names are always months
      {"31/01/2024 13:05:09", "mm", "01"},
      {"31/01/2024 13:05:09", "yyyy-mm-dd hh:mm:ss", "2024-01-31 13:05:09"},
  };
  ExpectAll(kGB, cases);
}

TEST(FormatDates, TwelveHourClock) {
  const Case cases[] = {
      {"13:45", "h:mm AM/PM", "1:45 PM"},
      {"13:45", "h:mm am/pm", "1:45 pm"},
      {"00:05", "h:mm A/P", "12:05 A"},
      {"12:05", "hh:mm a/p", "12:05 p"},
      {"11:59:59", "h:mm:ss AMPM", "11:59:59 AM"},
      {"23:00", "hh", "23"},
  };
  ExpectAll(kGB, cases);
}

TEST(FormatTexts, PlaceholdersFillFromTheRightByDefault) {
  const Case cases[] = {
      {"abc", "@@@@@", "  abc"},
      {"abc", "&&&&&", "abc"},
      {"abc", "!@@@@@", "abc  "},
      {"abcdefg", "@@@", "abcdefg"},     // longer than the placeholders: all shown
      {"abcdefg", "@@-@", "abcdef-g"},   // extra characters before the first
      {"abcdefg", "!@@-@", "ab-cdefg"},  // or, filling from the left, after the last
      {"1234567890", "(@@@) @@@-@@@@", "(123) 456-7890"},
      {"4567890", "(@@@) @@@-@@@@", "(   ) 456-7890"},
      {"4567890", "(&&&) &&&-&&&&", "() 456-7890"},
      {"Hello", ">", "HELLO"},
      {"Hello", "<", "hello"},
      {"Hello", ">@@@@@@@", "  HELLO"},
      {"\xC3\xA9t\xC3\xA9", ">@@@@", " \xC3\x89T\xC3\x89"},  // one placeholder per character
      {"", "@@@", "   "},
      {"abc", "\"<\"@\">\"", "<abc>"},
      {"abc", "0.00", "abc"},  // no text section: the text stays as it is
      {"abc", "dd/mm/yyyy", "abc"},
      {"12.5", "@@@@@@", "  12.5"},  // a number in a text section keeps its text
  };
  ExpectAll(kGB, cases);
}

TEST(FormatCellText, ReadsNumbersAndDatesInTheLocale) {
  const Case cases[] = {
      {"", "0.00", ""},
      {"", "", ""},
      {" 12.5 ", "0.00", "12.50"},
      {"1,234.5", "0.00", "1234.50"},  // a whole-text number may be grouped
      {"1,2", "0.00", "1,2"},          // badly grouped: a text
      {"12 apples", "0.00", "12 apples"},
      {"1e3", "0", "1000"},
      {"&H10", "0", "16"},
      {"1e999", "0", "1e999"},  // beyond any number: a text
      {"2024-01-31", "0", "45322"},
      {"abc", "", "abc"},
  };
  ExpectAll(kGB, cases);
  const Case german[] = {
      {"12,5", "0.00", "12,50"},
      {"1.234,5", "0.00", "1234,50"},
      {"12.5", "0.00", "12,50"},  // "." still reads as a point
  };
  ExpectAll(kDE, german);
}

TEST(FormatLimits, LongPatternsAndResultsOverflow) {
  std::string zeros(kMaxFormatLength, '0');
  EXPECT_EQ(FormatCellText("5", zeros, kGB).size(), kMaxFormatLength);
  EXPECT_EQ(ErrorNumberOf([&] { FormatCellText("5", zeros + "0", kGB); }), err::kOverflow);
  EXPECT_EQ(ErrorNumberOf([&] { FormatCellText("5", std::string(20000, '%') + "0", kGB); }),
            err::kOverflow);
  std::string text(kMaxFormatLength, 'x');
  EXPECT_EQ(FormatCellText(text, "@", kGB), text);
  EXPECT_EQ(ErrorNumberOf([&] { FormatCellText(text, "@-@", kGB); }), err::kOverflow);
  // Ten thousand scaling commas leave nothing of any number.
  EXPECT_EQ(FormatCellText("123456", "0" + std::string(10000, ','), kGB), "0");
}

TEST(FormatDirect, NumbersAndDatesWithoutText) {
  EXPECT_EQ(FormatNumber(Decimal::FromDouble(-1234.5), "#,##0.0", kDE), "-1.234,5");
  EXPECT_EQ(FormatNumber(Decimal::FromDouble(0.5), "@@@@", kGB), " 0.5");
  EXPECT_EQ(FormatDate(DateSerial(2024, 2, 29), "dddd", kGB), "Thursday");
  EXPECT_EQ(FormatDate(DateSerial(2024, 1, 31) + 0.5, "0.00", kGB), "45322.50");
  EXPECT_EQ(ErrorNumberOf([] { FormatNumber(Decimal::FromDouble(1e10), "dd/mm/yyyy", kGB); }),
            err::kOverflow);
}

}  // namespace
}  // namespace sheaver
