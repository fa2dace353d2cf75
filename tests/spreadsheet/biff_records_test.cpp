// The BIFF record layer, in workbooks built record by record, for what the corpus comparison
// against xlrd does not reach: a text whose character width changes at a CONTINUE record, the
// errors of damaged records, the damage read past with a repair line (empty CONTINUE records,
// sheet offsets a few bytes out, empty texts without their option byte), chart sheets, and
// names that point through the sheet references to sheets, other workbooks or several sheets.
// Which number formats make dates is checked against xlrd.
#include <gtest/gtest.h>

#include "checks.h"
#include "runtime/error.h"
#include "spreadsheet/biff_reader.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/workbook.h"
#include "xls_builder.h"

namespace sheaver::xl {
namespace {

using namespace testing;

std::shared_ptr<WorkbookModel> Read(const Bytes& globals, const std::vector<SheetSpec>& sheets) {
  return ReadBiffWorkbook(BuildStream(globals, sheets), "Workbook", "test.xls");
}

Bytes SstHeader(std::uint32_t unique) {
  Bytes b;
  Put32(b, unique);
  Put32(b, unique);
  return b;
}

TEST(SharedStrings, ATextSplitAcrossContinueRecordsSwitchesCharacterWidth) {
  // 6 characters: the first 2 as 8-bit bytes in the SST record, the rest in a CONTINUE that
  // restarts with an option byte saying 16-bit.
  Bytes sst = SstHeader(1);
  Put16(sst, 6);
  sst.push_back(0);
  PutText(sst, "ab");
  Bytes cont = {0x01};
  for (char16_t c : std::u16string(u"cd\u00e9\u4e2d")) Put16(cont, c);
  Bytes globals = Rec(0x00FC, sst);
  PutBytes(globals, Rec(0x003C, cont));
  auto book = Read(globals, {{"Sheet1", 0, LabelSstRec(0, 0, 0)}});
  EXPECT_EQ(book->CellValue(0, 0, 0), Value::Text("abcd\u00e9\u4e2d"));
}

TEST(DamagedRecords, NameTheFileSheetAndPlace) {
  // A count of 2^31-1 texts is only a hint; a cell past the texts held is damage.
  Bytes sst = SstHeader(0x7FFFFFFF);
  PutBytes(sst, Str8("only"));
  auto book = Read(Rec(0x00FC, sst), {{"Sheet1", 0, LabelSstRec(3, 2, 5)}});
  auto [number, text] = ErrorOf([&] { book->Cells(0); });
  EXPECT_EQ(number, err::kWorkbookUnreadable);
  EXPECT_TRUE(text.starts_with("test.xls: sheet 'Sheet1'")) << text;
  EXPECT_NE(text.find("shared string 5 of 1"), std::string::npos) << text;
  try {
    book->Cells(0);
  } catch (const Error& e) {
    EXPECT_EQ(e.Context().file, "test.xls");
    EXPECT_EQ(e.Context().sheet, "Sheet1");
  }

  Bytes stream = BuildStream({}, {{"Sheet1", 0, {}}});
  Bytes bad = Rec(0x0203, Bytes(14, 0));
  bad[2] = 0xFF;  // claims 255 bytes
  stream.insert(stream.begin() + 20, bad.begin(), bad.end());
  std::tie(number, text) = ErrorOf([&] { ReadBiffWorkbook(stream, "Workbook", "t.xls"); });
  EXPECT_EQ(number, err::kWorkbookUnreadable);
  EXPECT_NE(text.find("runs past the end of the stream (Workbook stream, offset 20)"),
            std::string::npos)
      << text;
  try {
    ReadBiffWorkbook(stream, "Workbook", "t.xls");
  } catch (const Error& e) {
    EXPECT_EQ(e.Context().part, "Workbook stream");
    EXPECT_EQ(e.Context().offset, 20u);
  }
}

// The stream offset of the body of the `n`th record of type `type` (from 0).
std::size_t BodyOf(const Bytes& stream, std::uint16_t type, int n = 0) {
  for (std::size_t pos = 0; pos + 4 <= stream.size();) {
    const std::uint16_t t = static_cast<std::uint16_t>(stream[pos] | stream[pos + 1] << 8);
    const std::size_t length = stream[pos + 2] | stream[pos + 3] << 8;
    if (t == type && n-- == 0) return pos + 4;
    pos += 4 + length;
  }
  ADD_FAILURE() << "no record 0x" << std::hex << type;
  return 0;
}

std::uint32_t At32(const Bytes& b, std::size_t off) {
  return b[off] | b[off + 1] << 8 | b[off + 2] << 16 | static_cast<std::uint32_t>(b[off + 3]) << 24;
}

TEST(Repairs, EmptyContinueRecordsInsideTextsArePassedOver) {
  // Shared string 0 has its header in the SST record and its characters after an empty
  // CONTINUE; shared string 1 has an empty CONTINUE between its two parts.
  Bytes sst = SstHeader(2);
  Put16(sst, 3);
  sst.push_back(0);
  Bytes part1 = {0x00};
  PutText(part1, "abc");
  Put16(part1, 3);
  part1.push_back(0);
  PutText(part1, "de");
  Bytes part2 = {0x01};
  Put16(part2, u'\u00e9');
  Bytes globals = Rec(0x00FC, sst);
  PutBytes(globals, Rec(0x003C, {}));
  PutBytes(globals, Rec(0x003C, part1));
  PutBytes(globals, Rec(0x003C, {}));
  PutBytes(globals, Rec(0x003C, part2));
  // LABEL B1 "xy" with an empty CONTINUE before its characters; a formula in C1 whose STRING
  // result has one between its parts.
  Bytes label = Cell(0, 1, 0);
  Put16(label, 2);
  label.push_back(0);
  Bytes cells = Rec(0x0204, label);
  PutBytes(cells, Rec(0x003C, {}));
  PutBytes(cells, Rec(0x003C, {0x00, 'x', 'y'}));
  Bytes formula = Cell(0, 2, 0);
  PutBytes(formula, {0, 0, 0, 0, 0, 0, 0xFF, 0xFF});
  PutBytes(formula, Bytes(6, 0));
  PutBytes(cells, Rec(0x0006, formula));
  PutBytes(cells, Rec(0x0207, {0x03, 0x00, 0x00, 'p'}));
  PutBytes(cells, Rec(0x003C, {}));
  PutBytes(cells, Rec(0x003C, {0x00, 'q', 'r'}));
  PutBytes(cells, LabelSstRec(1, 0, 0));
  PutBytes(cells, LabelSstRec(1, 1, 1));
  const Bytes stream = BuildStream(globals, {{"Data", 0, cells}});
  auto book = ReadBiffWorkbook(stream, "Workbook", "test.xls");
  ASSERT_EQ(book->repairs.size(), 2u);
  EXPECT_EQ(book->repairs[0],
            "shared string 0: passed over an empty CONTINUE record inside its text (Workbook "
            "stream, offset 35)");
  EXPECT_TRUE(book->repairs[1].starts_with("shared string 1: passed over")) << book->repairs[1];
  EXPECT_EQ(RowValues(*book, 0, 0, 3),
            (std::vector<Value>{Value::Empty(), Value::Text("xy"), Value::Text("pqr")}));
  EXPECT_EQ(RowValues(*book, 0, 1, 2),
            (std::vector<Value>{Value::Text("abc"), Value::Text("de\u00e9")}));
  ASSERT_EQ(book->repairs.size(), 4u);
  EXPECT_TRUE(book->repairs[2].starts_with("sheet 'Data': cell B1: passed over an empty CONTINUE"))
      << book->repairs[2];
  EXPECT_TRUE(book->repairs[3].starts_with("sheet 'Data': cell C1: passed over"))
      << book->repairs[3];

  // A text that ends on empty CONTINUE records, its characters missing, is still damage.
  Bytes cut = SstHeader(1);
  Put16(cut, 3);
  cut.push_back(0);
  Bytes bad = Rec(0x00FC, cut);
  PutBytes(bad, Rec(0x003C, {}));
  auto [number, text] = ErrorOf([&] { Read(bad, {{"Data", 0, {}}}); });
  EXPECT_EQ(number, err::kWorkbookUnreadable);
  EXPECT_NE(text.find("a text runs past the end of its record"), std::string::npos) << text;
}

TEST(Repairs, ALabelWithoutTheOptionByteOfItsEmptyTextIsAnEmptyText) {
  Bytes cells = Rec(0x0204, [] {
    Bytes b = Cell(2, 0, 0);
    Put16(b, 0);
    return b;
  }());
  PutBytes(cells, NumberRec(2, 1, 7));
  auto book = Read({}, {{"Data", 0, cells}});
  EXPECT_EQ(RowValues(*book, 0, 2, 2), (std::vector<Value>{Value::Text(""), Value::Number(7)}));
  ASSERT_EQ(book->repairs.size(), 1u);
  EXPECT_TRUE(book->repairs[0].starts_with("sheet 'Data': cell A3: read a LABEL record without"))
      << book->repairs[0];
}

TEST(Repairs, ASheetWhoseBofIsAFewBytesOffItsOffsetIsFound) {
  // 12 bytes between the globals and the first sheet, which the BOUNDSHEET offsets do not count:
  // both sheets are found 12 bytes after their offsets.
  Bytes stream =
      BuildStream({}, {{"Data", 0, NumberRec(0, 0, 1)}, {"More", 0, NumberRec(0, 0, 2)}});
  const std::size_t first = At32(stream, BodyOf(stream, 0x0085, 0));
  stream.insert(stream.begin() + static_cast<std::ptrdiff_t>(first), 12, 0);
  auto book = ReadBiffWorkbook(stream, "Workbook", "test.xls");
  EXPECT_EQ(book->CellValue(0, 0, 0), Value::Number(1));
  EXPECT_EQ(book->CellValue(1, 0, 0), Value::Number(2));
  EXPECT_EQ(book->repairs,
            (std::vector<std::string>{
                "sheet 'Data': its BOF record was 12 bytes after the offset the workbook gives "
                "(Workbook stream, offset " +
                    std::to_string(first) + ")",
                "sheet 'More': its BOF record was 12 bytes after the offset the workbook gives "
                "(Workbook stream, offset " +
                    std::to_string(At32(stream, BodyOf(stream, 0x0085, 1))) + ")"}));

  // An offset 5 bytes into the sheet's BOF record: found 5 bytes before.
  Bytes late = BuildStream({}, {{"Data", 0, NumberRec(0, 0, 1)}});
  const std::size_t bof = At32(late, BodyOf(late, 0x0085));
  Poke32(late, BodyOf(late, 0x0085), static_cast<std::uint32_t>(bof + 5));
  book = ReadBiffWorkbook(late, "Workbook", "test.xls");
  EXPECT_EQ(book->CellValue(0, 0, 0), Value::Number(1));
  ASSERT_EQ(book->repairs.size(), 1u);
  EXPECT_TRUE(book->repairs[0].starts_with("sheet 'Data': its BOF record was 5 bytes before"))
      << book->repairs[0];

  // An offset into the middle of 20 cells, more than 64 bytes from any BOF: the sheet cannot be
  // read, with the error naming it; the workbook still opens.
  Bytes many;
  for (std::uint16_t r = 0; r < 20; ++r) PutBytes(many, NumberRec(r, 0, r));
  Bytes lost = BuildStream({}, {{"Data", 0, many}});
  Poke32(lost, BodyOf(lost, 0x0085), At32(lost, BodyOf(lost, 0x0085)) + 200);
  book = ReadBiffWorkbook(lost, "Workbook", "test.xls");
  EXPECT_TRUE(book->repairs.empty());
  auto [number, text] = ErrorOf([&] { book->Cells(0); });
  EXPECT_EQ(number, err::kWorkbookUnreadable);
  EXPECT_TRUE(
      text.starts_with("test.xls: sheet 'Data': damaged workbook: the sheet does not "
                       "start with a BOF record, nor is there one within 64 bytes"))
      << text;
}

TEST(DamagedRecords, ASheetOffsetIntoTheGlobalsIsAnError) {
  // Offset 0 is the globals' own BOF: once read as an empty sheet.
  for (std::uint32_t offset : {0u, 24u}) {
    Bytes stream = BuildStream({}, {{"Data", 0, NumberRec(0, 0, 1)}});
    Poke32(stream, BodyOf(stream, 0x0085), offset);
    auto book = ReadBiffWorkbook(stream, "Workbook", "test.xls");
    auto [number, text] = ErrorOf([&] { book->Cells(0); });
    EXPECT_EQ(number, err::kWorkbookUnreadable);
    EXPECT_EQ(text,
              "test.xls: sheet 'Data': damaged workbook: the workbook gives the sheet's "
              "start as offset " +
                  std::to_string(offset) +
                  ", inside the workbook globals (which end at offset 40) (Workbook "
                  "stream, offset " +
                  std::to_string(offset) + ")");
  }
}

TEST(ChartSheets, HaveNoCellsAndRefuseReferences) {
  // A chart sheet's records hold its series' cached values as cells; none of them is read. The
  // second sheet says worksheet in its BOUNDSHEET, but its BOF says chart.
  Bytes stream = BuildStream({}, {{"Chart1", 2, NumberRec(0, 0, 2008)},
                                  {"Chart2", 2, NumberRec(0, 0, 2009)},
                                  {"Data", 0, NumberRec(0, 0, 1)}});
  stream[BodyOf(stream, 0x0085, 1) + 5] = 0;
  auto book = ReadBiffWorkbook(stream, "Workbook", "test.xls");
  EXPECT_EQ(book->sheets[0].kind, SheetKind::kChart);
  EXPECT_EQ(book->sheets[1].kind, SheetKind::kChart);
  EXPECT_EQ(book->sheets[2].kind, SheetKind::kWorksheet);
  EXPECT_EQ(book->Cells(0).CellCount(), 0u);
  EXPECT_EQ(book->Cells(1).CellCount(), 0u);
  EXPECT_EQ(book->CellValue(2, 0, 0), Value::Number(1));
  const Workbook workbook(book);
  auto [number, text] = ErrorOf([&] { workbook.ActiveSheet().GetRange("A1"); });
  EXPECT_EQ(number, err::kBadReference);
  EXPECT_EQ(text, "sheet 'Chart1' is a chart sheet, which has no cells");

  // Excel's own: the active sheet is the chart of the data on the first sheet (xlrd, which
  // leaves chart sheets out, reads that one alike).
  auto real = OpenWorkbookFile(SHEAVER_TEST_DATA "/corpus/xls/phpss_chartsheet.xls");
  ASSERT_EQ(real->sheets.size(), 2u);
  EXPECT_EQ(real->sheets[1].kind, SheetKind::kChart);
  EXPECT_EQ(real->Cells(1).CellCount(), 0u);
  EXPECT_EQ(real->CellValue(0, 1, 1), Value::Number(2008));
  EXPECT_TRUE(real->repairs.empty());
}

Bytes Area3d(std::uint16_t ixti, std::uint16_t r1, std::uint16_t r2, std::uint16_t c1,
             std::uint16_t c2) {
  Bytes b = {0x3B};
  for (std::uint16_t v : {ixti, r1, r2, c1, c2}) Put16(b, v);
  return b;
}

Bytes NameRec(const std::string& name, std::uint16_t scope, const Bytes& formula,
              std::uint16_t flags = 0) {
  Bytes b;
  Put16(b, flags);
  b.push_back(0);
  b.push_back(static_cast<std::uint8_t>(name.size()));
  Put16(b, static_cast<std::uint32_t>(formula.size()));
  Put16(b, 0);
  Put16(b, scope);
  PutBytes(b, {0, 0, 0, 0, 0});
  PutText(b, name);
  PutBytes(b, formula);
  return Rec(0x0018, b);
}

TEST(DefinedNames, ResolveThroughSheetReferencesToTheRightSheet) {
  // SUPBOOK for this workbook's own 3 sheets and one for another workbook, then the sheet
  // references (supbook, first, last). They count the chart, so reference 1 is 'My Sheet'.
  Bytes own, other, xti;
  Put16(own, 3);
  Put16(own, 0x0401);
  Put16(other, 1);
  PutBytes(other, Str8("other.xls"));
  Put16(xti, 5);
  for (std::uint16_t v : {0, 0, 0, 0, 2, 2, 0, 0, 2, 1, 0, 0, 0, 0xFFFF, 0xFFFF}) Put16(xti, v);
  Bytes globals = Rec(0x01AE, own);
  PutBytes(globals, Rec(0x01AE, other));
  PutBytes(globals, Rec(0x0017, xti));
  PutBytes(globals, NameRec("Total", 0, Area3d(1, 4, 2, 3, 1)));  // corners reversed
  PutBytes(globals, NameRec("Across", 0, Area3d(2, 0, 0, 0, 0)));
  PutBytes(globals, NameRec("Elsewhere", 0, Area3d(3, 0, 0, 0, 0)));
  PutBytes(globals, NameRec("Gone", 0, Area3d(4, 0, 0, 0, 0)));
  PutBytes(globals, NameRec(std::string(1, '\x06'), 1, Area3d(0, 0, 9, 0, 3), 0x20));  // Print_Area
  PutBytes(globals, NameRec("Orphan", 7, Area3d(0, 0, 0, 0, 0)));  // sheet 7 of 3: left out
  auto book = Read(globals, {{"Data", 0, {}}, {"Chart", 2, {}}, {"My Sheet", 0, {}}});
  EXPECT_EQ(NamesText(*book),
            (std::vector<std::string>{"Total -1 2:2,1-4,3", "Across -1 it spans several sheets",
                                      "Elsewhere -1 it refers to another workbook",
                                      "Gone -1 it refers to a deleted sheet",
                                      "Data!Print_Area builtin 0 0:0,0-9,3"}));
}

// A sheet of a large stream (over 4 MiB) read last gives the stream's memory back as it is read:
// every sheet still reads whole in any order, and a sheet that failed that way gives its error
// again rather than the bytes given back.
TEST(LargeStreams, SheetsReadInAnyOrderAndAFailedLastSheetFailsAgain) {
  auto numbers = [](double base, std::uint16_t rows, std::uint16_t columns) {
    Bytes records, dimensions;
    Put32(dimensions, 0);
    Put32(dimensions, rows);
    Put16(dimensions, 0);
    Put16(dimensions, columns);
    Put16(dimensions, 0);
    PutBytes(records, Rec(0x0200, dimensions));
    for (std::uint16_t r = 0; r < rows; ++r)
      for (std::uint16_t c = 0; c < columns; ++c)
        PutBytes(records, NumberRec(r, c, base + r * 0.5 + c));
    return records;
  };
  auto book =
      Read({}, {{"First", 0, numbers(0.25, 40000, 4)}, {"Second", 0, numbers(1e6, 40000, 4)}});
  for (std::size_t sheet : {1u, 0u}) {
    const double base = sheet == 0 ? 0.25 : 1e6;
    const SheetCells& cells = book->Cells(sheet);
    EXPECT_EQ(cells.CellCount(), 160000u);
    for (std::uint32_t r : {0u, 20000u, 39999u})
      EXPECT_EQ(cells.Get(r, 3, book->strings), Value::Number(base + r * 0.5 + 3)) << sheet;
  }

  Bytes damaged = numbers(0.25, 60000, 5);
  PutBytes(damaged, LabelSstRec(60000, 0, 7));  // no shared strings at all
  auto broken = Read({}, {{"Data", 0, damaged}});
  const auto first = ErrorOf([&] { broken->Cells(0); });
  EXPECT_NE(first.second.find("shared string 7 of 0"), std::string::npos) << first.second;
  EXPECT_EQ(ErrorOf([&] { broken->Cells(0); }), first);
}

}  // namespace
}  // namespace sheaver::xl
