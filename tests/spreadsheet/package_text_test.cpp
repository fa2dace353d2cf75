// The small texts of .xlsx and .ods parts: escapes, numbers, dates, durations, cell names,
// elapsed-time formats and the targets of defined names.
#include "spreadsheet/package_text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "spreadsheet/number_format.h"

namespace sheaver::xl {
namespace {

TEST(PackageText, DecodeEscapes) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"plain", "plain"},
      {"a_x000D_b", "a\rb"},
      {"_x0009__x000A_", "\t\n"},
      {"_x00e9_t_x00E9_", "\xC3\xA9t\xC3\xA9"},  // either case of hex digits
      {"_x005F_x0041_", "_x0041_"},              // an escaped underscore
      {"_xD83D__xDE00_", "\xF0\x9F\x98\x80"},    // a surrogate pair: U+1F600
      {"_xD83D_x",
       "\xEF\xBF\xBD"
       "x"},                                                             // a lone high surrogate
      {"_xDE00_", "\xEF\xBF\xBD"},                                       // a lone low surrogate
      {"_x12_ _X0041_ _x00G1_ _x0041", "_x12_ _X0041_ _x00G1_ _x0041"},  // not escapes
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeEscapes(c.in), c.out) << c.in;
}

TEST(PackageText, ParseXmlNumber) {
  struct Case {
    const char* in;
    std::optional<double> out;
  } cases[] = {
      {"12", 12.0},
      {" 7\n", 7.0},
      {"-1.5E-3", -0.0015},
      {"+3", 3.0},
      {".5", 0.5},
      {"1e308", 1e308},
      {"", std::nullopt},
      {"1,5", std::nullopt},
      {"inf", std::nullopt},
      {"-nan", std::nullopt},
      {"1e400", std::nullopt},
      {"12abc", std::nullopt},
      {"--1", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseXmlNumber(c.in), c.out) << c.in;
}

TEST(PackageText, ParseIsoDateTime) {
  struct Case {
    const char* in;
    std::optional<double> serial;
  } cases[] = {
      {"2024-01-31", 45322.0},
      {"2024-01-31T06:00:00", 45322.25},
      {"2024-01-31T18:00:00.5Z", 45322.75 + 0.5 / 86400},
      {"2024-01-31 12:00", 45322.5},
      {"2024-01-31+01:00", 45322.0},  // a time zone is ignored
      {"1900-03-01", 61.0},           // from here on serials and date values agree
      {"1900-02-28", 59.0},           // before it, serials count a 29 February 1900
      {"1900-01-01", 1.0},
      {"T06:00", 0.25},
      {"12:00:00", 0.5},
      {"2024-02-30", std::nullopt},
      {"2024-13-01", std::nullopt},
      {"20240131", std::nullopt},
      {"2024-01-31T25:00", std::nullopt},
      {"0099-01-01", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    auto got = ParseIsoDateTime(c.in);
    ASSERT_EQ(got.has_value(), c.serial.has_value()) << c.in;
    if (got) {
      EXPECT_NEAR(*got, *c.serial, 1e-9) << c.in;
    }
  }
}

TEST(PackageText, ParseDuration) {
  struct Case {
    const char* in;
    std::optional<double> days;
  } cases[] = {
      {"PT12H", 0.5},
      {"PT10H10M10S", (10 * 3600 + 10 * 60 + 10) / 86400.0},
      {"PT10H10M10.123456S", (10 * 3600 + 10 * 60 + 10.123456) / 86400.0},
      {"PT36H00M00S", 1.5},
      {"P1DT6H", 1.25},
      {"-PT6H", -0.25},
      {"PT0,5S", 0.5 / 86400},
      {"P1Y", std::nullopt},  // years and months have no fixed length
      {"P1M", std::nullopt},
      {"PT", std::nullopt},
      {"PT5", std::nullopt},
      {"10H", std::nullopt},
      {"PT1HT2M", std::nullopt},
  };
  for (const Case& c : cases) {
    auto got = ParseDuration(c.in);
    ASSERT_EQ(got.has_value(), c.days.has_value()) << c.in;
    if (got) {
      EXPECT_NEAR(*got, *c.days, 1e-12) << c.in;
    }
  }
}

TEST(PackageText, ParseCellName) {
  struct Case {
    const char* in;
    bool ok;
    std::uint32_t row, col;
  } cases[] = {
      {"A1", true, 0, 0},    {"B12", true, 11, 1},      {"XFD1048576", true, 1048575, 16383},
      {"XFE1", false, 0, 0}, {"A1048577", false, 0, 0}, {"A0", false, 0, 0},
      {"A", false, 0, 0},    {"12", false, 0, 0},       {"AAAA1", false, 0, 0},
      {"$A$1", false, 0, 0}, {"A1B", false, 0, 0},      {"", false, 0, 0},
  };
  for (const Case& c : cases) {
    std::uint32_t row = 99, col = 99;
    EXPECT_EQ(ParseCellName(c.in, row, col), c.ok) << c.in;
    if (c.ok) {
      EXPECT_EQ(std::make_pair(row, col), std::make_pair(c.row, c.col)) << c.in;
    }
  }
}

TEST(PackageText, ElapsedTimeFormats) {
  for (const char* code : {"[h]:mm:ss", "[HH]:MM", "[mm]:ss", "[s]", "mm:ss;[h]:mm\"x\"x"})
    EXPECT_EQ(IsElapsedTimeFormat(code), std::string_view(code).find(';') == std::string_view::npos)
        << code;
  for (const char* code : {"h:mm", "[Red]h:mm", "\"[h]\"mm", "\\[h]:mm", "[$-409]h:mm", "yyyy"})
    EXPECT_FALSE(IsElapsedTimeFormat(code)) << code;
}

TEST(PackageText, ErrorCodes) {
  EXPECT_EQ(ErrorCodeOf("#DIV/0!"), 0x07);
  EXPECT_EQ(ErrorCodeOf(" #REF! "), 0x17);
  EXPECT_EQ(ErrorCodeOf("#N/A"), 0x2A);
  EXPECT_EQ(ErrorCodeOf("#SPILL!"), 0x2A);  // no code of its own: read as #N/A
}

std::vector<SheetInfo> Sheets() {
  std::vector<SheetInfo> sheets(4);
  sheets[0].name = "Sheet1";
  sheets[1].name = "My Sheet";
  sheets[2].name = "Chart1";
  sheets[2].kind = SheetKind::kChart;
  sheets[3].name = "It's";
  for (SheetInfo& s : sheets) {
    s.max_rows = kPackageMaxRows;
    s.max_cols = kPackageMaxCols;
  }
  return sheets;
}

std::string Describe(const NameTarget& t) {
  if (!t.is_range) return t.reason;
  return std::to_string(t.sheet) + ":" + std::to_string(t.area.first_row) + "," +
         std::to_string(t.area.first_col) + "-" + std::to_string(t.area.last_row) + "," +
         std::to_string(t.area.last_col);
}

TEST(PackageText, ResolveA1Target) {
  struct Case {
    const char* formula;
    const char* expected;
  } cases[] = {
      {"Sheet1!$A$1:$B$3", "0:0,0-2,1"},
      {"sheet1!B3:A1", "0:0,0-2,1"},  // sheet names in any case, corners in any order
      {"=Sheet1!$C$5", "0:4,2-4,2"},
      {"'My Sheet'!$C:$C", "1:0,2-1048575,2"},
      {"'It''s'!$2:$3", "3:1,0-2,16383"},
      {"", "it is empty"},
      {"#REF!", "it refers to deleted cells (#REF!)"},
      {"Sheet1!#REF!", "it refers to deleted cells (#REF!)"},
      {"[1]Sheet1!$A$1", "it refers to another workbook"},
      {"Sheet1:Sheet2!$A$1", "it spans several sheets"},
      {"Sheet1!$A$1,Sheet1!$B$2", "it refers to several areas"},
      {"(Sheet1!$A$1,'My Sheet'!$B$2)", "it refers to several areas"},
      {"Sheet1!$A$1:$B$2 Sheet1!$B$1:$C$3", "it is the intersection of areas"},
      {"0.05", "it is a constant"},
      {"\"a \"\"b\"\"\"", "it is a constant"},
      {"TRUE", "it is a constant"},
      {"{1,2}", "it is an array constant"},
      {"SUM(Sheet1!$A$1:$A$3)", "it is a formula"},
      {"Sheet1!$A$1+1", "it is a formula"},
      {"Nowhere!$A$1", "it refers to sheet 'Nowhere', which the workbook does not have"},
      {"Chart1!$A$1", "it refers to sheet 'Chart1', which has no cells"},
      {"$A$1", "it refers to no sheet"},
  };
  auto sheets = Sheets();
  for (const Case& c : cases)
    EXPECT_EQ(Describe(ResolveA1Target(c.formula, sheets)), c.expected) << c.formula;
}

TEST(PackageText, ResolveOdfRange) {
  struct Case {
    const char* address;
    int default_sheet;
    const char* expected;
  } cases[] = {
      {"$Sheet1.$A$1", -1, "0:0,0-0,0"},
      {"Sheet1.A1:Sheet1.B2", -1, "0:0,0-1,1"},
      {"$'My Sheet'.$B$2:.$A$1", -1, "1:0,0-1,1"},
      {"'It''s'.C3", -1, "3:2,2-2,2"},
      {"$Sheet1.$A$1:.$A$1048576", -1, "0:0,0-1048575,0"},
      {"$Sheet1.$B:.$C", -1, "0:0,1-1048575,2"},
      {".A1", 1, "1:0,0-0,0"},
      {".A1", -1, "it refers to no sheet"},
      {"$Sheet1.$A$1:$'My Sheet'.$B$2", -1, "it spans several sheets"},
      {"$Sheet1.$A$1 $Sheet1.$B$2", -1, "it refers to several areas"},
      {"$#REF!.$A$1", -1, "it refers to deleted cells (#REF!)"},
      {"$Nowhere.$A$1", -1, "it refers to sheet 'Nowhere', which the workbook does not have"},
      {"$Chart1.$A$1", -1, "it refers to sheet 'Chart1', which has no cells"},
      {"$Sheet1.$A$0", -1, "it is a formula"},
      {"", -1, "it is empty"},
  };
  auto sheets = Sheets();
  for (const Case& c : cases)
    EXPECT_EQ(Describe(ResolveOdfRange(c.address, sheets, c.default_sheet)), c.expected)
        << c.address;
}

TEST(PackageText, ResolveOdfExpression) {
  struct Case {
    const char* expression;
    const char* expected;
  } cases[] = {
      {"of:=[$Sheet1.$A$1]", "0:0,0-0,0"},
      {"of:=[$'My Sheet'.$A$1:.$B$2]", "1:0,0-1,1"},
      {"[.B2]", "0:1,1-1,1"},  // no sheet: the base cell's
      {"msoxl:=Sheet1!$A$1:$A$3", "0:0,0-2,0"},
      {"of:=$$FIRST*$$SECOND", "it is a formula"},
      {"of:=5", "it is a constant"},
      {"of:=\"x\"", "it is a constant"},
      {"of:=[.A1]~[.B2]", "it refers to several areas"},
      {"of:=[$#REF!.A1]", "it refers to deleted cells (#REF!)"},
      {"of:=SUM([.A1:.A3])", "it is a formula"},
  };
  auto sheets = Sheets();
  for (const Case& c : cases)
    EXPECT_EQ(Describe(ResolveOdfExpression(c.expression, sheets, 0)), c.expected) << c.expression;
}

}  // namespace
}  // namespace sheaver::xl
