// Excel 2.x, 3.0 and 4.0 worksheets built record by record, for what the six corpus files do not
// hold: every cell record of each version, dates through each version's way to a number format,
// the 1904 system, names, the kinds of file refused; and the code page of a BIFF5 workbook
// without a CODEPAGE record, taken from its fonts.
#include <gtest/gtest.h>

#include "checks.h"
#include "runtime/error.h"
#include "spreadsheet/biff_reader.h"
#include "spreadsheet/open_workbook.h"
#include "xls_builder.h"

namespace sheaver::xl {
namespace {

using namespace testing;

// An Excel 2.x (2), 3.0 (3) or 4.0 (4) worksheet: BOF, the records, EOF.
Bytes OldSheet(int version, const Bytes& records, std::uint16_t type = 0x0010) {
  Bytes bof;
  Put16(bof, version == 2 ? 7 : 0);
  Put16(bof, type);
  if (version > 2) Put16(bof, 0);
  Bytes out = Rec(version == 2 ? 0x0009 : version == 3 ? 0x0209 : 0x0409, bof);
  PutBytes(out, records);
  PutBytes(out, Rec(0x000A, {}));
  return out;
}

// The start of a cell record: row, column, then the cell's format. Excel 2.x has three bytes of
// attributes (the number format index in the second); later versions a 16-bit XF index.
Bytes OldCell(int version, std::uint16_t row, std::uint16_t col, std::uint8_t format) {
  Bytes b;
  Put16(b, row);
  Put16(b, col);
  if (version == 2) {
    b.push_back(0);
    b.push_back(format);
    b.push_back(0);
  } else {
    Put16(b, format);
  }
  return b;
}

Bytes Byte8Text(const std::string& s) {
  Bytes b = {static_cast<std::uint8_t>(s.size())};
  PutText(b, s);
  return b;
}

// FORMAT records for General, 0.00 and a date, numbered 0, 1, 2 by their order.
Bytes Formats(int version) {
  Bytes out;
  for (const char* code : {"General", "0.00", "d/m/yyyy"}) {
    Bytes b = version == 4 ? Bytes{0, 0} : Bytes{};
    PutBytes(b, Byte8Text(code));
    PutBytes(out, Rec(version == 4 ? 0x041E : 0x001E, b));
  }
  return out;
}

// XF 0 in General, XF 1 in the date format (Excel 3.0 and 4.0; Excel 2.x cells name the format).
Bytes Xfs(int version) {
  Bytes out;
  for (std::uint8_t format : {0, 2}) {
    Bytes b = {0, format};
    b.resize(version == 3 ? 12 : 16, 0);
    PutBytes(out, Rec(version == 3 ? 0x0243 : 0x0443, b));
  }
  return out;
}

// A formula's cached result of text, which the STRING record after it holds.
Bytes TextResult() {
  return {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
}

// Each version's cell records, in a 1904-system worksheet opened by its content under a path.
TEST(OldWorksheets, EachVersionReadsItsCellRecords) {
  for (int version : {2, 3, 4}) {
    SCOPED_TRACE(version);
    const bool b2 = version == 2;
    const std::uint8_t date = b2 ? 2 : 1;  // the date format, or the XF showing it
    Bytes records = Rec(0x0022, {1, 0});
    PutBytes(records, Formats(version));
    if (!b2) PutBytes(records, Xfs(version));
    Bytes number = OldCell(version, 0, 0, 0);
    PutF64(number, 7.25);
    PutBytes(records, Rec(b2 ? 0x0003 : 0x0203, number));
    Bytes day = OldCell(version, 0, 1, date);
    PutF64(day, 100.5);
    PutBytes(records, Rec(b2 ? 0x0003 : 0x0203, day));
    Bytes label = OldCell(version, 1, 0, 0);
    if (b2)
      PutBytes(label, Byte8Text("caf\xe9"));
    else
      PutBytes(label, [] {
        Bytes b;
        Put16(b, 4);
        PutText(b, "caf\xe9");
        return b;
      }());
    PutBytes(records, Rec(b2 ? 0x0004 : 0x0204, label));
    Bytes boolean = OldCell(version, 1, 1, 0);
    PutBytes(boolean, {1, 0});
    PutBytes(records, Rec(b2 ? 0x0005 : 0x0205, boolean));
    Bytes error = OldCell(version, 1, 2, 0);
    PutBytes(error, {0x07, 1});
    PutBytes(records, Rec(b2 ? 0x0005 : 0x0205, error));
    Bytes formula = OldCell(version, 2, 0, 0);
    PutBytes(formula, TextResult());
    PutBytes(formula, b2 ? Bytes{0, 1, 0x03} : Bytes{0, 0, 1, 0, 0x03});
    PutBytes(records, Rec(version == 2 ? 0x0006 : version == 3 ? 0x0206 : 0x0406, formula));
    Bytes string = b2 ? Byte8Text("sum") : Bytes{3, 0, 's', 'u', 'm'};
    PutBytes(records, Rec(b2 ? 0x0007 : 0x0207, string));
    Bytes packed = OldCell(version, 2, 1, date);  // INTEGER in Excel 2.x, RK later
    if (b2)
      Put16(packed, 40000);
    else
      Put32(packed, (40000u << 2) | 2);
    PutBytes(records, Rec(b2 ? 0x0002 : 0x027E, packed));

    auto book = OpenWorkbookBytes(OldSheet(version, records), "forms/Week 07.xls");
    ASSERT_EQ(book->sheets.size(), 1u);
    EXPECT_EQ(book->sheets[0].name, "Week 07");
    EXPECT_EQ(book->sheets[0].max_rows, 16384u);
    EXPECT_EQ(book->format,
              b2 ? "Excel 2.x worksheet" : "Excel " + std::to_string(version) + ".0 worksheet");
    EXPECT_EQ(book->date_system, DateSystem::k1904);
    EXPECT_EQ(RowValues(*book, 0, 0, 2),
              (std::vector<Value>{Value::Number(7.25), Value::Date(100.5 + 1462)}));
    EXPECT_EQ(RowValues(*book, 0, 1, 3),
              (std::vector<Value>{Value::Text("caf\u00e9"), Value::Boolean(true),
                                  Value::ErrorCode("#DIV/0!")}));
    EXPECT_EQ(RowValues(*book, 0, 2, 2),
              (std::vector<Value>{Value::Text("sum"), Value::Date(40000 + 1462)}));
  }
}

// Without FORMAT records (as some writers leave them out) an XF's number format is the
// built-in one of that index: 14 is a date.
TEST(OldWorksheets, AnXfWithoutItsFormatRecordUsesTheBuiltInFormat) {
  Bytes xf = {0, 14};
  xf.resize(12, 0);
  Bytes records = Rec(0x0443, xf);
  Bytes day = OldCell(4, 0, 0, 0);
  PutF64(day, 45000);
  PutBytes(records, Rec(0x0203, day));
  auto book = ReadOldBiffWorksheet(OldSheet(4, records), "t.xls");
  EXPECT_EQ(book->CellValue(0, 0, 0), Value::Date(45000));
}

// Names belong to the workbook and refer to its one sheet; Excel 3.0 and 4.0 write their areas
// as ptgAreaN, and built-in names as one character.
TEST(OldWorksheets, NamesReferToTheOneSheet) {
  auto name3 = [](std::uint16_t flags, const std::string& name, const Bytes& formula) {
    Bytes b;
    Put16(b, flags);
    b.push_back(0);
    b.push_back(static_cast<std::uint8_t>(name.size()));
    Put16(b, static_cast<std::uint32_t>(formula.size()));
    PutText(b, name);
    PutBytes(b, formula);
    return Rec(0x0218, b);
  };
  const Bytes area = {0x2D, 1, 0, 4, 0, 0, 2};  // A2:C5
  Bytes records = name3(0, "Total", area);
  PutBytes(records, name3(0x0020, "\x06", area));
  PutBytes(records, name3(0, "Rate", {0x1E, 5, 0}));  // the constant 5
  auto book = ReadOldBiffWorksheet(OldSheet(3, records), "Week.xls");
  EXPECT_EQ(NamesText(*book),
            (std::vector<std::string>{"Total -1 0:1,0-4,2", "Rate -1 it is a constant",
                                      "Print_Area builtin -1 0:1,0-4,2"}));

  // Excel 2.x: flags, key, name and formula lengths a byte each.
  Bytes b = {0, 0, 4, 7};
  PutText(b, "Cell");
  PutBytes(b, {0x45, 2, 0, 2, 0, 2, 3});  // ptgArea (value class) C3:D3
  book = ReadOldBiffWorksheet(OldSheet(2, Rec(0x0018, b)), "Week.xls");
  EXPECT_EQ(NamesText(*book), (std::vector<std::string>{"Cell -1 0:2,2-2,3"}));
}

TEST(OldWorksheets, OtherKindsOfOldFileAreRefusedSayingWhat) {
  struct Case {
    Bytes file;
    int number;
    std::string phrase;
  };
  const Case cases[] = {
      {OldSheet(4, {}, 0x0100), err::kWorkbookUnsupported, "Excel 4.0 workbook (several sheets"},
      {OldSheet(3, {}, 0x0020), err::kWorkbookUnsupported, "Excel 3.0 chart, which has no cells"},
      {OldSheet(4, {}, 0x0040), err::kWorkbookUnsupported, "Excel 4.0 macro sheet"},
      {OldSheet(2, Rec(0x002F, {1, 2, 3, 4})), err::kWorkbookEncrypted, "XOR obfuscation"},
      {OldSheet(3, Rec(0x0204, {0, 0, 0, 0, 0, 0, 9, 0, 'a'})), err::kWorkbookUnreadable,
       "record is too short (file, offset 23)"},
  };
  for (const Case& c : cases) {
    auto [number, text] = ErrorOf([&] { OpenWorkbookBytes(c.file, "old.xls")->Cells(0); });
    EXPECT_EQ(number, c.number) << text;
    EXPECT_NE(text.find(c.phrase), std::string::npos) << text;
    EXPECT_TRUE(text.starts_with("old.xls: ")) << text;
  }
}

// A BIFF5 FONT record: height, options, colour, weight, escapement, underline, family,
// character set, a reserved byte, the name.
Bytes Font5(std::uint8_t charset) {
  Bytes b = {200, 0, 0, 0, 0xFF, 0x7F, 0x90, 1, 0, 0, 0, 0, charset, 0};
  PutBytes(b, Byte8Text("Arial"));
  return Rec(0x0031, b);
}

// A BIFF5 workbook of one sheet: BOF, `before`, the sheet's BOUNDSHEET, `after`, EOF, then the
// sheet with `cells`.
Bytes Biff5Book(const Bytes& before, const std::string& sheet, const Bytes& after,
                const Bytes& cells) {
  auto bof = [](std::uint8_t type) { return Rec(0x0809, {0, 5, type, 0, 0, 0, 0, 0}); };
  Bytes boundsheet = {0, 0, 0, 0, 0, 0};
  PutBytes(boundsheet, Byte8Text(sheet));
  Bytes out = bof(5);
  PutBytes(out, before);
  const std::size_t offset_at = out.size() + 4;
  PutBytes(out, Rec(0x0085, boundsheet));
  PutBytes(out, after);
  PutBytes(out, Rec(0x000A, {}));
  Poke32(out, offset_at, static_cast<std::uint32_t>(out.size()));
  PutBytes(out, bof(0x10));
  PutBytes(out, cells);
  PutBytes(out, Rec(0x000A, {}));
  return out;
}

// The code page of a BIFF5 workbook's texts, the sheet name before the fonts among them: the
// CODEPAGE record's, else the first font's whose character set names a script, else
// Windows-1252.
TEST(CodePage, WithoutACodePageRecordTheFontsCharacterSetDecides) {
  const std::string text = "\xcf\xf0\xe8\xe2\xe5\xf2";  // "Привет" in Windows-1251
  const std::string in1250 = "\u010e\u0111\u010d\u00e2\u013a\u0148";
  struct Case {
    const char* what;
    std::vector<std::uint8_t> charsets;
    int code_page;  // of a CODEPAGE record, 0 for none
    std::string expected;
  } cases[] = {
      {"a Russian font after ANSI, default and symbol ones",
       {0, 1, 2, 204, 238},
       0,
       "\u041f\u0440\u0438\u0432\u0435\u0442"},
      {"an Eastern European font", {238}, 0, in1250},
      {"the CODEPAGE record over the fonts", {204}, 1250, in1250},
      {"no font naming a script", {0, 2}, 0, "\u00cf\u00f0\u00e8\u00e2\u00e5\u00f2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes before;
    if (c.code_page)
      PutBytes(before, Rec(0x0042, {static_cast<std::uint8_t>(c.code_page),
                                    static_cast<std::uint8_t>(c.code_page >> 8)}));
    Bytes fonts;
    for (std::uint8_t set : c.charsets) PutBytes(fonts, Font5(set));
    Bytes label = Cell(0, 0, 0);
    Put16(label, static_cast<std::uint32_t>(text.size()));
    PutText(label, text);
    auto book =
        ReadBiffWorkbook(Biff5Book(before, text, fonts, Rec(0x0204, label)), "Book", "t.xls");
    EXPECT_EQ(book->sheets.at(0).name, c.expected);
    EXPECT_EQ(book->CellValue(0, 0, 0), Value::Text(c.expected));
  }
}

// An Excel 95 workbook Excel wrote, its CODEPAGE record taken out and its names made Greek
// (tests/data/codepage/make_greek95_no_codepage.py): the defined name before the fonts and the
// sheet name after them both decode in the Greek code page of its fonts.
TEST(CodePage, AnExcel95WorkbookWithoutCodePageRecordReadsInItsFontsCodePage) {
  auto book = OpenWorkbookFile(SHEAVER_TEST_DATA "/codepage/greek95_no_codepage.xls");
  EXPECT_EQ(book->sheets.at(0).name, "\u03a6\u03cd\u03bb\u03bb\u03bf1");
  EXPECT_EQ(NamesText(*book),
            (std::vector<std::string>{"\u03a6\u03cd\u03bb\u03bb\u03bf1!SHEETjs 0 0:1,0-1,0",
                                      "\u03a3\u03cd\u03bd\u03bf\u03bb\u03bf\u03bd -1 0:0,0-0,0"}));
}

}  // namespace
}  // namespace sheaver::xl
