// The .ods reader over packages built here, for what the fixture and LibreOffice comparisons do
// not reach: value types and their traps, paragraph text and its white space, repeated rows and
// columns, covered cells, the active sheet, named ranges and expressions, lazy sheets, and the
// errors of encrypted, foreign or damaged packages.
#include "spreadsheet/ods_reader.h"

#include <gtest/gtest.h>

#include "checks.h"
#include "runtime/error.h"
#include "spreadsheet/package_builder.h"
#include "spreadsheet/package_workbook.h"

namespace sheaver::xl {
namespace {

using testing::ErrorOf;
using testing::OdsBuilder;

std::shared_ptr<WorkbookModel> Open(const OdsBuilder& b) {
  return OpenPackageWorkbook(b.Build(), "t.ods");
}

std::string Table(const std::string& name, const std::string& rows) {
  return "<table:table table:name='" + name +
         "'><table:table-column table:number-columns-repeated='1024'/>" + rows + "</table:table>";
}

std::string Row(const std::string& cells, const std::string& attributes = "") {
  return "<table:table-row " + attributes + ">" + cells + "</table:table-row>";
}

// The traps of the value types, one cell per row in the order of the cases; plain values of every
// type, and error results as LibreOffice and Gnumeric write them, are in the fixtures.
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
      // As LibreOffice writes "  lead", "trail  ", "a  b": extra spaces as <text:s/>, layout
      // white space around them ignored.
      {"<text:p>\n<text:s text:c='2'/>lead</text:p>", "  lead"},
      {"<text:p>trail <text:s/></text:p>", "trail  "},
      {"<text:p>one trailing space </text:p>", "one trailing space "},  // kept, as LibreOffice does
      {"<text:p>  many   plain\n\tblanks \n </text:p>", "many plain blanks "},
      {"<text:p>tab<text:tab/>here</text:p>", "tab\there"},
      {"<text:p>line<text:line-break/>break</text:p>", "line\nbreak"},
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
  b.body =
      Table("S", Row("<table:table-cell office:value-type='float' office:value='1'/>"
                     "<table:table-cell table:number-columns-repeated='16382'/>"
                     "<table:table-cell office:value-type='float' office:value='2'/>") +
                     Row("<table:table-cell table:number-columns-repeated='16384'/>",
                         "table:number-rows-repeated='1048000'") +
                     Row("<table:covered-table-cell/><table:table-cell office:value-type='string'>"
                         "<text:p>x</text:p></table:table-cell>") +
                     Row("<table:table-cell table:number-columns-repeated='99999999'/>",
                         "table:number-rows-repeated='99999999'") +
                     Row("<table:table-cell office:value-type='float' office:value='9'/>"));
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
               "<table:covered-table-cell table:number-columns-repeated='2'/>"
               "<table:table-cell office:value-type='float' office:value='7'/>",
               "table:number-rows-repeated='2'"));
  auto book = Open(b);
  EXPECT_EQ(book->Cells(0).CellCount(), 8u);
  for (std::uint32_t row : {0u, 1u}) {
    for (std::uint32_t col : {2u, 3u, 4u})
      EXPECT_EQ(book->CellValue(0, row, col), Value::Text("same"));
    EXPECT_EQ(book->CellValue(0, row, 1), Value::Empty());
    EXPECT_EQ(book->CellValue(0, row, 7), Value::Number(7));
  }
  EXPECT_EQ(book->CellValue(0, 2, 2), Value::Empty());

  // A whole column of one value fits; the whole grid does not.
  OdsBuilder column;
  column.body =
      Table("Column", Row("<table:table-cell office:value-type='float' office:value='1'/>",
                          "table:number-rows-repeated='1048576'"));
  EXPECT_EQ(Open(column)->Cells(0).CellCount(), 1048576u);
  OdsBuilder grid;
  grid.body = Table("Grid", Row("<table:table-cell office:value-type='float' office:value='1' "
                                "table:number-columns-repeated='16384'/>",
                                "table:number-rows-repeated='1048576'"));
  auto book2 = Open(grid);  // the active sheet: its cells are read while the workbook opens ...
  EXPECT_EQ(
      ErrorOf([&] { book2->Cells(0); }),  // ... but its error shows when it is asked for
      std::make_pair(1005, std::string("t.ods: sheet 'Grid' repeats values over more than 4194304 "
                                       "cells, more than this reader holds in memory")));
}

TEST(OdsReader, ActiveSheetAndLazySheets) {
  OdsBuilder b;
  b.body = Table("One", Row("<table:table-cell office:value-type='float' office:value='1'/>")) +
           Table("Two", Row("<table:table-cell office:value-type='float' office:value='2'/>")) +
           Table("Three", Row("<table:table-cell office:value-type='float' office:value='3'/>"));
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
           "<table:named-expression table:name='Sum' table:expression='of:=SUM([.A1:.A3])'/>"
           "<table:named-range table:name='Gone' table:cell-range-address='$#REF!.$A$1'/>"
           "</table:named-expressions>";
  auto book = Open(b);
  std::vector<std::string> got;
  for (const NameInfo& n : book->names)
    got.push_back(n.full_name + " " + std::to_string(n.scope_sheet) + " " +
                  testing::TargetText(n.target));
  EXPECT_EQ(got, (std::vector<std::string>{
                     "Total -1 1:1,1-8,1", "Single -1 0:3,3-3,3", "Sum -1 it is a formula",
                     "Gone -1 it refers to deleted cells (#REF!)", "Sheet1!Local 0 0:2,2-2,2"}));
}

TEST(OdsReader, PackagesThatCannotBeRead) {
  OdsBuilder encrypted;
  encrypted.body = Table("S", "");
  encrypted.manifest_extra =
      "<manifest:encryption-data manifest:checksum-type='SHA1/1K' manifest:checksum='x'>"
      "<manifest:algorithm manifest:algorithm-name='Blowfish CFB' "
      "manifest:initialisation-vector='x'/>"
      "</manifest:encryption-data>";
  OdsBuilder text;
  text.mimetype = "application/vnd.oasis.opendocument.text";
  OdsBuilder sxc;
  sxc.mimetype = "application/vnd.sun.xml.calc";
  OdsBuilder no_tables;
  OdsBuilder bad_value;
  bad_value.body = Table(
      "S",
      Row("<table:table-cell/><table:table-cell office:value-type='float' office:value='abc'/>",
          "table:number-rows-repeated='4'") +
          Row("<table:table-cell office:value-type='date' office:date-value='2024-02-30'/>"));
  OdsBuilder malformed;
  malformed.body = "<table:table table:name='S'><table:table-row></table:table>";
  auto missing_parts = [] {
    OdsBuilder b;
    auto parts = b.Parts();
    std::erase_if(parts, [](const testing::Part& p) { return p.name == "content.xml"; });
    return testing::MakeZip(parts);
  }();

  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    int number;
    const char* message;
  } cases[] = {
      {"encrypted", encrypted.Build(), 1006,
       "password-protected workbook: the OpenDocument spreadsheet is encrypted and cannot be read "
       "without its "
       "password"},
      {"text document", text.Build(), 1005,
       "not a workbook: the file is an OpenDocument text document (.odt)"},
      {"sxc", sxc.Build(), 1007,
       "OpenOffice.org 1.x spreadsheet (.sxc), not supported: save it as an OpenDocument "
       "spreadsheet (.ods)"},
      {"no tables", no_tables.Build(), 1005, "the part content.xml is damaged: it holds no sheets"},
      {"malformed", malformed.Build(), 1005,
       "the part content.xml is not well-formed XML (mismatched tag at line 1, column 583)"},
      {"missing", missing_parts, 1005, "the part content.xml (the sheets) is missing"},
  };
  for (Case& c : cases) {
    auto error = ErrorOf([&] { OpenPackageWorkbook(c.bytes, "t.ods"); });
    EXPECT_EQ(error, std::make_pair(c.number, std::string(c.message))) << c.what;
  }

  // A bad value shows when its sheet is read, whether or not it is the active one (whose cells
  // are read ahead while the workbook opens), and leaves the other sheets readable.
  const std::string bad_cell =
      "t.ods: the part content.xml is damaged: cell B1 of sheet 'S' holds 'abc' where a number "
      "belongs";
  auto active = Open(bad_value);
  EXPECT_EQ(ErrorOf([&] { active->Cells(0); }), std::make_pair(1005, bad_cell));
  bad_value.body =
      Table("Fine", Row("<table:table-cell office:value-type='float' office:value='1'/>")) +
      bad_value.body;
  auto other = Open(bad_value);
  EXPECT_EQ(ErrorOf([&] { other->Cells(1); }), std::make_pair(1005, bad_cell));
  EXPECT_EQ(other->CellValue(0, 0, 0), Value::Number(1));
}

}  // namespace
}  // namespace sheaver::xl
