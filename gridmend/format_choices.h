// The format codes offered for a form type's Format column, and what each one writes. Every
// example is FormatValue's own result on a sample cell text, so it is always what a run writes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/locale.h"

namespace sheaver {

// The cell texts the examples start from, as cells give them in the locale: the number
// 1234.5678, the date 31 January 2024 and the text Smith.
struct FormatSamples {
  std::string number;
  std::string date;
  std::string text;
};
FormatSamples SamplesFor(const Locale& locale = CurrentLocale());

struct FormatChoice {
  std::string code;     // "0.00", "+dmy"
  std::string meaning;  // "number, 2 decimals", "date dd/mm/yyyy, + 1 day per record"
  // FormatValue of the sample for the code's kind: "1234.57"; for a "+" code the first three
  // records, joined by ", ".
  std::string example;
};

// The fixed codes in order: text, 0, 0.0, 0.00, 0.000, dmy, mdy, ymd, then the same numbers and
// dates with "+" (a "+" in front of text changes nothing, so "+text" is not offered).
std::vector<FormatChoice> FormatChoices(const Locale& locale = CurrentLocale());

// One line telling what a code writes: a fixed code (any letter case, one "+" allowed) gives its
// meaning and example; the empty code says that the cell text is written as it stands; any other
// code is a free pattern, shown with its results on the sample number and date. A code that
// fails on a sample shows the error's description in place of that result.
std::string DescribeFormat(std::string_view code, const Locale& locale = CurrentLocale());

}  // namespace sheaver
