// The real-world .xlsx and .ods files of the corpus: every one marked ok opens and every sheet
// reads, the unreadable ones give their errors, and the files openpyxl cannot read (so the
// differential test skips them) are checked here cell by cell against their XML.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/error.h"
#include "spreadsheet/open_workbook.h"

namespace sheaver::xl {
namespace {

const std::filesystem::path kCorpus = std::filesystem::path(SHEAVER_TEST_DATA) / "corpus";

std::shared_ptr<WorkbookModel> OpenCorpus(const std::string& file) {
  return OpenWorkbookFile((kCorpus / file).string());
}

struct ManifestRow {
  std::string file, expected;
};

std::vector<ManifestRow> Manifest() {
  std::ifstream in(kCorpus / "MANIFEST.tsv");
  std::vector<ManifestRow> rows;
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream s(line);
    for (std::string f; std::getline(s, f, '\t');) fields.push_back(f);
    if (fields.size() >= 7) rows.push_back({fields[0], fields[6]});
  }
  return rows;
}

// The .xlsx and .ods files, the encrypted ones among them, and those saved under another name.
bool IsPackageFile(const std::string& file) {
  return file.starts_with("xlsx/") || file.starts_with("ods/") || file.ends_with(".xlsx") ||
         file.ends_with(".ods") || file.starts_with("odd/rooxls_type_");
}

TEST(PackageCorpus, EveryPackagedWorkbookOpensOrGivesItsError) {
  int opened = 0, refused = 0;
  for (const ManifestRow& row : Manifest()) {
    if (!IsPackageFile(row.file)) continue;
    SCOPED_TRACE(row.file);
    try {
      auto book = OpenCorpus(row.file);
      for (std::size_t i = 0; i < book->sheets.size(); ++i)
        if (book->sheets[i].kind == SheetKind::kWorksheet) book->Cells(i);
      // "not-xls": a workbook of another format under an .xls name, which opens by its content.
      EXPECT_TRUE(row.expected == "ok" || row.expected == "not-xls") << row.expected;
      EXPECT_LT(book->active_sheet, book->sheets.size());
      ++opened;
    } catch (const Error& e) {
      if (row.expected == "encrypted") {
        EXPECT_EQ(e.Number(), 1006) << e.Description();
        EXPECT_NE(e.Description().find("password-protected"), std::string::npos) << e.Description();
      } else {
        EXPECT_EQ(row.expected, "corrupt") << e.Description();
        EXPECT_EQ(e.Number(), 1005) << e.Description();
      }
      ++refused;
    }
  }
  // 28 .xlsx, 6 .ods, an .xlsx and an .ods saved as .xls, and an .xls saved as .xlsx.
  EXPECT_EQ(opened, 37);
  // The encrypted .xlsx (an OLE file) and .ods, and an empty file named .xlsx.
  EXPECT_EQ(refused, 3);
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
