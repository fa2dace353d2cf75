// The .xlsx and .ods readers over packages built here, for what the corpus and fixture
// comparisons (openpyxl, LibreOffice) do not reach: the traps of cell and value types, dates
// through styles and the date system, paragraph text, repeated rows and columns, sheet kinds and
// the active tab, names, lazy sheets, and the errors of damaged or foreign packages.
#include <gtest/gtest.h>

#include "checks.h"
#include "spreadsheet/package_builder.h"
#include "spreadsheet/package_workbook.h"

namespace sheaver::xl {
namespace {

using testing::ErrorOf;
using testing::NamesText;
using testing::OdsBuilder;
using testing::RowValues;
using testing::XlsxBuilder;

std::shared_ptr<WorkbookModel> Open(const XlsxBuilder& b) {
  return OpenPackageWorkbook(b.Build(), "t.xlsx");
}
std::shared_ptr<WorkbookModel> Open(const OdsBuilder& b) {
  return OpenPackageWorkbook(b.Build(), "t.ods");
}

// An .ods table, one of its rows, and a cell holding a number.
std::string Table(const std::string& name, const std::string& rows) {
  return "<table:table table:name='" + name +
         "'><table:table-column table:number-columns-repeated='1024'/>" + rows + "</table:table>";
}
std::string Row(const std::string& cells, const std::string& attributes = "") {
  return "<table:table-row " + attributes + ">" + cells + "</table:table-row>";
}
std::string Float(const std::string& value, const std::string& attributes = "") {
  return "<table:table-cell office:value-type='float' office:value='" + value + "' " + attributes +
         "/>";
}

// ---- .xlsx ----------------------------------------------------------------------------------

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

// Plain numbers, texts, booleans, errors, dates and formulas are in every corpus workbook.
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
  EXPECT_EQ(RowValues(*Open(b), 0, 0, 10),
            (std::vector<Value>{
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
}

TEST(XlsxReader, The1904DateSystemShiftsDatesButNotDurationsOrIsoDates) {
  XlsxBuilder b;
  b.styles = kStyles;
  b.workbook_pr = "<workbookPr date1904='1'/>";
  b.Add("S",
        "<row r='1'><c r='A1' s='1'><v>0</v></c><c r='B1' s='3'><v>1.5</v></c>"
        "<c r='C1'><v>10</v></c><c r='D1' t='d'><v>1904-01-01</v></c></row>");
  auto book = Open(b);
  EXPECT_EQ(book->date_system, DateSystem::k1904);
  EXPECT_EQ(RowValues(*book, 0, 0, 4), (std::vector<Value>{Value::Date(1462), Value::Date(1.5),
                                                           Value::Number(10), Value::Date(1462)}));
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

// Chart sheets, hidden sheets and the active tab are in the fixtures and the corpus; these are
// the rarer kinds, a second window, and tabs that are not there.
TEST(XlsxReader, RarerSheetKindsAndTheFirstWindowsActiveTab) {
  XlsxBuilder b;
  b.workbook_pr =
      "<bookViews><workbookView activeTab='2'/><workbookView activeTab='0'/></bookViews>";
  b.Add("First", "");
  b.Add("Dialog", "", "dialogsheet");
  b.Add("Macros", "", "xlMacrosheet");
  auto book = Open(b);
  std::vector<SheetKind> kinds;
  for (const SheetInfo& s : book->sheets) kinds.push_back(s.kind);
  EXPECT_EQ(kinds, (std::vector<SheetKind>{SheetKind::kWorksheet, SheetKind::kOther,
                                           SheetKind::kMacroSheet}));
  EXPECT_EQ(book->active_sheet, 2u);
  for (const char* views : {"<bookViews><workbookView activeTab='9'/></bookViews>", ""}) {
    b.workbook_pr = views;
    EXPECT_EQ(Open(b)->active_sheet, 0u) << views;
  }
}

// Names of both scopes, constants and formulas are in the fixtures and the corpus, and what name
// texts refer to in package_text_test.cpp; these are the built-in names and a name of a sheet
// that is not there.
TEST(XlsxReader, DefinedNamesBuiltInsAndAMissingSheet) {
  XlsxBuilder b;
  b.Add("Sheet1", "");
  b.Add("My Sheet", "");
  b.defined_names =
      "<definedName name='_xlnm.Print_Area' localSheetId='0'>Sheet1!$A$1:$D$20</definedName>"
      "<definedName name='Print_Area'>Sheet1!$B$2</definedName>"
      "<definedName name='_xlnm._FilterDatabase' localSheetId='1' hidden='1'>'My "
      "Sheet'!$A$1:$C$9</definedName>"
      "<definedName name='Lost' localSheetId='5'>Sheet1!$A$1</definedName>";
  auto book = Open(b);
  EXPECT_EQ(NamesText(*book), (std::vector<std::string>{
                                  "Print_Area -1 0:1,1-1,1",  // the user's own comes first
                                  "Lost -1 it belongs to a sheet the workbook does not have",
                                  "Sheet1!Print_Area builtin 0 0:0,0-19,3",
                                  "'My Sheet'!_FilterDatabase builtin hidden 1 1:0,0-8,2",
                              }));
  EXPECT_EQ(book->names[2].local_name, "Print_Area");
}

TEST(XlsxReader, SheetsAreReadOnlyWhenAskedForAndADamagedOneSpoilsOnlyItself) {
  XlsxBuilder b;
  b.Add("Good", "<row r='1'><c r='A1'><v>1</v></c></row>");
  b.Add("Bad", "<row r='1'><c r='A1'><v>1</v></c>");  // not closed
  auto book = Open(b);
  EXPECT_EQ(book->CellValue(0, 0, 0), Value::Number(1));
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
    const char* damage;
  } cases[] = {
      {"<row r='1'><c r='B1' t='s'><v>4</v></c></row>",
       "cell B1 refers to shared text 4, but the workbook has 1"},
      {"<row r='2'><c r='C2'><v>12,5</v></c></row>", "cell C2 holds '12,5' where a number belongs"},
      {"<row r='1'><c r='A1' t='b'><v>yes</v></c></row>",
       "cell A1 holds 'yes' where TRUE or FALSE belongs"},
      {"<row r='1'><c r='A1' t='d'><v>31/01/2024</v></c></row>",
       "cell A1 holds '31/01/2024' where a date belongs"},
      {"<row r='1'><c r='A1' t='q'><v>1</v></c></row>", "cell A1 has the unknown type 'q'"},
      {"<row r='1'><c r='XFE1'><v>1</v></c></row>", "'XFE1' is not a cell of a sheet"},
      {"<row r='0'/>", "row number '0' is not a row of a sheet"},
  };
  for (const Case& c : cases) {
    XlsxBuilder b;
    b.shared_strings = {"<t>only</t>"};
    b.Add("S", c.data);
    auto book = Open(b);
    EXPECT_EQ(ErrorOf([&] { book->Cells(0); }),
              std::make_pair(1005, "t.xlsx: the part xl/worksheets/sheet1.xml is damaged: " +
                                       std::string(c.damage)))
        << c.data;
  }
}

// ---- .ods -----------------------------------------------------------------------------------

// One cell per row in the order of the cases; plain values of every type, and error results as
// LibreOffice and Gnumeric write them, are in the fixtures.
TEST(OdsReader, ValueTypesAndTheirTraps) {
  struct Case {
    const char* cell;
    Value value;
  } cases[] = {
      {"office:value-type='time' office:time-value='PT36H'>", Value::Date(1.5)},
      {"office:value-type='string' office:string-value='from the attribute'><text:p>shown</text:p>",
       Value::Text("from the attribute")},
      {"office:value-type='string'><text:p/>", Value::Text("")},
      {"table:formula='of:=X()' calcext:value-type='error'><text:p>Err:508</text:p>",
       Value::ErrorCode("#N/A")},
      {"table:formula='of:=[.A1]'>", Value::Empty()},  // never calculated
      {"table:formula='of:=NA()'><text:p>#N/A</text:p>", Value::ErrorCode("#N/A")},
      {"office:value-type='string'><text:p>#N/A</text:p>", Value::Text("#N/A")},  // typed text
      {"><text:p>untyped text</text:p>", Value::Text("untyped text")},
      {"table:style-name='ce1'>", Value::Empty()},
  };
  std::string rows;
  for (const Case& c : cases)
    rows += Row(std::string("<table:table-cell ") + c.cell + "</table:table-cell>");
  OdsBuilder b;
  b.body = Table("Types", rows);
  auto book = Open(b);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(book->CellValue(0, static_cast<std::uint32_t>(i), 0), cases[i].value)
        << cases[i].cell;
}

TEST(OdsReader, ParagraphTextWithItsSpacesTabsAndBreaks) {
  struct Case {
    const char* paragraphs;
    const char* text;
  } cases[] = {
      // Extra spaces as LibreOffice writes them (<text:s/>, as the fixtures hold them), layout
      // white space around them ignored; line breaks are in the fixtures too.
      {"<text:p>\n<text:s text:c='2'/>lead</text:p>", "  lead"},
      {"<text:p>one trailing space </text:p>", "one trailing space "},  // kept, as LibreOffice does
      {"<text:p>  many   plain\n\tblanks \n </text:p>", "many plain blanks "},
      {"<text:p>tab<text:tab/>here</text:p>", "tab\there"},
      {"<text:p><text:span>sp</text:span>an <text:a xlink:href='x'>link</text:a></text:p>",
       "span link"},
      {"<office:annotation><text:p>a comment</text:p></office:annotation><text:p>value</text:p>",
       "value"},
      {"<text:p>a<draw:frame><draw:text-box><text:p>box</text:p></draw:text-box></draw:frame>b</"
       "text:p>",
       "ab"},
      {"<text:h>head</text:h><text:p/><text:p>after an empty one</text:p>",
       "head\n\nafter an empty one"},
  };
  std::string rows;
  for (const Case& c : cases)
    rows += Row(std::string("<table:table-cell office:value-type='string'>") + c.paragraphs +
                "</table:table-cell>");
  OdsBuilder b;
  b.body = Table("Text", rows);
  auto book = Open(b);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(book->CellValue(0, static_cast<std::uint32_t>(i), 0), Value::Text(cases[i].text))
        << cases[i].paragraphs;
}

TEST(OdsReader, RepeatedRowsAndColumnsCostNothingWhenEmpty) {
  OdsBuilder b;
  b.body = Table(
      "S",
      Row(Float("1") + "<table:table-cell table:number-columns-repeated='16382'/>" + Float("2")) +
          Row("<table:table-cell table:number-columns-repeated='16384'/>",
              "table:number-rows-repeated='1048000'") +
          Row("<table:covered-table-cell/><table:table-cell office:value-type='string'>"
              "<text:p>x</text:p></table:table-cell>") +
          Row("<table:table-cell table:number-columns-repeated='99999999'/>",
              "table:number-rows-repeated='99999999'") +
          Row(Float("9")));
  auto book = Open(b);
  const SheetCells& cells = book->Cells(0);
  EXPECT_EQ(cells.CellCount(), 3u);  // the cell past the sheet's last row is not kept
  EXPECT_LT(cells.MemoryUsed(), 1024u);
  EXPECT_EQ(book->CellValue(0, 0, 16383), Value::Number(2));
  EXPECT_EQ(book->CellValue(0, 1048001, 1), Value::Text("x"));
}

TEST(OdsReader, RepeatedValuesAreStoredPerCellWithinABound) {
  OdsBuilder b;
  b.body = Table(
      "S", Row("<table:table-cell table:number-columns-repeated='2'/>"
               "<table:table-cell office:value-type='string' table:number-columns-repeated='3'>"
               "<text:p>same</text:p></table:table-cell>"
               "<table:covered-table-cell table:number-columns-repeated='2'/>" +
                   Float("7"),
               "table:number-rows-repeated='2'"));
  auto book = Open(b);
  EXPECT_EQ(book->Cells(0).CellCount(), 8u);
  const Value same = Value::Text("same");
  for (std::uint32_t row : {0u, 1u})
    EXPECT_EQ(RowValues(*book, 0, row, 8),
              (std::vector<Value>{Value::Empty(), Value::Empty(), same, same, same, Value::Empty(),
                                  Value::Empty(), Value::Number(7)}));

  // A whole column of one value fits; the whole grid does not.
  b.body = Table("Column", Row(Float("1"), "table:number-rows-repeated='1048576'"));
  EXPECT_EQ(Open(b)->Cells(0).CellCount(), 1048576u);
  b.body = Table("Grid", Row(Float("1", "table:number-columns-repeated='16384'"),
                             "table:number-rows-repeated='1048576'"));
  auto grid = Open(b);  // the active sheet: its cells are read while the workbook opens ...
  EXPECT_EQ(
      ErrorOf([&] { grid->Cells(0); }),  // ... but its error shows when it is asked for
      std::make_pair(1005, std::string("t.ods: sheet 'Grid' repeats values over more than 4194304 "
                                       "cells, more than this reader holds in memory")));
}

TEST(OdsReader, TheActiveSheetByItsExactNameAndTheOthersWhenAskedFor) {
  OdsBuilder b;
  b.body = Table("One", Row(Float("1"))) + Table("Two", Row(Float("2"))) +
           Table("Three", Row(Float("3")));
  b.active_table = "Two";
  auto book = Open(b);
  EXPECT_EQ(book->active_sheet, 1u);
  EXPECT_EQ(book->CellValue(1, 0, 0), Value::Number(2));
  EXPECT_FALSE(book->IsLoaded(0));
  EXPECT_EQ(book->CellValue(2, 0, 0), Value::Number(3));
  EXPECT_EQ(book->CellValue(0, 0, 0), Value::Number(1));

  for (const char* active : {"two", "Four", ""}) {
    b.active_table = active;
    auto other = Open(b);
    EXPECT_EQ(other->active_sheet, 0u) << active;
    EXPECT_EQ(other->CellValue(0, 0, 0), Value::Number(1)) << active;
    EXPECT_EQ(other->CellValue(1, 0, 0), Value::Number(2)) << active;
  }
}

// Named ranges and expressions of the workbook and of a sheet; what their texts refer to is in
// package_text_test.cpp.
TEST(OdsReader, NamedRangesAndExpressions) {
  OdsBuilder b;
  b.body = Table("Sheet1",
                 Row("<table:table-cell/>") +
                     "<table:named-expressions><table:named-range table:name='Local' "
                     "table:base-cell-address='$Sheet1.$A$1' table:cell-range-address='.$C$3'/>"
                     "</table:named-expressions>") +
           Table("My Sheet", "") +
           "<table:named-expressions>"
           "<table:named-range table:name='Total' table:base-cell-address='$Sheet1.$A$1' "
           "table:cell-range-address=\"$'My Sheet'.$B$2:.$B$9\"/>"
           "<table:named-expression table:name='Single' table:base-cell-address='$Sheet1.$A$1' "
           "table:expression='of:=[$Sheet1.$D$4]'/>"
           "</table:named-expressions>";
  EXPECT_EQ(NamesText(*Open(b)),
            (std::vector<std::string>{"Total -1 1:1,1-8,1", "Single -1 0:3,3-3,3",
                                      "Sheet1!Local 0 0:2,2-2,2"}));
}

// A bad value shows when its sheet is read, whether or not it is the active one (whose cells
// are read ahead while the workbook opens), and leaves the other sheets readable.
TEST(OdsReader, ABadValueNamesItsCellAndSheetWhenTheSheetIsRead) {
  OdsBuilder b;
  const std::string bad =
      Table("S", Row("<table:table-cell/>" + Float("abc"), "table:number-rows-repeated='4'") +
                     Row("<table:table-cell office:value-type='date' "
                         "office:date-value='2024-02-30'/>"));
  const auto error = std::make_pair(1005, std::string("t.ods: the part content.xml is damaged: "
                                                      "cell B1 of sheet 'S' holds 'abc' where a "
                                                      "number belongs"));
  b.body = bad;
  auto active = Open(b);
  EXPECT_EQ(ErrorOf([&] { active->Cells(0); }), error);
  b.body = Table("Fine", Row(Float("1"))) + bad;
  auto other = Open(b);
  EXPECT_EQ(ErrorOf([&] { other->Cells(1); }), error);
  EXPECT_EQ(other->CellValue(0, 0, 0), Value::Number(1));
}

// ---- either ---------------------------------------------------------------------------------

// The parts of a package without the one named.
std::vector<std::uint8_t> Without(std::vector<testing::Part> parts, const std::string& name) {
  std::erase_if(parts, [&](const testing::Part& p) { return p.name == name; });
  return testing::MakeZip(parts);
}

TEST(PackageReaders, PackagesThatCannotBeReadSayWhy) {
  XlsxBuilder docx;
  docx.content_type =
      "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
  XlsxBuilder xlsb;
  xlsb.content_type = "application/vnd.ms-excel.sheet.binary.macroEnabled.main";
  XlsxBuilder xlsx;
  xlsx.Add("S", "");
  auto doctype = xlsx.Parts();
  for (testing::Part& p : doctype)
    if (p.name == "xl/workbook.xml")
      p.data =
          "<?xml version='1.0'?><!DOCTYPE lol [<!ENTITY lol 'lol'><!ENTITY lol2 '&lol;&lol;'>]>" +
          p.data.substr(p.data.find("<workbook"));
  OdsBuilder encrypted;
  encrypted.body = Table("S", "");
  encrypted.manifest_extra =
      "<manifest:encryption-data manifest:checksum-type='SHA1/1K' manifest:checksum='x'>"
      "<manifest:algorithm manifest:algorithm-name='Blowfish CFB' "
      "manifest:initialisation-vector='x'/></manifest:encryption-data>";
  OdsBuilder odt;
  odt.mimetype = "application/vnd.oasis.opendocument.text";
  OdsBuilder sxc;
  sxc.mimetype = "application/vnd.sun.xml.calc";
  OdsBuilder malformed;
  malformed.body = "<table:table table:name='S'><table:table-row></table:table>";
  std::vector<std::uint8_t> empty_zip{'P', 'K', 5, 6};  // only the end-of-directory record
  empty_zip.resize(22, 0);

  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    int number;
    const char* message;
  } cases[] = {
      {"docx", docx.Build(), 1005, "not a workbook: the file is a Word document (.docx)"},
      {"xlsb", xlsb.Build(), 1007,
       "Excel binary workbook (.xlsb), not supported: save it as an Excel workbook (.xlsx)"},
      {"no sheets", XlsxBuilder().Build(), 1005,
       "the part xl/workbook.xml is damaged: the workbook lists no sheets"},
      {"doctype", testing::MakeZip(doctype), 1005,
       "the part xl/workbook.xml declares a document type (DOCTYPE); workbook parts never do, and "
       "its entity declarations are refused"},
      {"no workbook part", Without(xlsx.Parts(), "xl/workbook.xml"), 1005,
       "the part xl/workbook.xml (the workbook) is missing"},
      {"encrypted ods", encrypted.Build(), 1006,
       "password-protected workbook: the OpenDocument spreadsheet is encrypted and cannot be read "
       "without its password"},
      {"odt", odt.Build(), 1005,
       "not a workbook: the file is an OpenDocument text document (.odt)"},
      {"sxc", sxc.Build(), 1007,
       "OpenOffice.org 1.x spreadsheet (.sxc), not supported: save it as an OpenDocument "
       "spreadsheet (.ods)"},
      {"no tables", OdsBuilder().Build(), 1005,
       "the part content.xml is damaged: it holds no sheets"},
      {"malformed content", malformed.Build(), 1005,
       "the part content.xml is not well-formed XML (mismatched tag at line 1, column 583)"},
      {"no content part", Without(OdsBuilder().Parts(), "content.xml"), 1005,
       "the part content.xml (the sheets) is missing"},
      {"plain zip", testing::MakeZip({{"notes.txt", "hello"}, {"pic.png", "x"}}), 1005,
       "not a workbook: the file is a zip archive that holds neither an Excel nor an OpenDocument "
       "workbook (it holds notes.txt, pic.png)"},
      {"empty zip", empty_zip, 1005, "not a workbook: the file is an empty zip archive"},
  };
  for (Case& c : cases) {
    EXPECT_EQ(ErrorOf([&] { OpenPackageWorkbook(c.bytes, "t.xlsx"); }),
              std::make_pair(c.number, std::string(c.message)))
        << c.what;
  }
}

}  // namespace
}  // namespace sheaver::xl
