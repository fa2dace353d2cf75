// The .xlsx reader over packages built here, for what the corpus and fixture comparisons do not
// reach: cell types and their traps, dates through styles and the date system, sheets and their
// kinds, the active tab, defined names, lazy sheets, and the errors of damaged or foreign
// packages.
#include "spreadsheet/xlsx_reader.h"

#include <gtest/gtest.h>

#include "checks.h"
#include "runtime/error.h"
#include "spreadsheet/package_builder.h"
#include "spreadsheet/package_workbook.h"

namespace sheaver::xl {
namespace {

using testing::ErrorOf;
using testing::XlsxBuilder;

std::shared_ptr<WorkbookModel> Open(const XlsxBuilder& b) {
  return OpenPackageWorkbook(b.Build(), "t.xlsx");
}

// Cell styles: 0 General, 1 built-in date 14, 2 a custom number format (which a differential
// format redefines as a date, for conditional formatting only), 3 a custom elapsed time. The
// cell style list comes first with a date, which cells do not index.
constexpr const char* kStyles =
    "<styleSheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
    "<numFmts count='2'><numFmt numFmtId='165' formatCode='#,##0.00\" kg\"'/>"
    "<numFmt numFmtId='166' formatCode='[h]:mm'/></numFmts>"
    "<cellStyleXfs count='1'><xf numFmtId='14'/></cellStyleXfs>"
    "<cellXfs count='4'><xf numFmtId='0'/><xf numFmtId='14'/><xf numFmtId='165'/>"
    "<xf numFmtId='166'/></cellXfs>"
    "<dxfs><dxf><numFmt numFmtId='165' formatCode='yyyy'/></dxf></dxfs></styleSheet>";

// The traps of the cell types; plain numbers, texts, booleans, errors, dates and formulas are in
// every corpus and fixture workbook.
TEST(XlsxReader, CellTypesAndTheirTraps) {
  XlsxBuilder b;
  b.styles = kStyles;
  b.shared_strings = {
      "<r><t>rich </t></r><r><rPr><b/></rPr><t xml:space='preserve'>text</t></r>"
      "<rPh sb='0' eb='1'><t>PHONETIC</t></rPh><phoneticPr fontId='1'/>",
      "<t>line_x000D_\nbreak_x005F_x0041_</t>", "<t/>"};
  b.Add("Data",
        "<row r='1'><c r='A1' t='s'><v>0</v></c><c r='B1' t='s'><v>1</v></c>"
        "<c r='C1' t='s'><v>2</v></c><c r='D1' s='2'><v>1234.5</v></c>"
        "<c r='E1' s='3'><v>1.5</v></c><c r='F1' t='e'><v>#SPILL!</v></c><c r='G1'><f>1/0</f></c>"
        "<c r='H1' t='inlineStr'><is><r><t>in</t></r><r><t>line</t></r><rPh><t>x</t></rPh></is>"
        "</c><c r='I1' s='1'/><c r='J1' s='99'><v>7</v></c></row>");
  auto book = Open(b);
  std::vector<Value> row;
  for (std::uint32_t col = 0; col < 10; ++col) row.push_back(book->CellValue(0, 0, col));
  EXPECT_EQ(row, (std::vector<Value>{
                     Value::Text("rich text"),             // runs joined, phonetic run left out
                     Value::Text("line\r\nbreak_x0041_"),  // escapes decoded
                     Value::Text(""),
                     Value::Number(1234.5),     // a custom format that is not a date
                     Value::Date(1.5),          // an elapsed time
                     Value::ErrorCode("#N/A"),  // an error without a code of its own
                     Value::Empty(),            // a formula never calculated
                     Value::Text("inline"),     // phonetic run left out
                     Value::Empty(),            // a format without a value
                     Value::Number(7),          // a style past the list: a plain number
                 }));
  EXPECT_EQ(book->sheets[0].max_rows, 1048576u);
  EXPECT_EQ(book->sheets[0].max_cols, 16384u);
}

TEST(XlsxReader, The1904DateSystemShiftsDatesButNotDurations) {
  XlsxBuilder b;
  b.styles = kStyles;
  b.workbook_pr = "<workbookPr date1904='1'/>";
  b.Add("S",
        "<row r='1'><c r='A1' s='1'><v>0</v></c><c r='B1' s='3'><v>1.5</v></c>"
        "<c r='C1'><v>10</v></c><c r='D1' t='d'><v>1904-01-01</v></c></row>");
  auto book = Open(b);
  EXPECT_EQ(book->date_system, DateSystem::k1904);
  EXPECT_EQ(book->CellValue(0, 0, 0), Value::Date(1462));  // 1 January 1904
  EXPECT_EQ(book->CellValue(0, 0, 1), Value::Date(1.5));
  EXPECT_EQ(book->CellValue(0, 0, 2), Value::Number(10));
  EXPECT_EQ(book->CellValue(0, 0, 3), Value::Date(1462));  // ISO dates are absolute
}

TEST(XlsxReader, CellsWithoutReferencesFollowOneAnother) {
  XlsxBuilder b;
  b.Add("S",
        "<row><c><v>1</v></c><c><v>2</v></c><c r='E1'><v>5</v></c><c><v>6</v></c></row>"
        "<row><c><v>7</v></c></row><row r='10'><c><v>10</v></c></row>"
        "<row r='3'><c r='B3'><v>3</v></c></row>");
  auto book = Open(b);
  std::vector<std::string> got;
  book->Cells(0).ForEach(book->strings, [&](std::uint32_t r, std::uint32_t c, const Value& v) {
    got.push_back(std::to_string(r) + "," + std::to_string(c) + "=" +
                  std::to_string(static_cast<int>(v.number)));
  });
  EXPECT_EQ(got, (std::vector<std::string>{"0,0=1", "0,1=2", "0,4=5", "0,5=6", "1,0=7", "2,1=3",
                                           "9,0=10"}));
}

TEST(XlsxReader, SheetsKindsAndActiveTab) {
  XlsxBuilder b;
  b.workbook_pr =
      "<bookViews><workbookView activeTab='2'/><workbookView activeTab='0'/></bookViews>";
  b.Add("First", "<row r='1'><c r='A1'><v>1</v></c></row>");
  b.Add("Chart", "", "chartsheet");
  b.Add("Hidden 'one'", "<row r='2'><c r='B2'><v>2</v></c></row>", "worksheet", "state='hidden'");
  b.Add("Dialog", "", "dialogsheet");
  b.Add("Macros", "", "xlMacrosheet");
  auto book = Open(b);
  std::vector<SheetKind> kinds;
  for (const SheetInfo& s : book->sheets) kinds.push_back(s.kind);
  EXPECT_EQ(kinds,
            (std::vector<SheetKind>{SheetKind::kWorksheet, SheetKind::kChart, SheetKind::kWorksheet,
                                    SheetKind::kOther, SheetKind::kMacroSheet}));
  EXPECT_EQ(book->sheets[2].name, "Hidden 'one'");
  EXPECT_FALSE(book->sheets[2].visible);
  EXPECT_EQ(book->active_sheet, 2u);  // the first window's tab
  EXPECT_EQ(book->CellValue(2, 1, 1), Value::Number(2));

  for (const char* views : {"<bookViews><workbookView activeTab='9'/></bookViews>", ""}) {
    b.workbook_pr = views;
    EXPECT_EQ(Open(b)->active_sheet, 0u) << views;
  }
}

// Names of both scopes, constants and formulas are in the fixtures and the corpus; these are the
// built-in names and a name of a sheet that is not there.
TEST(XlsxReader, DefinedNamesBuiltInsAndAMissingSheet) {
  XlsxBuilder b;
  b.Add("Sheet1", "");
  b.Add("My Sheet", "");
  b.defined_names =
      "<definedName name='_xlnm.Print_Area' localSheetId='0'>Sheet1!$A$1:$D$20</definedName>"
      "<definedName name='Print_Area'>Sheet1!$B$2</definedName>"
      "<definedName name='_xlnm._FilterDatabase' localSheetId='1' hidden='1'>'My "
      "Sheet'!$A$1:$C$9</definedName>"
      "<definedName name='Whole'>Sheet1!$A:$A</definedName>"
      "<definedName name='Lost' localSheetId='5'>Sheet1!$A$1</definedName>";
  auto book = Open(b);
  std::vector<std::string> got;
  for (const NameInfo& n : book->names)
    got.push_back(n.full_name + (n.builtin ? " builtin" : "") + (n.hidden ? " hidden" : "") + " " +
                  std::to_string(n.scope_sheet) + " " + testing::TargetText(n.target));
  EXPECT_EQ(got, (std::vector<std::string>{
                     "Print_Area -1 0:1,1-1,1",  // the user's own Print_Area comes first
                     "Whole -1 0:0,0-1048575,0",
                     "Lost -1 it belongs to a sheet the workbook does not have",
                     "Sheet1!Print_Area builtin 0 0:0,0-19,3",
                     "'My Sheet'!_FilterDatabase builtin hidden 1 1:0,0-8,2",
                 }));
  EXPECT_EQ(book->names[3].local_name, "Print_Area");
}

TEST(XlsxReader, SheetsAreReadOnlyWhenAskedForAndADamagedOneSpoilsOnlyItself) {
  XlsxBuilder b;
  b.Add("Good", "<row r='1'><c r='A1'><v>1</v></c></row>");
  b.Add("Bad", "<row r='1'><c r='A1'><v>1</v></c>");  // not closed
  auto book = Open(b);
  EXPECT_FALSE(book->IsLoaded(0));
  EXPECT_FALSE(book->IsLoaded(1));
  EXPECT_EQ(book->CellValue(0, 0, 0), Value::Number(1));
  EXPECT_TRUE(book->IsLoaded(0));
  EXPECT_FALSE(book->IsLoaded(1));
  auto error = ErrorOf([&] { book->Cells(1); });
  EXPECT_EQ(error.first, 1005);
  EXPECT_TRUE(
      error.second.starts_with("t.xlsx: the part xl/worksheets/sheet2.xml is not well-formed XML"))
      << error.second;
  EXPECT_EQ(ErrorOf([&] { book->Cells(1); }).first, 1005);  // and again on the next call
}

TEST(XlsxReader, DamagedCellsNameThePartAndTheCell) {
  struct Case {
    const char* data;
    const char* message;
  } cases[] = {
      {"<row r='1'><c r='B1' t='s'><v>4</v></c></row>",
       "t.xlsx: the part xl/worksheets/sheet1.xml is damaged: cell B1 refers to shared text 4, but "
       "the workbook has 1"},
      {"<row r='2'><c r='C2'><v>12,5</v></c></row>",
       "t.xlsx: the part xl/worksheets/sheet1.xml is damaged: cell C2 holds '12,5' where a number "
       "belongs"},
      {"<row r='1'><c r='A1' t='b'><v>yes</v></c></row>",
       "t.xlsx: the part xl/worksheets/sheet1.xml is damaged: cell A1 holds 'yes' where TRUE or "
       "FALSE belongs"},
      {"<row r='1'><c r='A1' t='d'><v>31/01/2024</v></c></row>",
       "t.xlsx: the part xl/worksheets/sheet1.xml is damaged: cell A1 holds '31/01/2024' where a "
       "date belongs"},
      {"<row r='1'><c r='A1' t='q'><v>1</v></c></row>",
       "t.xlsx: the part xl/worksheets/sheet1.xml is damaged: cell A1 has the unknown type 'q'"},
      {"<row r='1'><c r='XFE1'><v>1</v></c></row>",
       "t.xlsx: the part xl/worksheets/sheet1.xml is damaged: 'XFE1' is not a cell of a sheet"},
      {"<row r='0'/>",
       "t.xlsx: the part xl/worksheets/sheet1.xml is damaged: row number '0' is not a row of a "
       "sheet"},
  };
  for (const Case& c : cases) {
    XlsxBuilder b;
    b.shared_strings = {"<t>only</t>"};
    b.Add("S", c.data);
    auto book = Open(b);
    EXPECT_EQ(ErrorOf([&] { book->Cells(0); }), std::make_pair(1005, std::string(c.message)))
        << c.data;
  }
}

// A zip archive with no entries: only its end-of-directory record.
std::vector<std::uint8_t> EmptyZip() {
  std::vector<std::uint8_t> z{'P', 'K', 5, 6};
  z.resize(22, 0);
  return z;
}

TEST(XlsxReader, PackagesThatAreNotWorkbooksOrAreDamaged) {
  using testing::MakeZip;
  using testing::Part;
  XlsxBuilder docx;
  docx.content_type =
      "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
  XlsxBuilder xlsb;
  xlsb.content_type = "application/vnd.ms-excel.sheet.binary.macroEnabled.main";
  XlsxBuilder no_sheets;
  XlsxBuilder doctype;
  doctype.Add("S", "");
  auto doctype_parts = doctype.Parts();
  for (Part& p : doctype_parts)
    if (p.name == "xl/workbook.xml")
      p.data =
          "<?xml version='1.0'?><!DOCTYPE lol [<!ENTITY lol 'lol'><!ENTITY lol2 '&lol;&lol;'>]>" +
          p.data.substr(p.data.find("<workbook"));
  XlsxBuilder missing;
  missing.Add("S", "");
  auto missing_parts = missing.Parts();
  std::erase_if(missing_parts, [](const Part& p) { return p.name == "xl/workbook.xml"; });

  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    int number;
    const char* message;
  } cases[] = {
      {"docx", docx.Build(), 1005, "not a workbook: the file is a Word document (.docx)"},
      {"xlsb", xlsb.Build(), 1007,
       "Excel binary workbook (.xlsb), not supported: save it as an Excel workbook (.xlsx)"},
      {"no sheets", no_sheets.Build(), 1005,
       "the part xl/workbook.xml is damaged: the workbook lists no sheets"},
      {"doctype", MakeZip(doctype_parts), 1005,
       "the part xl/workbook.xml declares a document type (DOCTYPE); workbook parts never do, and "
       "its "
       "entity declarations are refused"},
      {"missing", MakeZip(missing_parts), 1005,
       "the part xl/workbook.xml (the workbook) is missing"},
      {"plain zip", MakeZip({{"notes.txt", "hello"}, {"pic.png", "x"}}), 1005,
       "not a workbook: the file is a zip archive that holds neither an Excel nor an OpenDocument "
       "workbook (it holds notes.txt, pic.png)"},
      {"empty zip", EmptyZip(), 1005, "not a workbook: the file is an empty zip archive"},
  };
  for (Case& c : cases) {
    auto error = ErrorOf([&] { OpenPackageWorkbook(c.bytes, "t.xlsx"); });
    EXPECT_EQ(error, std::make_pair(c.number, std::string(c.message))) << c.what;
  }
}

}  // namespace
}  // namespace sheaver::xl
