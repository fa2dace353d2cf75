// The real-world .xlsx files that openpyxl cannot read (so that the differential test skips
// them), checked cell by cell against their XML. That every packaged workbook of the corpus
// opens or gives its error is checked by compare_with_xlrd.py.
#include <gtest/gtest.h>

#include <filesystem>

#include "checks.h"
#include "spreadsheet/open_workbook.h"

namespace sheaver::xl {
namespace {

const std::filesystem::path kCorpus = std::filesystem::path(SHEAVER_TEST_DATA) / "corpus";

std::shared_ptr<WorkbookModel> OpenCorpus(const std::string& file) {
  return OpenWorkbookFile((kCorpus / file).string());
}

TEST(PackageCorpus, WorkbookPartOutsideTheUsualFolder) {
  auto book = OpenCorpus("xlsx/sheetjs_wtf_path.xlsx");
  ASSERT_EQ(book->sheets.size(), 2u);
  EXPECT_EQ(book->sheets[1].name, "Hidden");
  struct Case {
    std::uint32_t row, col;
    Value value;
  } cases[] = {
      {0, 2, Value::Number(3)},        {1, 0, Value::Boolean(true)},
      {1, 2, Value::Empty()},          {2, 0, Value::Text("foo    bar")},
      {2, 2, Value::Date(41689.4375)}, {3, 2, Value::Text("\xE0\xAF\xAE")},
      {3, 3, Value::Number(3.14159)},  {5, 0, Value::Text("visible")},
  };
  for (const Case& c : cases)
    EXPECT_EQ(book->CellValue(0, c.row, c.col), c.value) << c.row << "," << c.col;
}

TEST(PackageCorpus, IsoDateCellsAndInlineStrings) {
  auto book = OpenCorpus("xlsx/sheetjs_xlsx-stream-d-date-cell.xlsx");
  EXPECT_EQ(book->CellValue(0, 0, 2), Value::Text("&'\";<>"));
  EXPECT_EQ(book->CellValue(0, 0, 3), Value::Text("&amp;"));
  EXPECT_EQ(book->CellValue(0, 2, 3), Value::Number(1.23456789e+22));
  Value date = book->CellValue(0, 4, 1);
  EXPECT_EQ(date.kind, Value::Kind::kDate);
  EXPECT_NEAR(date.number, 41684 + (8 * 3600 + 27 * 60 + 48.765) / 86400.0, 1e-9);
  EXPECT_EQ(book->CellValue(0, 9, 1), Value::Date(1.5));  // built-in format 46, [h]:mm:ss
  EXPECT_EQ(book->CellValue(0, 10, 1), Value::Text("String1"));
}

TEST(PackageCorpus, StrictWorkbook) {
  auto book = OpenCorpus("xlsx/sheetjs_sheet_visibility_strict.xlsx");
  ASSERT_EQ(book->sheets.size(), 3u);
  std::vector<bool> visible;
  for (const SheetInfo& s : book->sheets) visible.push_back(s.visible);
  EXPECT_EQ(visible, (std::vector<bool>{true, false, false}));
  std::string word;
  for (std::uint32_t col = 0; col < 6; ++col) word += book->CellValue(1, 0, col).text;
  EXPECT_EQ(word, "Hidden");
  EXPECT_EQ(book->CellValue(1, 1, 5), Value::Number(110));
}

}  // namespace
}  // namespace sheaver::xl
