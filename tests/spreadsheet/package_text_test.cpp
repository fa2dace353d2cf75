// The escapes of .xlsx texts and the targets of defined names in .xlsx and .ods workbooks, for
// the cases the fixture and corpus workbooks do not hold. Numbers, dates, durations and cell
// names in part texts are checked through the readers (their cases of damage included).
#include "spreadsheet/package_text.h"

#include <gtest/gtest.h>

#include "checks.h"

namespace sheaver::xl {
namespace {

using testing::TargetText;

TEST(PackageText, DecodeEscapes) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"_x00e9_t_x00E9_", "\xC3\xA9t\xC3\xA9"},  // either case of hex digits
      {"_xD83D__xDE00_", "\xF0\x9F\x98\x80"},    // a surrogate pair: U+1F600
      {"_xD83D_x",
       "\xEF\xBF\xBD"
       "x"},                                                             // a lone high surrogate
      {"_x12_ _X0041_ _x00G1_ _x0041", "_x12_ _X0041_ _x00G1_ _x0041"},  // not escapes
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeEscapes(c.in), c.out) << c.in;
}

// Sheets 0 to 3 of a package workbook; sheet 2 is a chart.
std::vector<SheetInfo> Sheets() {
  std::vector<SheetInfo> sheets;
  for (const char* name : {"Sheet1", "My Sheet", "Chart1", "It's"}) {
    sheets.emplace_back().name = name;
    sheets.back().max_rows = kPackageMaxRows;
    sheets.back().max_cols = kPackageMaxCols;
  }
  sheets[2].kind = SheetKind::kChart;
  return sheets;
}

// The name targets of .xlsx workbooks (A1), and of .ods ones (cell range addresses, and
// expressions with a base cell on sheet 0).
TEST(PackageText, NameTargets) {
  enum Kind { kA1, kOdfRange, kOdfExpression };
  struct Case {
    Kind kind;
    const char* text;
    const char* expected;
  } cases[] = {
      {kA1, "sheet1!B3:A1", "0:0,0-2,1"},  // sheet names in any case, corners in any order
      {kA1, "'My Sheet'!$C:$C", "1:0,2-1048575,2"},
      {kA1, "'It''s'!$2:$3", "3:1,0-2,16383"},
      {kA1, "Sheet1!#REF!", "it refers to deleted cells (#REF!)"},
      {kA1, "[1]Sheet1!$A$1", "it refers to another workbook"},
      {kA1, "Sheet1:Sheet2!$A$1", "it spans several sheets"},
      {kA1, "(Sheet1!$A$1,'My Sheet'!$B$2)", "it refers to several areas"},
      {kA1, "Sheet1!$A$1:$B$2 Sheet1!$B$1:$C$3", "it is the intersection of areas"},
      {kA1, "{1,2}", "it is an array constant"},
      {kA1, "Chart1!$A$1", "it refers to sheet 'Chart1', which has no cells"},
      {kA1, "$A$1", "it refers to no sheet"},
      {kOdfRange, "$'My Sheet'.$B$2:.$A$1", "1:0,0-1,1"},
      {kOdfRange, "$Sheet1.$B:.$C", "0:0,1-1048575,2"},
      {kOdfRange, ".A1", "it refers to no sheet"},
      {kOdfRange, "$Sheet1.$A$1:$'My Sheet'.$B$2", "it spans several sheets"},
      {kOdfRange, "$Sheet1.$A$0", "it is a formula"},
      {kOdfExpression, "of:=[$'My Sheet'.$A$1:.$B$2]", "1:0,0-1,1"},
      {kOdfExpression, "[.B2]", "0:1,1-1,1"},  // no sheet: the base cell's
      {kOdfExpression, "msoxl:=Sheet1!$A$1:$A$3", "0:0,0-2,0"},
      {kOdfExpression, "of:=$$FIRST*$$SECOND", "it is a formula"},
      {kOdfExpression, "of:=[.A1]~[.B2]", "it refers to several areas"},
  };
  auto sheets = Sheets();
  for (const Case& c : cases) {
    const NameTarget t = c.kind == kA1         ? ResolveA1Target(c.text, sheets)
                         : c.kind == kOdfRange ? ResolveOdfRange(c.text, sheets, -1)
                                               : ResolveOdfExpression(c.text, sheets, 0);
    EXPECT_EQ(TargetText(t), c.expected) << c.text;
  }
}

}  // namespace
}  // namespace sheaver::xl

namespace sheaver::xl {
namespace {

TEST(PackageText, CellNamesInEitherCase) {
  const std::tuple<const char*, bool, std::uint32_t, std::uint32_t> cases[] = {
      {"A1", true, 0, 0},     {"a1", true, 0, 0},     {"xfd1048576", true, 1048575, 16383},
      {"Bc12", true, 11, 54}, {"XFE1", false, 0, 0},  {"a0", false, 0, 0},
      {"1a", false, 0, 0},    {"abcd1", false, 0, 0}, {"a1b", false, 0, 0},
  };
  for (const auto& [text, ok, row, col] : cases) {
    std::uint32_t r = 99, c = 99;
    EXPECT_EQ(ParseCellName(text, r, c), ok) << text;
    if (ok) EXPECT_EQ(std::pair(r, c), std::pair(row, col)) << text;
  }
}

}  // namespace
}  // namespace sheaver::xl
