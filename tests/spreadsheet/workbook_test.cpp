// References in A1 style, the value-to-text conversion, opening by content, and the workbook
// interface over the extraction's test timesheet (tests/support/form_files.h says what it holds).
#include <gtest/gtest.h>

#include <optional>

#include "checks.h"
#include "runtime/error.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/reference.h"
#include "spreadsheet/workbook.h"
#include "support/form_files.h"
#include "xls_builder.h"

namespace sheaver::xl {
namespace {

using namespace testing;

TEST(References, AreasAreReadInA1StyleAndWrittenBack) {
  struct Case {
    const char* text;
    Area area;
    const char* written;  // relative and absolute; nullptr when not written back
  } cases[] = {
      {"A1", {0, 0, 0, 0}, "A1 $A$1"},
      {"C$7:$b2", {1, 1, 6, 2}, "B2:C7 $B$2:$C$7"},
      {"IV65536", {65535, 255, 65535, 255}, "IV65536 $IV$65536"},
      {"A:A", {0, 0, 65535, 0}, nullptr},
      {"$5:3", {2, 0, 4, 255}, nullptr},
      {"'It''s'!A1:B1", {0, 0, 0, 1}, nullptr},
  };
  for (const Case& c : cases) {
    auto r = ParseReference(c.text, 65536, 256);
    ASSERT_TRUE(r && r->area) << c.text;
    EXPECT_EQ(*r->area, c.area) << c.text;
    if (c.written) {
      EXPECT_EQ(AreaText(c.area) + " " + AreaText(c.area, true), c.written);
    }
  }
  EXPECT_EQ(ParseReference("'It''s'!A1:B1", 65536, 256)->sheet, "It's");
  for (const char* big : {"XFD1048576", "ZZ10:AAA10"})
    EXPECT_EQ(AreaText(*ParseReference(big, 1048576, 16384)->area), big);
}

TEST(References, AnythingElseIsRejectedOrLeftAsAName) {
  for (const char* bad : {"A65537", "A1:B", "A1:B2:C3", "$A$", "'x'A1", "A1B2", "=A1"})
    EXPECT_FALSE(ParseReference(bad, 65536, 256) && ParseReference(bad, 65536, 256)->area) << bad;
  for (const char* bad : {"", "A0", "IW1", "A1:", "1A", "A 1"})
    EXPECT_FALSE(ParseReference(bad, 65536, 256)) << bad;
  EXPECT_FALSE(ParseReference("A16385", 16384, 256));  // past an Excel 5 sheet
  for (const char* name : {"_total", "Rate.2024", "Москва"}) {
    auto r = ParseReference(name, 65536, 256);
    ASSERT_TRUE(r) << name;
    EXPECT_EQ(r->name, name);
  }
}

// Numbers and dates are written by the run-time conversions; this is what the cell kinds add.
TEST(ValueToText, EachKindAsTheCellTextReadsIt) {
  struct Case {
    Value value;
    const char* text;
  } cases[] = {
      {Value::Empty(), ""},
      {Value::Boolean(true), "True"},
      {Value::Date(45292.75), "01/01/2024 18:00:00"},
      {Value::Date(60), "28/02/1900"},  // serials before March 1900 count a 29 February 1900
      {Value::Date(61), "01/03/1900"},
      {Value::Date(0.5), "12:00:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(ValueToText(c.value), c.text) << c.text;
  const auto [number, text] = ErrorOf([] { ValueToText(Value::ErrorCode("#DIV/0!")); });
  EXPECT_EQ(number, err::kTypeMismatch);
  EXPECT_NE(text.find("#DIV/0!"), std::string::npos) << text;
}

// What the file is, when it is not a workbook, from what its container holds; the other kinds
// of file (text, HTML, encrypted .xlsx ...) are in the corpus's table of expected errors.
TEST(OpenByContent, ContainersWithoutAWorkbookSayWhatTheyHold) {
  for (const auto& c :
       {std::pair{"WordDocument", "Word document"}, std::pair{"Other", "(it holds: Other)"}}) {
    const auto [number, text] =
        ErrorOf([&] { OpenWorkbookBytes(BuildCompoundFile(Bytes(10, 1), c.first), "a.xls"); });
    EXPECT_EQ(number, err::kWorkbookUnreadable) << text;
    EXPECT_NE(text.find(c.second), std::string::npos) << text;
  }
  // A workbook stream without its container reads as one inside a container.
  Bytes stream = BuildStream({}, {{"S", 0, NumberRec(0, 0, 9)}});
  EXPECT_EQ(OpenWorkbookBytes(stream, "bare.xls")->CellValue(0, 0, 0), Value::Number(9));
  EXPECT_EQ(OpenWorkbookBytes(BuildCompoundFile(stream, "Book"), "c.xls")->CellValue(0, 0, 0),
            Value::Number(9));
}

// What the extraction reads through the workbook interface (strips, names of either scope and any
// letter case, error values, whole columns) is checked by its own tests over the same workbook;
// these are the ranges' own rules.
TEST(Workbook, RangesAndTheNumbersTheirFailuresRaise) {
  std::optional<Workbook> book = OpenWorkbook(sheaver::test::WeekWorkbook());
  Worksheet sheet = book->ActiveSheet();
  Range strip = sheet.GetRange("C6:C12");
  EXPECT_EQ(strip.Rows().Count(), 7);
  EXPECT_EQ(ValueToText(strip.Rows().Item(2).Value()), "7.5");
  EXPECT_EQ(ValueToText(sheet.GetRange("B14:H14").Columns().Item(3).Value()), "Wed");
  EXPECT_EQ(ValueToText(sheet.GetRange("E2:G3").Item(4).Value()), "4");  // row by row
  // Names of other sheets' cells and constants are no references on this sheet.
  for (const char* bad : {"", "Nope", "Rate", "FarCell", "Local", "Extra!A1"})
    EXPECT_EQ(ErrorOf([&] { sheet.GetRange(bad); }).first, err::kBadReference) << bad;
  EXPECT_EQ(ErrorOf([&] { sheet.GetRange("A1:A2").Value(); }).first, err::kTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { sheet.GetRange("A65536").Rows().Item(2); }).first, err::kBadReference);
  const auto missing = ErrorOf([&] { OpenWorkbook("/nonexistent/Week07.xls"); });
  EXPECT_EQ(missing.first, err::kFileNotFound);
  EXPECT_NE(missing.second.find("Week07.xls"), std::string::npos) << missing.second;
  Range kept = sheet.GetRange("B2");
  book.reset();
  EXPECT_EQ(kept.Value(), Value::Number(42));  // a range keeps its workbook readable
}

}  // namespace
}  // namespace sheaver::xl
