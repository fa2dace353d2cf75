#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datafiles/settings_file.h"
#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using test::TempDir;
using Lines = std::vector<std::string>;

Lines LinesOf(const SettingsFile& s) {
  Lines lines;
  for (Int16 i = 0; i < s.Rows(); ++i) lines.push_back(s.Data(i));
  return lines;
}

std::string NumberedLines(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += "setting " + std::to_string(i) + "\r\n";
  return bytes;
}

TEST(SettingsFile, TextsGoOutAsPlainCrLfLinesAndComeBackUnchanged) {
  TempDir dir;
  const Lines texts = {" leading", "trailing ", "a, \"quote\"", "", "Grüße/Zoë €", "\ttab"};
  SettingsFile s;
  EXPECT_EQ(LinesOf(s), Lines({""}));
  s.fn(dir.File("t.set"));
  s.Rows(static_cast<Int16>(texts.size()));
  for (std::size_t i = 0; i < texts.size(); ++i) s.Data(static_cast<Int16>(i), texts[i]);
  s.Save();
  EXPECT_EQ(dir.Read("t.set"),
            " leading\r\ntrailing \r\na, \"quote\"\r\n\r\nGrüße/Zoë €\r\n\ttab\r\n");
  SettingsFile back;
  back.fn(dir.File("t.set"));
  back.Load();
  EXPECT_EQ(LinesOf(back), texts);
}

TEST(SettingsFile, LoadsAtMostFiftyLinesAndRefusesFewerThanOne) {
  TempDir dir;
  SettingsFile s;
  s.fn(dir.Write("long.set", NumberedLines(60)));
  s.Load();
  EXPECT_EQ(s.Rows(), 50);
  s.Save();
  EXPECT_EQ(dir.Read("long.set"), NumberedLines(50));
  // Fewer than one line is refused: the object keeps what it held.
  for (Int16 n : {0, -32768}) {
    EXPECT_EQ(RaisedBy([&] { s.Rows(n); }).number, err::kSubscript) << n;
    EXPECT_EQ(s.Rows(), 50);
  }
}

TEST(SettingsFile, BadLineNumbersRaiseSubscriptOutOfRangeNamingTheLine) {
  TempDir dir;
  SettingsFile s;
  s.fn(dir.Write("two.set", "a\r\nb\r\n"));
  s.Load();
  for (Int16 i : {-1, 2}) {
    const test::Raised get = RaisedBy([&] { s.Data(i); });
    EXPECT_EQ(get.number, err::kSubscript) << i;
    EXPECT_EQ(get.description, dir.File("two.set") + ": Subscript out of range: line " +
                                   std::to_string(i) + " of 2 lines");
    EXPECT_EQ(RaisedBy([&] { s.Data(i, "x"); }).number, err::kSubscript) << i;
  }
  EXPECT_EQ(LinesOf(s), Lines({"a", "b"}));
}

TEST(SettingsFile, FailedLoadsAndSavesRaiseTheFileErrorAndKeepTheLines) {
  TempDir dir;
  dir.Write("empty.set", "");
  struct Case {
    std::string path;
    int load, save;
  } cases[] = {{dir.File("empty.set"), err::kSubscript, 0},
               {dir.File("nowhere/x.set"), err::kPathNotFound, err::kPathNotFound},
               {"", err::kBadFileName, err::kBadFileName}};
  for (const Case& c : cases) {
    SettingsFile s;
    s.Data(0, "kept");
    s.fn(c.path);
    const test::Raised raised = RaisedBy([&] { s.Load(); });
    EXPECT_EQ(raised.number, c.load) << c.path;
    EXPECT_TRUE(raised.description.starts_with(c.path)) << raised.description;
    EXPECT_EQ(LinesOf(s), Lines({"kept"})) << c.path;
    EXPECT_EQ(RaisedBy([&] { s.Save(); }).number, c.save) << c.path;
  }
}

}  // namespace
}  // namespace sheaver
