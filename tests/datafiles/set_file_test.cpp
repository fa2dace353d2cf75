#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datafiles/clsSetFile.h"
#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using test::TempDir;
using Lines = std::vector<std::string>;

Lines LinesOf(const clsSetFile& s) {
  Lines lines;
  for (Int16 i = 0; i < s.Rows(); ++i) lines.push_back(s.Data(i));
  return lines;
}

// What the main window does on File > Save: at least four lines, the four boxes in 0..3.
void SaveAsTheMainWindowDoes(clsSetFile& s, const Lines& boxes) {
  if (s.Rows() < 4) s.Rows(4);
  for (Int16 i = 0; i < 4; ++i) s.Data(i, boxes[static_cast<std::size_t>(i)]);
  s.Save();
}

std::string NumberedLines(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += "setting " + std::to_string(i) + "\r\n";
  return bytes;
}

TEST(clsSetFile, SavesTheFourSettingsAsPlainLines) {
  TempDir dir;
  clsSetFile s;
  EXPECT_EQ(LinesOf(s), Lines({""}));
  s.fn(dir.File("week.set"));
  SaveAsTheMainWindowDoes(s, {"/forms/Week.dat", "/in", "/out", "/data/out.csv"});
  EXPECT_EQ(dir.Read("week.set"), "/forms/Week.dat\r\n/in\r\n/out\r\n/data/out.csv\r\n");
}

TEST(clsSetFile, TextsComeBackUnchanged) {
  TempDir dir;
  const Lines texts = {" leading", "trailing ",   "a, comma", "a \"quote\"",
                       "",         "Grüße/Zoë €", "\ttab"};
  clsSetFile s;
  s.fn(dir.File("t.set"));
  s.Rows(static_cast<Int16>(texts.size()));
  for (std::size_t i = 0; i < texts.size(); ++i) s.Data(static_cast<Int16>(i), texts[i]);
  s.Save();
  clsSetFile back;
  back.fn(dir.File("t.set"));
  back.Load();
  EXPECT_EQ(LinesOf(back), texts);

  back.fn(dir.Write("lf.set", "/forms/Week.dat\n/in\n/out\n/data/out.csv"));
  back.Load();
  EXPECT_EQ(LinesOf(back), Lines({"/forms/Week.dat", "/in", "/out", "/data/out.csv"}));
}

TEST(clsSetFile, LoadsAtMostFiftyLinesAndKeepsTheExtraLinesOnSave) {
  TempDir dir;
  clsSetFile s;
  s.fn(dir.Write("long.set", NumberedLines(60)));
  s.Load();
  EXPECT_EQ(s.Rows(), 50);
  EXPECT_EQ(s.Data(49), "setting 49");
  s.Save();
  EXPECT_EQ(dir.Read("long.set"), NumberedLines(50));

  s.fn(dir.Write("six.set", NumberedLines(6)));
  s.Load();
  SaveAsTheMainWindowDoes(s, {"a", "b", "c", "d"});
  EXPECT_EQ(dir.Read("six.set"), "a\r\nb\r\nc\r\nd\r\nsetting 4\r\nsetting 5\r\n");

  s.fn(dir.Write("two.set", NumberedLines(2)));
  s.Load();
  SaveAsTheMainWindowDoes(s, {"a", "b", "c", "d"});
  EXPECT_EQ(dir.Read("two.set"), "a\r\nb\r\nc\r\nd\r\n");
}

TEST(clsSetFile, RowsEmptiesTheList) {
  TempDir dir;
  clsSetFile s;
  s.fn(dir.Write("four.set", NumberedLines(4)));
  s.Load();
  s.Rows(4);
  EXPECT_EQ(LinesOf(s), Lines(4));
  s.Rows(2);
  EXPECT_EQ(LinesOf(s), Lines(2));
  // Fewer than one line is refused: the object keeps what it held.
  for (Int16 n : {0, -1, -32768}) {
    EXPECT_EQ(RaisedBy([&] { s.Rows(n); }).number, err::kSubscript) << n;
    EXPECT_EQ(s.Rows(), 2);
  }
}

TEST(clsSetFile, BadLineNumbersRaiseSubscriptOutOfRange) {
  TempDir dir;
  clsSetFile s;
  s.fn(dir.Write("two.set", "a\r\nb\r\n"));
  s.Load();
  for (Int16 i : {-1, 2, 3, 32767}) {
    const test::Raised get = RaisedBy([&] { s.Data(i); });
    EXPECT_EQ(get.number, err::kSubscript) << i;
    EXPECT_EQ(get.description, dir.File("two.set") + ": Subscript out of range: line " +
                                   std::to_string(i) + " of 2 lines");
    EXPECT_EQ(RaisedBy([&] { s.Data(i, "x"); }).number, err::kSubscript) << i;
  }
  EXPECT_EQ(LinesOf(s), Lines({"a", "b"}));
}

TEST(clsSetFile, FailedLoadsKeepTheLines) {
  TempDir dir;
  struct Case {
    std::string name;
    const char* bytes;  // nullptr: no file
    int number;
  } cases[] = {
      {"empty.set", "", err::kSubscript},
      {"missing.set", nullptr, err::kFileNotFound},
      {"nowhere/x.set", nullptr, err::kPathNotFound},
      {"", nullptr, err::kBadFileName},
  };
  for (const Case& c : cases) {
    if (c.bytes != nullptr) dir.Write(c.name, c.bytes);
    clsSetFile s;
    s.Data(0, "kept");
    s.fn(c.name.empty() ? "" : dir.File(c.name));
    const test::Raised raised = RaisedBy([&] { s.Load(); });
    EXPECT_EQ(raised.number, c.number) << c.name;
    if (!c.name.empty()) {
      EXPECT_TRUE(raised.description.starts_with(s.fn() + ": ")) << raised.description;
    }
    EXPECT_EQ(LinesOf(s), Lines({"kept"})) << c.name;
  }
  clsSetFile nameless;
  EXPECT_EQ(RaisedBy([&] { nameless.Save(); }).number, err::kBadFileName);
  clsSetFile noDir;
  noDir.fn(dir.File("nowhere/x.set"));
  EXPECT_EQ(RaisedBy([&] { noDir.Save(); }).number, err::kPathNotFound);
}

}  // namespace
}  // namespace sheaver
