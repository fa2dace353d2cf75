// The format codes Gridmend offers and the line that says what a code writes. The values come
// from the extraction's own formatting (tested with it); these check what the editor adds: the
// "+" codes' records, the locale, fixed codes against patterns, and the comma warning.
#include "gridmend/format_choices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sheaver {
namespace {

TEST(FormatChoices, DescribeAnyCodeTheWayTheExtractionReadsIt) {
  struct Case {
    std::string code;
    std::string description;
  };
  const Locale english = Locale::EnglishDayFirst();
  const Case cases[] = {
      {"+DMY",
       "date, day month year, + 1 day per record: 31/01/2024 \u2192 31/01/2024, "
       "01/02/2024, 02/02/2024"},
      {"+text", "text, in double quotes: Smith \u2192 \"Smith\""},  // the "+" changes nothing
      // A blank around a fixed code makes it a pattern of its own.
      {" dmy",
       "pattern: 1234.5678 \u2192  18503; 31/01/2024 \u2192  31124 (not the code dmy: "
       "the spaces count)"},
      {"#,##0.0",
       "pattern: 1234.5678 \u2192 1,234.6; 31/01/2024 \u2192 45,322.0; in double "
       "quotes where the data file separates with commas"},
      {"+iso",
       "date, yyyy-mm-dd (and the time), + 1 day per record: 31/01/2024 \u2192 2024-01-31, "
       "2024-02-01, 2024-02-02"},
  };
  for (const Case& c : cases) EXPECT_EQ(DescribeFormat(c.code, english), c.description) << c.code;

  // A locale whose decimal separator is a comma splits number fields too.
  EXPECT_EQ(FormatChoices(Locale::German())[3].example, "1234,57");
  EXPECT_EQ(DescribeFormat("0.0", Locale::German()),
            "number, 1 decimal: 1234,5678 \u2192 1234,6; in double quotes where the data file "
            "separates with commas");
  // A code that fails shows the failure in place of the result.
  const std::string tooLong = DescribeFormat(std::string(40000, '0'), english);
  EXPECT_NE(tooLong.find("\u2192 (Overflow"), std::string::npos) << tooLong.substr(0, 200);
}

}  // namespace
}  // namespace sheaver
