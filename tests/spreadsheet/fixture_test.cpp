// The fixture workbooks written by real producers (tests/data/fixtures): every .xls, .xlsx and
// .ods of them reads exactly as its expected file says, and the one timesheet form saved in all
// three formats reads the same through the object model whichever format it comes in.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "runtime/error.h"
#include "spreadsheet/automation.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/package_text.h"
#include "spreadsheet/reference.h"

namespace sheaver::xl {
namespace {

const std::filesystem::path kFixtures = std::filesystem::path(SHEAVER_TEST_DATA) / "fixtures";

std::string Unescape(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

struct ExpectedCell {
  std::string kind, value;
};

// An expected file (expected/<file>.tsv): what a reader must find in the workbook.
struct Expected {
  std::vector<std::pair<std::string, std::string>> sheets;  // name, "worksheet hidden"...
  std::string active_sheet;
  std::string date_system;
  std::map<std::string, std::string> names;  // full name -> what it refers to
  std::map<std::pair<std::string, std::string>, ExpectedCell> cells;  // (sheet, A1) -> value
};

Expected ReadExpected(const std::string& file) {
  std::ifstream in(kFixtures / "expected" / (file + ".tsv"));
  Expected e;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream s(line);
    for (std::string field; std::getline(s, field, '\t');) f.push_back(Unescape(field));
    if (f.empty()) continue;
    if (f[0] == "sheet" && f.size() >= 4) e.sheets.push_back({f[1], f[2] + " " + f[3]});
    if (f[0] == "active_sheet") e.active_sheet = f[1];
    if (f[0] == "date_system") e.date_system = f[1];
    if (f[0] == "name" && f.size() >= 3) e.names[f[1]] = f[2];
    if (f[0] == "cell" && f.size() >= 4) e.cells[{f[1], f[2]}] = {f[3], f.size() > 4 ? f[4] : ""};
  }
  return e;
}

std::string CellName(std::uint32_t row, std::uint32_t col) {
  return AreaText({row, col, row, col});
}

double Number(const std::string& text) {
  double v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

// Whether a value is what the expected file says; an empty expected kind means no value.
bool Matches(const Value& v, const ExpectedCell& e) {
  switch (v.kind) {
    case Value::Kind::kEmpty:
      return e.kind == "empty";
    case Value::Kind::kText:
      return e.kind == "text" && v.text == e.value;
    case Value::Kind::kNumber:
      return e.kind == "number" && v.number == Number(e.value);
    case Value::Kind::kDate:
      return e.kind == "date" && std::fabs(v.number - Number(e.value)) < 0.001 / 86400;
    case Value::Kind::kBoolean:
      return e.kind == "boolean" && (v.number != 0) == (e.value == "true");
    case Value::Kind::kError:
      return e.kind == "error" && v.text == e.value;
  }
  return false;
}

std::vector<std::string> FixtureWorkbooks() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(kFixtures)) {
    std::string ext = entry.path().extension().string();
    if (ext == ".xls" || ext == ".xlsx" || ext == ".ods")
      files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

class FixtureWorkbook : public ::testing::TestWithParam<std::string> {};

TEST_P(FixtureWorkbook, ReadsAsItsExpectedFileSays) {
  const std::string file = GetParam();
  Expected e = ReadExpected(file);
  ASSERT_FALSE(e.sheets.empty()) << "no expected file for " << file;
  auto book = OpenWorkbookFile((kFixtures / file).string());

  std::vector<std::pair<std::string, std::string>> sheets;
  for (const SheetInfo& s : book->sheets) {
    std::string kind = s.kind == SheetKind::kWorksheet ? "worksheet"
                       : s.kind == SheetKind::kChart   ? "chart"
                                                       : "other";
    sheets.push_back({s.name, kind + (s.visible ? " visible" : " hidden")});
  }
  EXPECT_EQ(sheets, e.sheets);
  EXPECT_EQ(book->sheets[book->active_sheet].name, e.active_sheet);
  EXPECT_EQ(book->date_system == DateSystem::k1904 ? "1904" : "1900", e.date_system);

  // Names: the same full names, and each refers to the same area (or to none).
  std::set<std::string> ours, theirs;
  for (const auto& [name, refers_to] : e.names) theirs.insert(name);
  for (const NameInfo& n : book->names) {
    // The expected files of .xlsx fixtures were made with openpyxl, which leaves print areas
    // out of its names; Gnumeric writes one, #REF!, on every sheet.
    if (file.ends_with(".xlsx") && n.builtin && n.local_name == "Print_Area" &&
        !n.target.is_range && !e.names.contains(n.full_name))
      continue;
    ours.insert(n.full_name);
    auto it = e.names.find(n.full_name);
    if (it == e.names.end()) continue;
    NameTarget want = ResolveA1Target(it->second, book->sheets);
    EXPECT_EQ(n.target.is_range, want.is_range)
        << n.full_name << " refers to " << it->second << ": " << n.target.reason;
    if (n.target.is_range && want.is_range) {
      EXPECT_EQ(n.target.sheet, want.sheet) << n.full_name;
      EXPECT_EQ(n.target.area, want.area) << n.full_name;
    }
  }
  EXPECT_EQ(ours, theirs);

  // Cells: every expected one, and no other.
  for (const auto& [where, cell] : e.cells) {
    int sheet = FindSheet(book->sheets, where.first);
    ASSERT_GE(sheet, 0) << where.first;
    std::uint32_t row = 0, col = 0;
    ASSERT_TRUE(ParseCellName(where.second, row, col)) << where.second;
    Value v = book->CellValue(static_cast<std::size_t>(sheet), row, col);
    EXPECT_TRUE(Matches(v, cell)) << where.first << "!" << where.second << ": expected "
                                  << cell.kind << " '" << cell.value << "', read kind "
                                  << static_cast<int>(v.kind) << " '" << v.text << "' " << v.number;
  }
  for (std::size_t i = 0; i < book->sheets.size(); ++i) {
    if (book->sheets[i].kind != SheetKind::kWorksheet) continue;
    book->Cells(i).ForEach(
        book->strings, [&](std::uint32_t row, std::uint32_t col, const Value& v) {
          bool listed = e.cells.count({book->sheets[i].name, CellName(row, col)}) > 0;
          EXPECT_TRUE(listed) << book->sheets[i].name << "!" << CellName(row, col) << " holds "
                              << v.text << v.number << " but the expected file lists nothing there";
        });
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureWorkbook, ::testing::ValuesIn(FixtureWorkbooks()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name;
                           for (char c : info.param)
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

// What the object model gives for a workbook, as the extraction would see it: the active sheet,
// each defined name with the texts of the cells it refers to, and the texts of the active
// sheet's cells.
std::string ObjectModelView(const std::string& file) {
  Application app = Application::Create();
  Workbook& book = app.GetWorkbooks().Open((kFixtures / file).string());
  std::string view;
  for (const DefinedName& name : book.GetNames()) {
    view += "name " + name.GetName() + ":";
    try {
      Range range = name.RefersToRange();
      for (Int16 i = 1; i <= range.Count(); ++i)
        view += " [" + ValueToText(range.Item(i).Value()) + "]";
    } catch (const Error& e) {
      view += " not a range";
    }
    view += "\n";
  }
  Worksheet sheet = book.ActiveSheet();
  Range all = sheet.GetRange("A1:D16");
  for (Int16 i = 1; i <= all.Count(); ++i) view += "[" + ValueToText(all.Item(i).Value()) + "]";
  view += "\nA1 by name: " + ValueToText(sheet.GetRange("a1").Value());
  view += "\nthe sheet's own name: " + ValueToText(sheet.GetRange("remark").Value());
  app.Quit();
  return view;
}

class SameForm : public ::testing::TestWithParam<std::string> {};

TEST_P(SameForm, ReadsTheSameInEveryFormat) {
  std::string view = ObjectModelView("timesheet-form.lo." + GetParam());
  // The .xls version is the reference the other two must equal.
  EXPECT_EQ(view, ObjectModelView("timesheet-form.lo.xls"));
  // And it is what the form holds, in an English day-first locale.
  EXPECT_NE(view.find("name StaffNo: [7]\n"), std::string::npos) << view;
  EXPECT_NE(view.find("name WeekStart: [04/03/2024]\n"), std::string::npos) << view;
  EXPECT_NE(view.find("name Timesheet!Remark: [Worked Sunday, see \"on call\" rota]\n"),
            std::string::npos)
      << view;
  EXPECT_NE(view.find("[Sunday][10/03/2024][4][]"), std::string::npos) << view;
  EXPECT_NE(view.find("[Total][][40.75][]"), std::string::npos) << view;
  EXPECT_NE(view.find("\nthe sheet's own name: Worked Sunday"), std::string::npos) << view;
}

INSTANTIATE_TEST_SUITE_P(Formats, SameForm, ::testing::Values("xls", "xlsx", "ods"));

}  // namespace
}  // namespace sheaver::xl
