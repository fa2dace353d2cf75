#include "gridmend/format_choices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sheaver {
namespace {

TEST(FormatChoices, OfferEveryFixedCodeWithWhatARunWritesForIt) {
  struct Expected {
    const char* code;
    const char* example;
  };
  const Expected day_first[] = {
      {"text", "\"Smith\""},
      {"0", "1235"},
      {"0.0", "1234.6"},
      {"0.00", "1234.57"},
      {"0.000", "1234.568"},
      {"dmy", "31/01/2024"},
      {"mdy", "01/31/2024"},
      {"ymd", "20240131"},
      {"+0", "1235, 1236, 1237"},
      {"+0.0", "1234.6, 1235.6, 1236.6"},
      {"+0.00", "1234.57, 1235.57, 1236.57"},
      {"+0.000", "1234.568, 1235.568, 1236.568"},
      {"+dmy", "31/01/2024, 01/02/2024, 02/02/2024"},
      {"+mdy", "01/31/2024, 02/01/2024, 02/02/2024"},
      {"+ymd", "20240131, 20240201, 20240202"},
  };
  const std::vector<FormatChoice> choices = FormatChoices(Locale::EnglishDayFirst());
  ASSERT_EQ(choices.size(), std::size(day_first));
  for (std::size_t i = 0; i < choices.size(); ++i) {
    EXPECT_EQ(choices[i].code, day_first[i].code);
    EXPECT_EQ(choices[i].example, day_first[i].example) << choices[i].code;
    EXPECT_FALSE(choices[i].meaning.empty()) << choices[i].code;
  }

  // The examples follow the locale, as a run's output does.
  const std::vector<FormatChoice> german = FormatChoices(Locale::German());
  EXPECT_EQ(german[3].example, "1234,57");
  EXPECT_EQ(german[5].example, "31.01.2024");
  EXPECT_EQ(german[7].example, "20240131");
}

TEST(FormatChoices, DescribeAnyCodeTheWayTheExtractionReadsIt) {
  struct Case {
    std::string code;
    std::string description;
  };
  const Case cases[] = {
      {"0.00", "number, 2 decimals: 1234.5678 \u2192 1234.57"},
      {"DMY", "date, day month year: 31/01/2024 \u2192 31/01/2024"},
      {"+dmy",
       "date, day month year, + 1 day per record: 31/01/2024 \u2192 31/01/2024, "
       "01/02/2024, 02/02/2024"},
      {"+0", "whole number, + record number: 1234.5678 \u2192 1235, 1236, 1237"},
      {"+text", "text, in double quotes: Smith \u2192 \"Smith\""},  // the "+" changes nothing
      {"", "no code: the cell text as it stands, without quotes"},
      // A blank around a fixed code makes it a pattern of its own.
      {" dmy",
       "pattern: 1234.5678 \u2192  18503; 31/01/2024 \u2192  31124 (not the code dmy: "
       "the spaces count)"},
      {"+0.00 ",
       "pattern: 1234.5678 \u2192 1234.57 ; 31/01/2024 \u2192 45322.00  (not the code "
       "+0.00: the spaces count)"},
      {"#,##0.0",
       "pattern: 1234.5678 \u2192 1,234.6; 31/01/2024 \u2192 45,322.0; beware: a "
       "comma splits the value into two fields of the data file"},
      {"dd mmm yyyy", "pattern: 1234.5678 \u2192 18 May 1903; 31/01/2024 \u2192 31 Jan 2024"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DescribeFormat(c.code, Locale::EnglishDayFirst()), c.description) << c.code;

  // A locale whose decimal separator is a comma splits number fields too.
  EXPECT_EQ(DescribeFormat("0.0", Locale::German()),
            "number, 1 decimal: 1234,5678 \u2192 1234,6; beware: a comma splits the value into "
            "two fields of the data file");
  EXPECT_EQ(DescribeFormat("dmy", Locale::German()),
            "date, day month year: 31.01.2024 \u2192 31.01.2024");

  // A code that fails shows the failure in place of the result.
  const std::string tooLong = DescribeFormat(std::string(40000, '0'), Locale::EnglishDayFirst());
  EXPECT_NE(tooLong.find("\u2192 (Overflow"), std::string::npos) << tooLong.substr(0, 200);
}

}  // namespace
}  // namespace sheaver
