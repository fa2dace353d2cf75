// The BIFF record layer, in workbooks built record by record, for what the corpus comparison
// against xlrd does not reach: a text whose character width changes at a CONTINUE record, the
// errors of damaged records, and names that point through the sheet references to sheets,
// other workbooks or several sheets. Which number formats make dates is checked against xlrd.
#include <gtest/gtest.h>

#include "checks.h"
#include "runtime/error.h"
#include "spreadsheet/biff_reader.h"
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

  Bytes stream = BuildStream({}, {{"Sheet1", 0, {}}});
  Bytes bad = Rec(0x0203, Bytes(14, 0));
  bad[2] = 0xFF;  // claims 255 bytes
  stream.insert(stream.begin() + 20, bad.begin(), bad.end());
  std::tie(number, text) = ErrorOf([&] { ReadBiffWorkbook(stream, "Workbook", "t.xls"); });
  EXPECT_EQ(number, err::kWorkbookUnreadable);
  EXPECT_NE(text.find("runs past the end of the stream (Workbook stream, offset 20)"),
            std::string::npos)
      << text;
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

}  // namespace
}  // namespace sheaver::xl
