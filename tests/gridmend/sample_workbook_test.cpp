#include "gridmend/sample_workbook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extract/format_value.h"
#include "extract/preview.h"
#include "support/form_files.h"
#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::RaisedBy;

xl::Area Cells(std::uint32_t r1, std::uint32_t c1, std::uint32_t r2, std::uint32_t c2) {
  return {r1, c1, r2, c2};
}

TEST(StripReference, OneCellOrOneRowOrColumnInRelativeA1Style) {
  struct Case {
    std::vector<xl::Area> selection;
    std::optional<std::string> reference;
  };
  const Case cases[] = {
      // A column strip, one cell and a block are picked in the editor's window test.
      {{Cells(13, 1, 13, 7)}, "B14:H14"},
      {{Cells(65535, 255, 65535, 255)}, "IV65536"},
      {{}, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> got = StripReference(c.selection);
    EXPECT_EQ(got, c.reference) << (c.reference ? *c.reference : "none") << " got "
                                << got.value_or("none");
  }
}

TEST(SampleWorkbook, ShowsTheActiveSheetsUsedAreaAsTheExtractionReadsIt) {
  const SampleWorkbook book = SampleWorkbook::Open(test::WeekWorkbook());
  EXPECT_EQ(book.SheetName(), "Timesheet");
  EXPECT_EQ(book.UsedArea(), Cells(0, 0, 13, 8));  // A1:I14
  // Cell texts are compared with what the extraction reads in the test below.
  EXPECT_EQ(book.CellKind(4, 1), xl::Value::Kind::kError);

  std::vector<std::string> names;
  for (const SampleWorkbook::Name& n : book.Names())
    names.push_back(n.full_name + " = " + n.refers_to);
  EXPECT_EQ(names, (std::vector<std::string>{
                       "Block = Timesheet!$E$2:$G$3", "Dates = Timesheet!$I$6:$I$8",
                       "DayRow = Timesheet!$B$14:$H$14", "FarCell = Extra!$B$2",
                       "Hours = Timesheet!$C$6:$C$12", "Rate = not a range: it is a constant",
                       "WeekStart = Timesheet!$B$3", "Extra!Local = Extra!$A$1"}));

  const SampleWorkbook second = SampleWorkbook::Open(test::SecondActiveWorkbook());
  EXPECT_EQ(second.SheetName(), "Second");
  EXPECT_EQ(second.CellText(0, 0), "second sheet");
}

TEST(SampleWorkbook, LocatesAReferenceAsTheExtractionResolvesIt) {
  const SampleWorkbook book = SampleWorkbook::Open(test::WeekWorkbook());
  struct Case {
    std::string reference;
    std::optional<xl::Area> area;
    std::string text;
  };
  const xl::Area a1 = Cells(0, 0, 0, 0);
  const Case cases[] = {
      {"C6:C12", Cells(5, 2, 11, 2), "C6:C12, 7 cells, one per record"},
      {"timesheet!$B$3", Cells(2, 1, 2, 1), "B3, one cell, the same in every record"},
      {"hours", Cells(5, 2, 11, 2), "name Hours: C6:C12, 7 cells, one per record"},
      {"E2:G3", Cells(1, 4, 2, 6),
       "E2:G3, a block of 2 rows and 3 columns: every record gets an empty text"},
      {"FarCell", std::nullopt, "name FarCell: Extra!B2, not on the active sheet"},
      {"Rate", std::nullopt,
       "name Rate is not a range (it is a constant): the run stops with an error"},
      {"Totl", a1, "'Totl' is no name or cell of this sample: the field reads A1"},
      {"Extra!A1", a1, "'Extra!A1' names another sheet than the active one: the field reads A1"},
  };
  for (const Case& c : cases) {
    const SampleWorkbook::Location where = book.Locate(c.reference);
    EXPECT_EQ(where.area, c.area) << "'" << c.reference << "'";
    EXPECT_EQ(where.text, c.text) << "'" << c.reference << "'";
    if (!where.area) continue;
    // The extraction reads the same first cell for the reference.
    DataTable form;
    form.cols(3);
    form.Rows(1);
    form.Clear();
    form.Data(0, 0, "F");
    form.Data(0, 1, c.reference);
    form.Data(0, 2, "text");
    const PreviewResult preview = PreviewWorkbookData(test::WeekWorkbook(), form);
    ASSERT_GE(preview.lines.size(), 2u) << "'" << c.reference << "'";
    const bool block = where.area->RowCount() > 1 && where.area->ColumnCount() > 1;
    const std::string first =
        block ? "" : book.CellText(where.area->first_row, where.area->first_col);
    EXPECT_EQ(preview.lines[1], QuoteText(first)) << "'" << c.reference << "'";
  }
}

TEST(SampleWorkbook, WorkbooksThatCannotBeReadAreErrors) {
  test::TempDir dir;
  EXPECT_EQ(RaisedBy([&] { SampleWorkbook::Open(dir.File("missing.xls")); }).number, 53);
  const test::Raised notABook =
      RaisedBy([&] { SampleWorkbook::Open(dir.Write("notes.xls", "just some text\n")); });
  EXPECT_EQ(notABook.number, 1005);
  EXPECT_NE(notABook.description.find("notes.xls"), std::string::npos) << notABook.description;
}

}  // namespace
}  // namespace sheaver
