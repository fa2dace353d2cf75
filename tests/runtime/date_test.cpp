#include "runtime/date.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "runtime/convert.h"
#include "support/raised.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using test::TextOrError;

// "2024-01-31", or "2024-01-31 13:45:30" when it has a time of day.
std::string Show(const CivilDateTime& c) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                c.minute, c.second);
  return c.hour + c.minute + c.second == 0 ? std::string(buf, 10) : buf;
}

TEST(DateSerial, KnownDaysAndTheRangeEnds) {
  const struct {
    int y, m, d;
    double serial;
  } rows[] = {{1899, 12, 30, 0},    {1899, 12, 29, -1},    {1900, 3, 1, 61},
              {2024, 2, 29, 45351}, {100, 1, 1, kMinDate}, {9999, 12, 31, kMaxDate},
              {2024, 1, 31, 45322}, {2024, 4, 31, 45413}};  // 31 April rolls over to 1 May
  for (const auto& r : rows) {
    EXPECT_EQ(DateSerial(r.y, r.m, r.d), r.serial) << r.y << '-' << r.m << '-' << r.d;
    if (r.d <= 30 || r.m != 4) {
      EXPECT_EQ(Show(ToCivil(r.serial)), Show({r.y, r.m, r.d}));
    }
  }
  EXPECT_EQ(RaisedBy([] { DateSerial(99, 12, 31); }).number, err::kOverflow);
}

TEST(AddDays, CountsOnTheTimeLineAndOverflowsAtTheEnds) {
  EXPECT_EQ(AddDays(-1.25, 2), 1.25);                     // 29 Dec 06:00 + 2 days = 31 Dec 06:00
  EXPECT_EQ(AddDays(0.5, -1), -1.5);                      // 29 Dec 12:00
  EXPECT_EQ(AddDays(kMinDate - 0.5, 1), kMinDate + 0.5);  // 2 January 100, 12:00
  for (auto [date, days] : {std::pair{kMaxDate, 1.0}, {kMinDate, -1.0}, {kMinDate - 0.5, -1.0}})
    EXPECT_EQ(RaisedBy([&] { AddDays(date, days); }).number, err::kOverflow) << date << days;
}

// A date text and what it reads as ("" when it is not a date).
struct DateCase {
  const char* text;
  const char* expected;
};

void ExpectDates(const Locale& locale, std::span<const DateCase> cases) {
  for (const DateCase& c : cases) {
    auto date = ReadDate(c.text, locale);
    EXPECT_EQ(date ? Show(ToCivil(*date)) : "", c.expected)
        << '"' << c.text << "\" in " << locale.name;
  }
}

// clang-format off
TEST(ReadDate, DayFirstLocaleAndTextsThatAreNoDates) {
  const DateCase cases[] = {
      {"1/2/2024", "2024-02-01"},            {" 31-01-2024 ", "2024-01-31"},
      {"01/01/29", "2029-01-01"},            {"01/01/30", "1930-01-01"},
      {"01/01/0100", "0100-01-01"},          {"2024/1/31", "2024-01-31"},
      {"31-Jan-24", "2024-01-31"},           {"31st January, 2024", "2024-01-31"},
      {"Sept 5 2024", "2024-09-05"},         {"Wednesday, 31 January 2024", "2024-01-31"},
      {"13:45", "1899-12-30 13:45:00"},      {"0100-01-01 23:59:59", "0100-01-01 23:59:59"},
      {"3 PM", "1899-12-30 15:00:00"},       {"31/01/2024 1:45:30 PM", "2024-01-31 13:45:30"},
      {"31/01/2024 12:00 am", "2024-01-31"}, {"2024-01-31T08:30:00", "2024-01-31 08:30:00"},
  };
  ExpectDates(Locale::EnglishDayFirst(), cases);
  for (const char* text :
       {"12/31/1899", "29/02/2023", "01/01/0099", "31/01/2024 24:00", "13:45 PM", "31 Jan", "12.5",
        "31/01-2024", "31/01/2024 13:45 extra", "Fe 5 2024" /* too short */, ""})
    EXPECT_FALSE(ReadDate(text, Locale::EnglishDayFirst()).has_value()) << '"' << text << '"';
}

TEST(ReadDate, OtherLocalesOrdersAndNames) {
  const DateCase us[] = {
      {"01/31/2024 1:30:00 PM", "2024-01-31 13:30:00"}, {"1/2/2024", "2024-01-02"},
      {"31 Jan 2024", "2024-01-31"},                    {"31/01/2024", ""},  // never swapped
  };
  ExpectDates(Locale::EnglishMonthFirst(), us);
  const DateCase german[] = {
      {"3. M\xC3\xA4rz 2024", "2024-03-03"},
      {"Mittwoch, 31. Januar 2024 13:30", "2024-01-31 13:30:00"},
  };
  ExpectDates(Locale::German(), german);
  const DateCase french[] = {{"5 f\xC3\xA9vr. 2024", "2024-02-05"},
                             {"mardi 5 mars 2024", "2024-03-05"},
                             {"5 jui 2024", ""}};  // juin or juillet?
  ExpectDates(Locale::French(), french);
  EXPECT_EQ(RaisedBy([] { ParseDate("31/02/2024", Locale::EnglishDayFirst()); }).number,
            err::kTypeMismatch);
}
// clang-format on

TEST(DateToText, ReadsBackInEveryBuiltInLocale) {
  const DateValue values[] = {45322, 45322.5729166667, 0.75, kMinDate, kMaxDate, -1.25, 36525.25};
  for (const Locale& locale : {Locale::EnglishDayFirst(), Locale::EnglishMonthFirst(),
                               Locale::German(), Locale::French(), Locale::Fallback()}) {
    for (DateValue v : values) {
      std::string text = DateToText(v, locale);
      auto back = ReadDate(text, locale);
      ASSERT_TRUE(back.has_value()) << text << " in " << locale.name;
      EXPECT_EQ(Show(ToCivil(*back)), Show(ToCivil(v))) << text << " in " << locale.name;
    }
  }
}

}  // namespace
}  // namespace sheaver
