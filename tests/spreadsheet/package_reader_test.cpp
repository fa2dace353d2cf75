// The .xlsx and .ods readers over packages built here, for what the corpus and fixture
// comparisons (openpyxl, LibreOffice) do not reach: the traps of cell and value types, paragraph
// text, repeated rows and columns, lazy sheets, and the errors of damaged or foreign packages.
#include <gtest/gtest.h>

#include "checks.h"
#include "spreadsheet/package_builder.h"
#include "spreadsheet/package_workbook.h"

namespace sheaver::xl {
namespace {

using testing::ErrorOf;
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
  return "<table:table table:name='" + name + "'>" + rows + "</table:table>";
}
std::string Row(const std::string& cells, const std::string& attributes = "") {
  return "<table:table-row " + attributes + ">" + cells + "</table:table-row>";
}
std::string Float(const std::string& value, const std::string& attributes = "") {
  return "<table:table-cell office:value-type='float' office:value='" + value + "' " + attributes +
         "/>";
}

// ---- .xlsx ----------------------------------------------------------------------------------

// Plain numbers, texts, booleans, errors, dates and formulas are in every corpus workbook.
TEST(XlsxReader, CellTypesAndTheirTraps) {
  XlsxBuilder b;
  // Cell style 1 is a custom number format that a differential format redefines as a date (for
  // conditional formatting only); the cell style list comes first with a date.
  b.styles =
      "<styleSheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
      "<numFmts count='1'><numFmt numFmtId='165' formatCode='#,##0.00\" kg\"'/></numFmts>"
      "<cellStyleXfs count='1'><xf numFmtId='14'/></cellStyleXfs>"
      "<cellXfs count='2'><xf numFmtId='0'/><xf numFmtId='165'/></cellXfs>"
      "<dxfs><dxf><numFmt numFmtId='165' formatCode='yyyy'/></dxf></dxfs></styleSheet>";
  b.shared_strings = {
      "<r><t>rich </t></r><r><rPr><b/></rPr><t xml:space='preserve'>text</t></r>"
      "<rPh sb='0' eb='1'><t>PHONETIC</t></rPh>",
      "<t>line_x000D_\nbreak_x005F_x0041_</t>"};
  b.Add("Data",
        "<row><c t='s'><v>0</v></c><c t='s'><v>1</v></c><c s='1'><v>1234.5</v></c>"
        "<c t='e'><v>#SPILL!</v></c><c><f>1/0</f></c><c s='99'><v>7</v></c>"
        "<c r='H1' t='inlineStr'><is><r><t>in</t></r><r><t>line</t></r><rPh><t>x</t></rPh></is>"
        "</c></row><row r='3'><c r='B3'><v>3</v></c></row>");
  auto book = Open(b);
  EXPECT_EQ(RowValues(*book, 0, 0, 8),
            (std::vector<Value>{
                Value::Text("rich text"),             // runs joined, phonetic run left out
                Value::Text("line\r\nbreak_x0041_"),  // escapes decoded
                Value::Number(1234.5),                // a custom format that is not a date
                Value::ErrorCode("#N/A"),             // an error without a code of its own
                Value::Empty(),                       // a formula never calculated
                Value::Number(7),                     // a style past the list: a plain number
                Value::Empty(),                       // cells without references follow on
                Value::Text("inline"),
            }));
  EXPECT_EQ(book->CellValue(0, 2, 1), Value::Number(3));
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
      {"<row r='1'><c r='XFE1'><v>1</v></c></row>", "'XFE1' is not a cell of a sheet"},
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
TEST(OdsReader, ValueTypesAndParagraphText) {
  struct Case {
    const char* cell;
    Value value;
  } cases[] = {
      {"office:value-type='time' office:time-value='PT36H'>", Value::Date(1.5)},
      {"office:value-type='string' office:string-value='from the attribute'><text:p>shown</text:p>",
       Value::Text("from the attribute")},
      {"table:formula='of:=[.A1]'>", Value::Empty()},  // never calculated
      {"office:value-type='string'><text:p>#N/A</text:p>", Value::Text("#N/A")},  // typed text
      {"><text:p>untyped text</text:p>", Value::Text("untyped text")},
      // Layout white space ignored, <text:s/> and a trailing space kept, as LibreOffice does.
      {"office:value-type='string'><text:p>\n<text:s text:c='2'/>many   plain\n\tblanks </text:p>",
       Value::Text("  many plain blanks ")},
      {"office:value-type='string'><office:annotation><text:p>note</text:p></office:annotation>"
       "<text:p>a<draw:frame><draw:text-box><text:p>box</text:p></draw:text-box></draw:frame>"
       "<text:tab/>b</text:p>",
       Value::Text("a\tb")},
      {"office:value-type='string'><text:h>head</text:h><text:p/><text:p>after</text:p>",
       Value::Text("head\n\nafter")},
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

TEST(OdsReader, RepeatedRowsAndColumnsCostNothingWhenEmptyAndAreBoundedWhenNot) {
  OdsBuilder b;
  b.body = Table(
      "S",
      Row(Float("1") + "<table:table-cell table:number-columns-repeated='16382'/>" + Float("2")) +
          Row("<table:table-cell table:number-columns-repeated='16384'/>",
              "table:number-rows-repeated='1048000'") +
          Row("<table:covered-table-cell/>" + Float("3", "table:number-columns-repeated='2'"),
              "table:number-rows-repeated='2'") +
          Row("<table:table-cell table:number-columns-repeated='99999999'/>",
              "table:number-rows-repeated='99999999'") +
          Row(Float("9")));
  auto book = Open(b);
  const SheetCells& cells = book->Cells(0);
  EXPECT_EQ(cells.CellCount(), 6u);  // the cell past the sheet's last row is not kept
  EXPECT_LT(cells.MemoryUsed(), 1024u);
  EXPECT_EQ(book->CellValue(0, 0, 16383), Value::Number(2));
  EXPECT_EQ(
      RowValues(*book, 0, 1048002, 4),
      (std::vector<Value>{Value::Empty(), Value::Number(3), Value::Number(3), Value::Empty()}));

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

// A bad value shows when its sheet is read, whether or not it is the active one (whose cells
// are read ahead while the workbook opens), and leaves the other sheets readable.
TEST(OdsReader, ABadValueNamesItsCellAndSheetWhenTheSheetIsRead) {
  OdsBuilder b;
  const std::string bad =
      Table("S", Row("<table:table-cell/>" + Float("abc"), "table:number-rows-repeated='4'"));
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

// The number format of each number of row 1, by its code; "" for none known.
std::vector<std::string> RowFormats(WorkbookModel& book) {
  std::vector<std::string> codes;
  book.Cells(0).ForEach(book.strings,
                        [&](std::uint32_t row, std::uint32_t, const Value&, std::uint16_t format) {
                          if (row == 0) codes.emplace_back(book.number_formats.Get(format));
                        });
  return codes;
}

// The listing shows each number's format code as the workbook has it: .xlsx codes as written or
// the built-in ones by id, .ods codes made from the data style that the cell's own style, its
// row's or its column's default style leads to.
TEST(PackageReaders, NumbersKeepTheirFormatCodes) {
  XlsxBuilder x;
  x.styles =
      "<styleSheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
      "<numFmts count='1'><numFmt numFmtId='14' formatCode='dd/mm/yyyy'/>"
      "<numFmt numFmtId='170' formatCode='#,##0.00\" kg\"'/></numFmts>"
      "<cellXfs count='5'><xf numFmtId='0'/><xf numFmtId='14'/><xf numFmtId='170'/>"
      "<xf numFmtId='10'/><xf numFmtId='7'/></cellXfs></styleSheet>";
  x.Add("S",
        "<row><c><v>1</v></c><c s='1'><v>45000</v></c><c s='2'><v>2.5</v></c>"
        "<c s='3'><v>0.5</v></c><c s='4'><v>3</v></c><c s='1' t='d'><v>2024-01-31</v></c></row>");
  auto xlsx = Open(x);
  EXPECT_EQ(RowFormats(*xlsx),
            (std::vector<std::string>{"General", "dd/mm/yyyy", "#,##0.00\" kg\"", "0.00%",
                                      "",  // currency: the locale's
                                      "dd/mm/yyyy"}));

  OdsBuilder o;
  o.automatic_styles =
      "<number:date-style style:name='N1'><number:day number:style='long'/>"
      "<number:text>.</number:text><number:month number:style='long'/><number:text>.</number:text>"
      "<number:year number:style='long'/></number:date-style>"
      "<number:number-style style:name='N2'><number:number number:decimal-places='2' "
      "number:min-integer-digits='1' number:grouping='true'/><number:text> kg</number:text>"
      "</number:number-style>"
      "<number:percentage-style style:name='N3'><number:number number:decimal-places='1' "
      "number:min-integer-digits='1'/><number:text>%</number:text></number:percentage-style>"
      "<number:time-style style:name='N4' number:truncate-on-overflow='false'>"
      "<number:hours/><number:text>:</number:text><number:minutes number:style='long'/>"
      "</number:time-style>"
      "<style:style style:name='ce1' style:family='table-cell' style:data-style-name='N1'/>"
      "<style:style style:name='ce2' style:family='table-cell' style:data-style-name='N2'/>"
      "<style:style style:name='ce3' style:family='table-cell' style:parent-style-name='ce4'/>"
      "<style:style style:name='ce4' style:family='table-cell' style:data-style-name='N3'/>"
      "<style:style style:name='ce5' style:family='table-cell' style:data-style-name='N4'/>";
  o.body =
      Table("S",
            "<table:table-column table:number-columns-repeated='2'/>"
            "<table:table-column table:default-cell-style-name='ce1'/>" +
                Row(Float("1") + Float("2", "table:style-name='ce2'") +
                    "<table:table-cell office:value-type='date' office:date-value='2024-01-31'/>" +
                    Float("0.25", "table:style-name='ce3'") +
                    "<table:table-cell office:value-type='time' office:time-value='PT30H' "
                    "table:style-name='ce5'/>"));
  auto ods = Open(o);
  EXPECT_EQ(RowFormats(*ods), (std::vector<std::string>{"General", "#,##0.00\" kg\"", "DD.MM.YYYY",
                                                        "0.0%", "[H]:MM"}));
}

TEST(PackageReaders, PackagesThatCannotBeReadSayWhy) {
  XlsxBuilder docx;
  docx.content_type =
      "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
  XlsxBuilder xlsb;
  xlsb.content_type = "application/vnd.ms-excel.sheet.binary.macroEnabled.main";
  OdsBuilder sxc;
  sxc.mimetype = "application/vnd.sun.xml.calc";
  auto no_content = OdsBuilder().Parts();
  std::erase_if(no_content, [](const testing::Part& p) { return p.name == "content.xml"; });

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
      {"sxc", sxc.Build(), 1007,
       "OpenOffice.org 1.x spreadsheet (.sxc), not supported: save it as an OpenDocument "
       "spreadsheet (.ods)"},
      {"no content part", testing::MakeZip(no_content), 1005,
       "the part content.xml (the sheets) is missing"},
      {"plain zip", testing::MakeZip({{"notes.txt", "hello"}, {"pic.png", "x"}}), 1005,
       "not a workbook: the file is a zip archive that holds neither an Excel nor an OpenDocument "
       "workbook (it holds notes.txt, pic.png)"},
  };
  for (Case& c : cases) {
    EXPECT_EQ(ErrorOf([&] { OpenPackageWorkbook(c.bytes, "t.xlsx"); }),
              std::make_pair(c.number, std::string(c.message)))
        << c.what;
  }
}

}  // namespace
}  // namespace sheaver::xl
