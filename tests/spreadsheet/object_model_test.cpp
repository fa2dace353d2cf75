// The reference parser, the object model over real and built workbooks, the value-to-text
// conversion, and opening by content.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "runtime/error.h"
#include "spreadsheet/automation.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/reference.h"
#include "xls_builder.h"

namespace sheaver::xl {
namespace {

using namespace testing;

// ---- references -----------------------------------------------------------------------------

TEST(References, AreasInA1Style) {
  struct Case {
    const char* text;
    Area area;
  } cases[] = {
      {"A1", {0, 0, 0, 0}},
      {"b2", {1, 1, 1, 1}},
      {"$B$2", {1, 1, 1, 1}},
      {"B$2:$C7", {1, 1, 6, 2}},
      {"C7:B2", {1, 1, 6, 2}},
      {"IV65536", {65535, 255, 65535, 255}},
      {"A:A", {0, 0, 65535, 0}},
      {"d:b", {0, 1, 65535, 3}},
      {"$B:$D", {0, 1, 65535, 3}},
      {"3:5", {2, 0, 4, 255}},
      {"$5:3", {2, 0, 4, 255}},
      {"Sheet1!C3", {2, 2, 2, 2}},
      {"'It''s'!A1:B1", {0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    auto r = ParseReference(c.text, 65536, 256);
    ASSERT_TRUE(r && r->area) << c.text;
    EXPECT_EQ(*r->area, c.area) << c.text;
  }
  auto quoted = ParseReference("'It''s'!A1:B1", 65536, 256);
  EXPECT_EQ(quoted->sheet, "It's");
}

TEST(References, AnythingElseIsRejectedOrLeftAsAName) {
  for (const char* bad :
       {"",      "A0",       "IW1", "ZZZ1", "A65537", "A1:",   ":A1",   "A1:B", "1:A", "A 1", " A1",
        "A1,B2", "A1:B2:C3", "$",   "$A$",  "!A1",    "'x'A1", "R1C1:", "A1B2", "=A1", "1A"})
    EXPECT_FALSE(ParseReference(bad, 65536, 256) && ParseReference(bad, 65536, 256)->area) << bad;
  for (const char* bad : {"", "A0", "IW1", "ZZZ1", "A1:", "1A", "A 1"})
    EXPECT_FALSE(ParseReference(bad, 65536, 256)) << bad;
  EXPECT_FALSE(ParseReference("A16385", 16384, 256));  // past an Excel 5 sheet
  for (const char* name : {"WeekStart", "_total", "Rate.2024", "Москва"}) {
    auto r = ParseReference(name, 65536, 256);
    ASSERT_TRUE(r) << name;
    EXPECT_EQ(r->name, name);
  }
}

// ---- value to text --------------------------------------------------------------------------

TEST(ValueToText, EachKindAsTheCellTextReadsIt) {
  struct Case {
    Value value;
    const char* text;
  } cases[] = {
      {Value::Empty(), ""},
      {Value::Text("a, \"b\""), "a, \"b\""},
      {Value::Number(42), "42"},
      {Value::Number(7.5), "7.5"},
      {Value::Number(0.1 + 0.2), "0.3"},
      {Value::Number(-1234567.125), "-1234567.125"},
      {Value::Boolean(true), "True"},
      {Value::Boolean(false), "False"},
      {Value::Date(45292), "01/01/2024"},
      {Value::Date(45292.75), "01/01/2024 18:00:00"},
      {Value::Date(1), "01/01/1900"},
      {Value::Date(59), "28/02/1900"},
      {Value::Date(61), "01/03/1900"},
      {Value::Date(0.5), "12:00:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(ValueToText(c.value), c.text) << c.text;
  try {
    ValueToText(Value::ErrorCode("#DIV/0!"));
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::kTypeMismatch);
    EXPECT_NE(e.Description().find("#DIV/0!"), std::string::npos);
  }
}

// ---- opening by content ---------------------------------------------------------------------

TEST(OpenByContent, SniffsWhatAFileIs) {
  auto sniff = [](std::string s) {
    return SniffContent(std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()));
  };
  EXPECT_EQ(sniff(""), ContentKind::kEmpty);
  EXPECT_EQ(sniff("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1rest"), ContentKind::kCompoundFile);
  EXPECT_EQ(sniff("PK\x03\x04xxxx"), ContentKind::kZip);
  EXPECT_EQ(sniff(std::string("\x09\x08\x08\x00\x00\x06\x05\x00", 8)), ContentKind::kBareBiff);
  EXPECT_EQ(sniff(std::string("\x09\x04\x06\x00\x00\x00\x10\x00", 8)), ContentKind::kOldBiff);
  EXPECT_EQ(sniff("\xEF\xBB\xBF<!DOCTYPE html><html>"), ContentKind::kHtml);
  EXPECT_EQ(sniff("<table><tr><td>1</td></tr></table>"), ContentKind::kHtml);
  EXPECT_EQ(sniff("<?xml version=\"1.0\"?>\n<Workbook "
                  "xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">"),
            ContentKind::kSpreadsheetXml);
  EXPECT_EQ(sniff("<?xml version=\"1.0\"?><root/>"), ContentKind::kXml);
  EXPECT_EQ(sniff("ID;PWXL;N;E\r\nC;Y1;X1;K1\r\n"), ContentKind::kSylk);
  EXPECT_EQ(sniff("Name,Hours\r\nSmith,7.5\r\n"), ContentKind::kDelimitedText);
  EXPECT_EQ(sniff("Attachment not found!"), ContentKind::kText);
}

TEST(OpenByContent, ErrorsSayWhatTheFileIsInstead) {
  struct Case {
    Bytes bytes;
    int number;
    const char* phrase;
  } cases[] = {
      {{}, err::kWorkbookUnreadable, "a.xls: not a workbook: the file is empty"},
      {Bytes{'<', 'h', 't', 'm', 'l', '>'}, err::kWorkbookUnreadable, "HTML"},
      {Bytes{0x09, 0x02, 0x06, 0, 0, 0, 0x10, 0}, err::kWorkbookUnsupported, "Excel 2.x/3.x/4.x"},
      {BuildCompoundFile(Bytes(10, 1), "WordDocument"), err::kWorkbookUnreadable, "Word document"},
      {BuildCompoundFile(Bytes(10, 1), "EncryptedPackage"), err::kWorkbookEncrypted, ".xlsx"},
      {BuildCompoundFile(Bytes(10, 1), "Other"), err::kWorkbookUnreadable, "(it holds: Other)"},
  };
  for (const Case& c : cases) {
    try {
      OpenWorkbookBytes(c.bytes, "a.xls");
      ADD_FAILURE() << c.phrase;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), c.number) << e.Description();
      EXPECT_NE(e.Description().find(c.phrase), std::string::npos) << e.Description();
    }
  }
}

TEST(OpenByContent, ABareBiffStreamAndAFileInAContainerReadAlike) {
  Bytes stream = BuildStream({}, {{"S", 0, NumberRec(0, 0, 9)}});
  EXPECT_EQ(OpenWorkbookBytes(stream, "bare.xls")->CellValue(0, 0, 0), Value::Number(9));
  EXPECT_EQ(OpenWorkbookBytes(BuildCompoundFile(stream, "Book"), "c.xls")->CellValue(0, 0, 0),
            Value::Number(9));
}

// ---- object model ---------------------------------------------------------------------------

class ObjectModel : public ::testing::Test {
 protected:
  // A form: 'Time sheet' (active) with B2 = 42, B3 = date 1 Jan 2024, C6:C12 hours; a chart
  // sheet; names WeekStart (workbook), Hours (sheet), Rate (a constant), OtherSheet (on Data).
  void SetUp() override {
    Bytes cells = NumberRec(1, 1, 42);
    PutBytes(cells, NumberRec(2, 1, 45292, 1));
    const double hours[] = {8, 7.5, 8, 8, 6.25};
    for (int i = 0; i < 5; ++i)
      PutBytes(cells, NumberRec(static_cast<std::uint16_t>(5 + i), 2, hours[i]));
    PutBytes(cells, LabelRec(0, 0, "Name"));
    Bytes errcell = Cell(0, 1, 0);
    PutBytes(errcell, {0x07, 1});
    PutBytes(cells, Rec(0x0205, errcell));
    Bytes globals = XfRec(0);
    PutBytes(globals, XfRec(14));
    Bytes window(10, 0);
    Put16(window, 1);
    PutBytes(window, Bytes(6, 0));
    PutBytes(globals, Rec(0x003D, window));
    Bytes own;
    Put16(own, 3);
    Put16(own, 0x0401);
    PutBytes(globals, Rec(0x01AE, own));
    Bytes xti;
    Put16(xti, 2);
    for (std::uint16_t v : {0, 1, 1, 0, 0, 0}) Put16(xti, v);
    PutBytes(globals, Rec(0x0017, xti));
    auto name = [&](const std::string& n, std::uint16_t scope, Bytes formula) {
      Bytes b;
      Put16(b, 0);
      b.push_back(0);
      b.push_back(static_cast<std::uint8_t>(n.size()));
      Put16(b, static_cast<std::uint32_t>(formula.size()));
      Put16(b, 0);
      Put16(b, scope);
      PutBytes(b, {0, 0, 0, 0, 0});
      PutText(b, n);
      PutBytes(b, formula);
      PutBytes(globals, Rec(0x0018, b));
    };
    name("WeekStart", 0, {0x3A, 0, 0, 2, 0, 1, 0});
    name("Hours", 2, {0x3B, 0, 0, 5, 0, 11, 0, 2, 0, 2, 0});
    name("Rate", 0, {0x1E, 5, 0});
    name("OtherSheet", 0, {0x3A, 1, 0, 0, 0, 0, 0});
    Bytes stream = BuildStream(
        globals, {{"Data", 0, NumberRec(0, 0, 1)}, {"Time sheet", 0, cells}, {"Chart1", 2, {}}});
    path_ = std::filesystem::temp_directory_path() /
            ("sheaver_om_" + std::to_string(::getpid()) + ".xls");
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(BuildCompoundFile(stream).data()),
               static_cast<std::streamsize>(BuildCompoundFile(stream).size()));
  }
  void TearDown() override { std::filesystem::remove(path_); }

  static int ErrorNumber(const std::function<void()>& f) {
    try {
      f();
    } catch (const Error& e) {
      return e.Number();
    }
    return 0;
  }

  std::filesystem::path path_;
};

TEST_F(ObjectModel, TheWorkedExampleReadsAsItsCellTexts) {
  Application app = Application::Create();
  Workbook& book = app.GetWorkbooks().Open(path_.string());
  Worksheet sheet = book.ActiveSheet();
  EXPECT_EQ(ValueToText(sheet.GetRange("B2").Value()), "42");
  EXPECT_EQ(ValueToText(sheet.GetRange("$b$3").Value()), "01/01/2024");
  Range strip = sheet.GetRange("C6:C12");
  EXPECT_EQ(strip.Rows().Count(), 7);
  EXPECT_EQ(strip.Columns().Count(), 1);
  EXPECT_EQ(strip.Count(), 7);
  std::vector<std::string> texts;
  for (Int16 i = 1; i <= 7; ++i) texts.push_back(ValueToText(strip.Rows().Item(i).Value()));
  EXPECT_EQ(texts, (std::vector<std::string>{"8", "7.5", "8", "8", "6.25", "", ""}));
  Range row = sheet.GetRange("A6:G6");
  EXPECT_EQ(row.Columns().Count(), 7);
  EXPECT_EQ(ValueToText(row.Columns().Item(3).Value()), "8");
  EXPECT_EQ(row.Columns().Item(3).Count(), 1);  // still a column collection
  EXPECT_EQ(sheet.GetRange("B2:D3").Count(), 6);
  EXPECT_EQ(ValueToText(sheet.GetRange("A1:B2").Item(4).Value()), "42");  // row by row
  EXPECT_EQ(sheet.GetRange("A:A").Rows().Count(), 65536);                 // the caller overflows
  EXPECT_EQ(sheet.GetRange("3:4").Columns().Count(), 256);
  app.Quit();
}

TEST_F(ObjectModel, NamesAndTheirTargets) {
  Application app = Application::Create();
  Workbook& book = app.GetWorkbooks().Open(path_.string());
  std::vector<std::string> names;
  for (const DefinedName& n : book.GetNames()) names.push_back(n.GetName());
  EXPECT_EQ(names,
            (std::vector<std::string>{"WeekStart", "'Time sheet'!Hours", "Rate", "OtherSheet"}));
  Worksheet sheet = book.ActiveSheet();
  EXPECT_EQ(sheet.GetRange("weekstart").Value(), Value::Date(45292));
  EXPECT_EQ(sheet.GetRange("HOURS").Rows().Count(), 7);
  EXPECT_EQ(sheet.GetRange("'Time sheet'!hours").Rows().Count(), 7);
  int n = 0;
  for (const DefinedName& d : book.GetNames()) {
    if (n == 0) {
      EXPECT_EQ(d.RefersToRange().Value(), Value::Date(45292));
    } else if (n == 2) {
      EXPECT_EQ(ErrorNumber([&] { d.RefersToRange(); }), err::kBadReference);
    } else if (n == 3) {
      EXPECT_EQ(d.RefersToRange().Value(), Value::Number(1));  // on sheet Data
    }
    ++n;
  }
}

TEST_F(ObjectModel, FailuresRaiseTheNumbersCallersExpect) {
  Application app = Application::Create();
  Workbook& book = app.GetWorkbooks().Open(path_.string());
  Worksheet sheet = book.ActiveSheet();
  for (const char* bad : {"", "A0", "ZZZ1", "Nope", "Rate", "OtherSheet", "Data!A1", "A1 "})
    EXPECT_EQ(ErrorNumber([&] { sheet.GetRange(bad); }), err::kBadReference) << bad;
  EXPECT_EQ(ErrorNumber([&] { sheet.GetRange("B1").Value(); }), 0);
  EXPECT_EQ(ErrorNumber([&] { ValueToText(sheet.GetRange("B1").Value()); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([&] { sheet.GetRange("A1:A2").Value(); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([&] { sheet.GetRange("A1").Rows().Item(0); }), err::kBadReference);
  EXPECT_EQ(ErrorNumber([&] { sheet.GetRange("A65536").Rows().Item(2); }), err::kBadReference);
  try {
    app.GetWorkbooks().Open("/nonexistent/Week07.xls");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::kFileNotFound);
    EXPECT_NE(e.Description().find("Week07.xls"), std::string::npos);
  }
  Range kept = sheet.GetRange("B2");
  app.Quit();
  EXPECT_EQ(kept.Value(), Value::Number(42));  // a range keeps its workbook readable
  EXPECT_EQ(ErrorNumber([&] { app.GetWorkbooks(); }), err::kObjectNotSet);
}

TEST(ObjectModelCorpus, ARealFormOpensOnItsActiveSheet) {
  Application app = Application::Create();
  Workbook& book = app.GetWorkbooks().Open(std::string(SHEAVER_TEST_DATA) +
                                           "/corpus/xls/poi_Form_Inscripcion_Curso_NO_Socios.xls");
  Range a1 = book.ActiveSheet().GetRange("A1");
  EXPECT_EQ(a1.Count(), 1);
  Workbook& names =
      app.GetWorkbooks().Open(std::string(SHEAVER_TEST_DATA) + "/corpus/xls/xlrd_namesdemo.xls");
  int found = 0;
  for (const DefinedName& n : names.GetNames())
    if (n.GetName() == "Sheet2!localRange") {
      ++found;
      EXPECT_EQ(n.RefersToRange().Rows().Count(), 1);
    }
  EXPECT_EQ(found, 1);
}

}  // namespace
}  // namespace sheaver::xl
