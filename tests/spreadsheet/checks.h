// What the spreadsheet tests compare: the error a piece of code raises, where a defined name
// points, and cell values and areas, each as something that EXPECT_EQ can print.
#pragma once

#include <cctype>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/error.h"
#include "spreadsheet/model.h"

namespace sheaver::xl {

// How GoogleTest prints a value: its kind and contents, "Number(7.5)", "Text(\"a\")".
inline void PrintTo(const Value& v, std::ostream* os) {
  static const char* const kKinds[] = {"Empty", "Number", "Date", "Text", "Boolean", "Error"};
  *os << kKinds[static_cast<int>(v.kind)] << "(";
  if (v.kind == Value::Kind::kText || v.kind == Value::Kind::kError) *os << '"' << v.text << '"';
  if (v.kind == Value::Kind::kNumber || v.kind == Value::Kind::kDate ||
      v.kind == Value::Kind::kBoolean)
    *os << v.number;
  *os << ")";
}
inline void PrintTo(const Area& a, std::ostream* os) {
  *os << "rows " << a.first_row << "-" << a.last_row << ", cols " << a.first_col << "-"
      << a.last_col;
}

}  // namespace sheaver::xl

namespace sheaver::xl::testing {

// The number and description of the Error that f raises; {0, ""} when it raises none.
template <class F>
std::pair<int, std::string> ErrorOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return {e.Number(), e.Description()};
  }
  return {0, ""};
}

// "sheet:first_row,first_col-last_row,last_col" (all from 0) for a range; the reason otherwise.
inline std::string TargetText(const NameTarget& t) {
  if (!t.is_range) return t.reason;
  return std::to_string(t.sheet) + ":" + std::to_string(t.area.first_row) + "," +
         std::to_string(t.area.first_col) + "-" + std::to_string(t.area.last_row) + "," +
         std::to_string(t.area.last_col);
}

// A text as a GoogleTest case name: letters and digits kept, anything else '_'.
inline std::string TestName(std::string_view text) {
  std::string name;
  for (char c : text) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

// Each name of a workbook as "full_name [builtin] [hidden] scope target", in workbook order.
inline std::vector<std::string> NamesText(const WorkbookModel& book) {
  std::vector<std::string> out;
  for (const NameInfo& n : book.names)
    out.push_back(n.full_name + (n.builtin ? " builtin" : "") + (n.hidden ? " hidden" : "") + " " +
                  std::to_string(n.scope_sheet) + " " + TargetText(n.target));
  return out;
}

// The values of columns 0 .. count-1 of one row.
inline std::vector<Value> RowValues(WorkbookModel& book, std::size_t sheet, std::uint32_t row,
                                    std::uint32_t count) {
  std::vector<Value> out;
  for (std::uint32_t col = 0; col < count; ++col) out.push_back(book.CellValue(sheet, row, col));
  return out;
}

}  // namespace sheaver::xl::testing
