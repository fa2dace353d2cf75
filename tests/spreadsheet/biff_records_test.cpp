// The BIFF record layer and the traps of its record kinds, in workbooks built record by record:
// texts split across CONTINUE records, packed numbers, cached formula results, date formats,
// code pages, defined names and the sheets they point to, the active sheet, lazy sheet reading.
// What real producers write is checked by the fixture and corpus comparisons.
#include <gtest/gtest.h>

#include "checks.h"
#include "runtime/error.h"
#include "spreadsheet/biff_reader.h"
#include "spreadsheet/number_format.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/package_text.h"
#include "xls_builder.h"

namespace sheaver::xl {
namespace {

using namespace testing;

std::shared_ptr<WorkbookModel> Read(const Bytes& globals, const std::vector<SheetSpec>& sheets,
                                    bool biff8 = true) {
  return ReadBiffWorkbook(BuildStream(globals, sheets, biff8), "Workbook", "test.xls");
}

std::shared_ptr<WorkbookModel> OneSheet(const Bytes& globals, const Bytes& cells,
                                        bool biff8 = true) {
  return Read(globals, {{"Sheet1", 0, cells}}, biff8);
}

// ---- shared strings -------------------------------------------------------------------------

Bytes SstHeader(std::uint32_t unique) {
  Bytes b;
  Put32(b, unique);
  Put32(b, unique);
  return b;
}

TEST(SharedStrings, TextsSplitAcrossContinueRecordsSwitchCharacterWidth) {
  // Text 0: "Hello" plain. Text 1: 6 characters, the first 2 as 8-bit bytes in the SST record,
  // the rest in a CONTINUE that restarts with an option byte saying 16-bit. Text 2: header at
  // the very end of a record, its characters in the next CONTINUE after an option byte.
  Bytes sst = SstHeader(3);
  PutBytes(sst, Str8("Hello"));
  Put16(sst, 6);
  sst.push_back(0);
  PutText(sst, "ab");
  Bytes cont1 = {0x01};
  for (char16_t c : std::u16string(u"cd\u00e9\u4e2d")) Put16(cont1, c);
  Put16(cont1, 3);
  cont1.push_back(0x00);
  Bytes cont2 = {0x00};
  PutText(cont2, "xyz");
  Bytes globals = Rec(0x00FC, sst);
  PutBytes(globals, Rec(0x003C, cont1));
  PutBytes(globals, Rec(0x003C, cont2));
  Bytes cells = LabelSstRec(0, 0, 0);
  PutBytes(cells, LabelSstRec(1, 0, 1));
  PutBytes(cells, LabelSstRec(2, 0, 2));
  auto book = OneSheet(globals, cells);
  EXPECT_EQ(book->CellValue(0, 0, 0), Value::Text("Hello"));
  EXPECT_EQ(book->CellValue(0, 1, 0), Value::Text("abcd\u00e9\u4e2d"));
  EXPECT_EQ(book->CellValue(0, 2, 0), Value::Text("xyz"));
}

TEST(SharedStrings, RichTextRunsAndPhoneticDataAreSkippedEvenAcrossRecords) {
  Bytes sst = SstHeader(2);
  Put16(sst, 3);
  sst.push_back(0x0C);  // rich text and phonetic data follow
  Put16(sst, 2);        // two runs
  Put32(sst, 5);        // five bytes of phonetic data
  PutText(sst, "Red");
  Put32(sst, 0x00010000);
  Bytes cont = {0, 0, 0, 0};  // the rest of the second run: no option byte here
  PutBytes(cont, {1, 2, 3, 4, 5});
  PutBytes(cont, Str8("next"));
  Bytes globals = Rec(0x00FC, sst);
  PutBytes(globals, Rec(0x003C, cont));
  Bytes cells = LabelSstRec(0, 0, 0);
  PutBytes(cells, LabelSstRec(0, 1, 1));
  auto book = OneSheet(globals, cells);
  EXPECT_EQ(book->CellValue(0, 0, 0), Value::Text("Red"));
  EXPECT_EQ(book->CellValue(0, 0, 1), Value::Text("next"));
}

TEST(SharedStrings, TheCountIsOnlyAHintButACellPastTheTableIsDamage) {
  // Says 1 text but holds 2; says 2^31-1 but holds 1: no count sizes memory or the reading.
  Bytes sst = SstHeader(1);
  PutBytes(sst, Str8("one"));
  PutBytes(sst, Str8("two"));
  EXPECT_EQ(OneSheet(Rec(0x00FC, sst), LabelSstRec(0, 0, 1))->CellValue(0, 0, 0),
            Value::Text("two"));
  Bytes big = SstHeader(0x7FFFFFFF);
  PutBytes(big, Str8("only"));
  auto book = OneSheet(Rec(0x00FC, big), LabelSstRec(3, 2, 5));
  const auto [number, text] = ErrorOf([&] { book->Cells(0); });
  EXPECT_EQ(number, err::kWorkbookUnreadable);
  EXPECT_NE(text.find("test.xls: sheet 'Sheet1'"), std::string::npos) << text;
  EXPECT_NE(text.find("shared string 5 of 1"), std::string::npos) << text;
}

// ---- numbers --------------------------------------------------------------------------------

TEST(PackedNumbers, DecodeAsTheFileMeansThem) {
  struct Case {
    std::uint32_t rk;
    double expected;
  } cases[] = {
      {(1u << 2) | 2, 1.0},
      {static_cast<std::uint32_t>(-1 << 2) | 2, -1.0},
      {static_cast<std::uint32_t>(-536870912 << 2) | 2, -536870912.0},  // smallest 30-bit int
      {(536870911u << 2) | 2, 536870911.0},
      {(12345u << 2) | 3, 123.45},  // integer / 100
      {static_cast<std::uint32_t>(-5 << 2) | 3, -0.05},
      {0x3FF80000, 1.5},       // high bits of 1.5
      {(35u << 2) | 3, 0.35},  // divided by 100: times 0.01 is a bit off
      {0x40292001, 0.125625},  // 12.5625 divided, likewise
      {0xC0240000, -10.0}};
  for (const Case& c : cases) {
    EXPECT_EQ(SheetCells::UnpackNumber(c.rk), c.expected) << std::hex << c.rk;
  }
}

// The plain cell records are in every corpus workbook; these are the rarer ones.
TEST(CellRecords, CachedFormulaResultsAndACellGivenTwice) {
  Bytes number;
  PutF64(number, 42.5);
  Bytes cells = NumberRec(3, 0, 5);  // out of row order
  PutBytes(cells, NumberRec(0, 0, 99));
  PutBytes(cells, FormulaRec(0, 0, number));  // replaces the number
  // A text result is in the STRING record after the formula, here after a SHRFMLA too.
  PutBytes(cells, FormulaRec(0, 1, {0, 0, 0, 0, 0, 0, 0xFF, 0xFF}));
  PutBytes(cells, Rec(0x04BC, Bytes(10, 0)));
  PutBytes(cells, Rec(0x0207, Str8("from formula")));
  PutBytes(cells, FormulaRec(0, 2, {1, 0, 0, 0, 0, 0, 0xFF, 0xFF}));     // boolean false
  PutBytes(cells, FormulaRec(0, 3, {2, 0, 0x2A, 0, 0, 0, 0xFF, 0xFF}));  // error #N/A
  PutBytes(cells, FormulaRec(0, 4, {3, 0, 0, 0, 0, 0, 0xFF, 0xFF}));     // the empty text
  auto book = OneSheet({}, cells);
  EXPECT_EQ(
      RowValues(*book, 0, 0, 6),
      (std::vector<Value>{Value::Number(42.5), Value::Text("from formula"), Value::Boolean(false),
                          Value::ErrorCode("#N/A"), Value::Text(""), Value::Empty()}));
  EXPECT_EQ(book->CellValue(0, 3, 0), Value::Number(5));
  EXPECT_EQ(book->Cells(0).CellCount(), 6u);
}

TEST(RecordStream, ARecordLongerThanTheStreamNamesItsOffset) {
  Bytes stream = BuildStream({}, {{"Sheet1", 0, {}}});
  Bytes bad = Rec(0x0203, Bytes(14, 0));
  bad[2] = 0xFF;  // claims 255 bytes
  stream.insert(stream.begin() + 20, bad.begin(), bad.end());
  const auto [number, text] = ErrorOf([&] { ReadBiffWorkbook(stream, "Workbook", "t.xls"); });
  EXPECT_EQ(number, err::kWorkbookUnreadable);
  EXPECT_NE(text.find("runs past the end of the stream (Workbook stream, offset 20)"),
            std::string::npos)
      << text;
}

// ---- formats and dates ----------------------------------------------------------------------

// Elapsed times ("[h]:mm") are durations, not dates; of several sections the first decides.
TEST(NumberFormats, DatesHaveDateOrTimePartsOutsideQuotesEscapesAndBrackets) {
  for (const char* code : {"[h]:mm:ss", "[HH]:MM", "[s]"}) {
    EXPECT_TRUE(IsDateFormat(code)) << code;
    EXPECT_TRUE(IsElapsedTimeFormat(code)) << code;
  }
  for (const char* code : {"d/m/yy", "dd/mm/yyyy hh:mm", "mm:ss;[h]:mm", "h:mm AM/PM", "[Red]h:mm",
                           "[$-409]d-mmm-yyyy", "yyyy\\-mm\\-dd", "\\[h]:mm", "\"[h]\"mm"}) {
    EXPECT_TRUE(IsDateFormat(code)) << code;
    EXPECT_FALSE(IsElapsedTimeFormat(code)) << code;
  }
  for (const char* code : {"General", "@", "#,##0.00 \"days\"", "0.00\\h", "\"Date:\" 0",
                           "_(* #,##0_)", "0.00;[Red]-0.00"}) {
    EXPECT_FALSE(IsDateFormat(code)) << code;
    EXPECT_FALSE(IsElapsedTimeFormat(code)) << code;
  }
  // The built-in date formats are 14 to 22 and 45 to 47.
  for (std::uint16_t id : {14, 22, 45, 47}) EXPECT_TRUE(IsBuiltinDateFormat(id)) << id;
  for (std::uint16_t id : {13, 23, 44, 48}) EXPECT_FALSE(IsBuiltinDateFormat(id)) << id;
}

TEST(DateFormats, CellsTakeTheirKindFromTheirFormatEvenARedefinedBuiltIn) {
  // XF 0 General, XF 1 built-in 14, XF 2 custom date 164, XF 3 built-in 15 redefined as a
  // number format.
  Bytes globals = FormatRec(164, "dd/mm/yyyy");
  PutBytes(globals, FormatRec(15, "0.00"));
  for (std::uint16_t f : {0, 14, 164, 15}) PutBytes(globals, XfRec(f));
  Bytes cells = NumberRec(0, 0, 45000, 0);
  PutBytes(cells, NumberRec(0, 1, 45000, 1));
  PutBytes(cells, RkRec(0, 2, (45000u << 2) | 2, 2));
  PutBytes(cells, NumberRec(0, 3, 45000, 3));
  PutBytes(cells, NumberRec(0, 4, -5, 1));  // before any date: a number
  auto book = OneSheet(globals, cells);
  EXPECT_EQ(RowValues(*book, 0, 0, 5),
            (std::vector<Value>{Value::Number(45000), Value::Date(45000), Value::Date(45000),
                                Value::Number(45000), Value::Number(-5)}));
}

TEST(DateFormats, The1904DateSystemShiftsDatesButNotDurations) {
  // XF 0 built-in 14, XF 1 custom duration 164, XF 2 built-in duration 46; DATEMODE 1904.
  Bytes globals = Rec(0x0022, {1, 0});
  PutBytes(globals, FormatRec(164, "[h]:mm"));
  for (std::uint16_t f : {14, 164, 46}) PutBytes(globals, XfRec(f));
  Bytes cells = NumberRec(0, 0, 0, 0);
  PutBytes(cells, NumberRec(0, 1, 1.5, 1));
  PutBytes(cells, NumberRec(0, 2, 1.5, 2));
  auto book = OneSheet(globals, cells);
  EXPECT_EQ(book->date_system, DateSystem::k1904);
  EXPECT_EQ(RowValues(*book, 0, 0, 3),
            (std::vector<Value>{Value::Date(1462), Value::Date(1.5), Value::Date(1.5)}));
}

// ---- older workbooks ---------------------------------------------------------------

TEST(Biff5, TextsAreReadInTheWorkbookCodePage) {
  Bytes cells = LabelRec(0, 0, "\x80 5");  // Windows-1252 euro sign
  auto book = OneSheet({}, cells, false);
  EXPECT_EQ(book->sheets[0].max_rows, 16384u);
  EXPECT_EQ(book->CellValue(0, 0, 0), Value::Text("\u20ac 5"));
  Bytes cp;
  Put16(cp, 1251);
  auto cyrillic = OneSheet(Rec(0x0042, cp), LabelRec(0, 0, "\xcf\xf0\xe8"), false);
  EXPECT_EQ(cyrillic->CellValue(0, 0, 0), Value::Text("\u041f\u0440\u0438"));
}

// ---- sheets, active sheet, names ------------------------------------------------------------

TEST(Sheets, TheActiveOneIsTheWindowsCurrentTabAndOnlyTheOnesAskedForAreRead) {
  std::vector<SheetSpec> sheets = {{"A", 0, NumberRec(0, 0, 1)}, {"B", 0, NumberRec(0, 0, 2)}};
  auto window = [](std::uint16_t tab) {
    Bytes b(10, 0);
    Put16(b, tab);
    PutBytes(b, Bytes(6, 0));
    return Rec(0x003D, b);
  };
  EXPECT_EQ(Read(window(1), sheets)->active_sheet, 1u);
  EXPECT_EQ(Read({}, sheets)->active_sheet, 0u);         // no window recorded
  EXPECT_EQ(Read(window(9), sheets)->active_sheet, 0u);  // a tab that does not exist
  auto book = Read({}, sheets);
  EXPECT_FALSE(book->IsLoaded(0));
  EXPECT_EQ(book->CellValue(1, 0, 0), Value::Number(2));
  EXPECT_FALSE(book->IsLoaded(0));
  EXPECT_TRUE(book->IsLoaded(1));
}

// SUPBOOK for this workbook's own 3 sheets, and one for another workbook.
Bytes SupBooks() {
  Bytes own;
  Put16(own, 3);
  Put16(own, 0x0401);
  Bytes other;
  Put16(other, 1);
  PutBytes(other, Str8("other.xls"));
  Bytes out = Rec(0x01AE, own);
  PutBytes(out, Rec(0x01AE, other));
  return out;
}

// EXTERNSHEET entries: (supbook, first, last).
Bytes ExternSheet(std::initializer_list<std::array<std::uint16_t, 3>> xtis) {
  Bytes b;
  Put16(b, static_cast<std::uint32_t>(xtis.size()));
  for (const auto& x : xtis)
    for (std::uint16_t v : x) Put16(b, v);
  return Rec(0x0017, b);
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
  PutBytes(b, {0, 0, 0, 0});
  b.push_back(0);
  PutText(b, name);
  PutBytes(b, formula);
  return Rec(0x0018, b);
}

Bytes Area3d(std::uint16_t ixti, std::uint16_t r1, std::uint16_t r2, std::uint16_t c1,
             std::uint16_t c2) {
  Bytes b = {0x3B};
  for (std::uint16_t v : {ixti, r1, r2, c1, c2}) Put16(b, v);
  return b;
}

TEST(DefinedNames, ResolveThroughSheetReferencesToTheRightSheet) {
  // Sheets: Data, a chart, 'My Sheet'. The sheet references count the chart, so reference 1
  // (sheets 2..2) is 'My Sheet'.
  Bytes globals = SupBooks();
  PutBytes(
      globals,
      ExternSheet({{{0, 0, 0}}, {{0, 2, 2}}, {{0, 0, 2}}, {{1, 0, 0}}, {{0, 0xFFFF, 0xFFFF}}}));
  PutBytes(globals, NameRec("Total", 0, Area3d(1, 4, 2, 3, 1)));     // corners reversed
  PutBytes(globals, NameRec("Local", 3, {0x3A, 1, 0, 0, 0, 1, 0}));  // ref3d to 'My Sheet'!B1
  PutBytes(globals, NameRec("Across", 0, Area3d(2, 0, 0, 0, 0)));
  PutBytes(globals, NameRec("Elsewhere", 0, Area3d(3, 0, 0, 0, 0)));
  PutBytes(globals, NameRec("Gone", 0, Area3d(4, 0, 0, 0, 0)));
  PutBytes(globals, NameRec("Rate", 0, {0x1F, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  Bytes both = Area3d(0, 0, 0, 0, 0);
  PutBytes(both, Area3d(0, 5, 5, 5, 5));
  both.push_back(0x10);
  PutBytes(globals, NameRec("Both", 0, both));
  PutBytes(globals, NameRec(std::string(1, '\x06'), 1, Area3d(0, 0, 9, 0, 3), 0x20));  // Print_Area
  PutBytes(globals, NameRec("Orphan", 7, Area3d(0, 0, 0, 0, 0)));
  PutBytes(globals, NameRec("Print_Area", 0, Area3d(0, 1, 1, 1, 1)));
  auto book = Read(globals, {{"Data", 0, {}}, {"Chart", 2, {}}, {"My Sheet", 0, {}}});

  // Orphan belongs to sheet 7 of 3 and is left out.
  EXPECT_EQ(
      NamesText(*book),
      (std::vector<std::string>{
          "Total -1 2:2,1-4,3", "'My Sheet'!Local 2 2:0,1-0,1", "Across -1 it spans several sheets",
          "Elsewhere -1 it refers to another workbook", "Gone -1 it refers to a deleted sheet",
          "Rate -1 it is a constant", "Both -1 it refers to several areas",
          "Print_Area -1 0:1,1-1,1", "Data!Print_Area builtin 0 0:0,0-9,3"}));
}

}  // namespace
}  // namespace sheaver::xl
