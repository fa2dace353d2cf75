// The fixture workbooks written by real producers (tests/data/fixtures): every .xls, .xlsx and
// .ods of them reads exactly as its expected file says, and the one timesheet form saved in all
// three formats reads the same through the workbook interface whichever format it comes in.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "checks.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/package_text.h"
#include "spreadsheet/reference.h"
#include "spreadsheet/workbook.h"

namespace sheaver::xl {
namespace {

const std::filesystem::path kFixtures = std::filesystem::path(SHEAVER_TEST_DATA) / "fixtures";
// An encrypted copy of a fixture, LibreOffice's (tests/spreadsheet/tools/make_encrypted.py),
// which must read as the fixture does.
constexpr const char* kEncryptedCopy = "encrypted/cells.lo.aes.ods";
constexpr const char* kEncryptedPassword = "Fixture-Secret-42";

// The plain fixture an encrypted copy was made from: "encrypted/cells.lo.rc4.xls" ->
// "cells.lo.xls"; a plain fixture is its own.
std::string PlainFixture(const std::string& file) {
  if (!file.starts_with("encrypted/")) return file;
  std::filesystem::path p(file.substr(10));
  return std::filesystem::path(p.stem()).stem().string() + p.extension().string();
}

// The fields of one line of an expected .tsv file, tabs, line breaks and backslashes unescaped.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\t') {
      fields.emplace_back();
    } else if (line[i] != '\\' || i + 1 == line.size()) {
      fields.back() += line[i];
    } else {
      const char c = line[++i];
      fields.back() += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
  }
  return fields;
}

// An expected file (expected/<file>.tsv): what a reader must find in the workbook.
struct Expected {
  std::vector<std::pair<std::string, std::string>> sheets;  // name, "worksheet hidden"...
  std::string active_sheet;
  std::string date_system;
  std::map<std::string, std::string> names;  // full name -> what it refers to
  // (sheet, A1) -> (kind, value)
  std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> cells;
};

Expected ReadExpected(const std::string& file) {
  std::ifstream in(kFixtures / "expected" / (file + ".tsv"));
  Expected e;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> f = Fields(line);
    f.resize(std::max<std::size_t>(f.size(), 5));
    if (f[0] == "sheet") e.sheets.push_back({f[1], f[2] + " " + f[3]});
    if (f[0] == "active_sheet") e.active_sheet = f[1];
    if (f[0] == "date_system") e.date_system = f[1];
    if (f[0] == "name") e.names[f[1]] = f[2];
    if (f[0] == "cell") e.cells[{f[1], f[2]}] = {f[3], f[4]};
  }
  return e;
}

std::string CellName(std::uint32_t row, std::uint32_t col) {
  return AreaText({row, col, row, col});
}

// Whether a value is what the expected file says: the same kind, and the same text, number,
// truth or (to the millisecond) date.
bool Matches(const Value& v, const std::pair<std::string, std::string>& e) {
  static const char* const kKinds[] = {"empty", "number", "date", "text", "boolean", "error"};
  if (e.first != kKinds[static_cast<int>(v.kind)]) return false;
  double want = 0;
  std::from_chars(e.second.data(), e.second.data() + e.second.size(), want);
  switch (v.kind) {
    case Value::Kind::kNumber:
      return v.number == want;
    case Value::Kind::kDate:
      return std::fabs(v.number - want) < 0.001 / 86400;
    case Value::Kind::kBoolean:
      return (v.number != 0) == (e.second == "true");
    default:
      return v.text == e.second;
  }
}

std::vector<std::string> FixtureWorkbooks() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(kFixtures)) {
    std::string ext = entry.path().extension().string();
    if (ext == ".xls" || ext == ".xlsx" || ext == ".ods")
      files.push_back(entry.path().filename().string());
  }
  files.push_back(kEncryptedCopy);
  std::sort(files.begin(), files.end());
  return files;
}

class FixtureWorkbook : public ::testing::TestWithParam<std::string> {};

TEST_P(FixtureWorkbook, ReadsAsItsExpectedFileSays) {
  const std::string file = GetParam();
  Expected e = ReadExpected(PlainFixture(file));
  ASSERT_FALSE(e.sheets.empty()) << "no expected file for " << file;
  OpenOptions options;
  if (file.starts_with("encrypted/")) options.password = kEncryptedPassword;
  auto book = OpenWorkbookFile(
      (kFixtures.parent_path() / (file.starts_with("encrypted/") ? file : "fixtures/" + file))
          .string(),
      options);

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
  auto area = [](const NameTarget& t) { return t.is_range ? testing::TargetText(t) : "none"; };
  std::map<std::string, std::string> ours, theirs;
  for (const auto& [name, refers_to] : e.names)
    theirs[name] = area(ResolveA1Target(refers_to, book->sheets));
  for (const NameInfo& n : book->names) {
    // The expected files of .xlsx fixtures were made with openpyxl, which leaves print areas
    // out of its names; Gnumeric writes one, #REF!, on every sheet.
    if (!file.ends_with(".xlsx") || !n.builtin || n.local_name != "Print_Area" ||
        n.target.is_range || e.names.contains(n.full_name))
      ours[n.full_name] = area(n.target);
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
                                  << cell.first << " '" << cell.second << "', read "
                                  << ::testing::PrintToString(v);
  }
  for (std::size_t i = 0; i < book->sheets.size(); ++i) {
    if (book->sheets[i].kind != SheetKind::kWorksheet) continue;
    book->Cells(i).ForEach(
        book->strings, [&](std::uint32_t row, std::uint32_t col, const Value& v) {
          bool listed = e.cells.count({book->sheets[i].name, CellName(row, col)}) > 0;
          EXPECT_TRUE(listed) << book->sheets[i].name << "!" << CellName(row, col) << " holds "
                              << ::testing::PrintToString(v) << ", the expected file nothing";
        });
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureWorkbook, ::testing::ValuesIn(FixtureWorkbooks()),
                         [](const auto& info) { return testing::TestName(info.param); });

// What the workbook interface gives for a workbook, as the extraction would see it: the active
// sheet, each defined name with the texts of the cells it refers to, and the texts of the active
// sheet's cells.
std::string ObjectModelView(const std::string& file) {
  const Workbook book = OpenWorkbook((kFixtures / file).string());
  std::string view;
  for (const DefinedName& name : book.GetNames()) {
    view += "name " + name.GetName() + ":";
    try {
      Range range = name.RefersToRange();
      for (Int16 i = 1; i <= range.Count(); ++i)
        view += " [" + ValueToText(range.Item(i).Value()) + "]";
    } catch (const Error&) {
      view += " not a range";
    }
    view += "\n";
  }
  Worksheet sheet = book.ActiveSheet();
  Range all = sheet.GetRange("A1:D16");
  for (Int16 i = 1; i <= all.Count(); ++i) view += "[" + ValueToText(all.Item(i).Value()) + "]";
  view += "\nA1 by name: " + ValueToText(sheet.GetRange("a1").Value());
  view += "\nthe sheet's own name: " + ValueToText(sheet.GetRange("remark").Value());
  return view;
}

class SameForm : public ::testing::TestWithParam<std::string> {};

TEST_P(SameForm, ReadsTheSameInEveryFormat) {
  std::string view = ObjectModelView("timesheet-form.lo." + GetParam());
  // The .xls version is the reference the other two must equal.
  EXPECT_EQ(view, ObjectModelView("timesheet-form.lo.xls"));
  // And it is what the form holds, in an English day-first locale.
  EXPECT_NE(view.find("name WeekStart: [04/03/2024]\n"), std::string::npos) << view;
  EXPECT_NE(view.find("[Sunday][10/03/2024][4][]"), std::string::npos) << view;
  EXPECT_NE(view.find("\nthe sheet's own name: Worked Sunday"), std::string::npos) << view;
}

INSTANTIATE_TEST_SUITE_P(Formats, SameForm, ::testing::Values("xls", "xlsx", "ods"));

}  // namespace
}  // namespace sheaver::xl
