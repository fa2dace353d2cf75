#include "app/filing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using test::TempDir;

TEST(JournalEntry, ReadsBackWhatItWroteAndNothingCutShort) {
  JournalEntry entry;
  entry.workbook = "in/100% done\nweek\r7.xls";
  entry.outputDirectory = "out dir";
  entry.size = 5632;
  entry.modifiedNs = 1796643069942175990;
  entry.offset = 297;
  entry.length = 147;
  entry.created = true;
  const std::string text = entry.Text();

  JournalEntry back;
  ASSERT_TRUE(JournalEntry::Parse(text, back));
  EXPECT_EQ(back.workbook, entry.workbook);
  EXPECT_EQ(back.outputDirectory, entry.outputDirectory);
  EXPECT_EQ(back.size, entry.size);
  EXPECT_EQ(back.modifiedNs, entry.modifiedNs);
  EXPECT_EQ(back.offset, entry.offset);
  EXPECT_EQ(back.length, entry.length);
  EXPECT_TRUE(back.created);
  // A run killed while writing the entry leaves a prefix of it, over whatever the entry before
  // left: never an entry to act on.
  JournalEntry older = entry;
  older.workbook = "in/a much longer name of an older workbook, cleared since.xls";
  older.offset = 9;
  const std::string old(older.Text().size(), 'x');
  for (std::size_t cut = 0; cut < text.size(); ++cut) {
    JournalEntry partial;
    EXPECT_FALSE(JournalEntry::Parse(text.substr(0, cut), partial)) << cut;
    EXPECT_FALSE(JournalEntry::Parse(text.substr(0, cut) + old.substr(cut), partial)) << cut;
  }
}

// A data file, a journal entry for workbook "in/w.xls", and the workbook where the case says.
struct RecoveryCase {
  const char* name;
  const char* dataBefore;  // nullptr: no data file
  const char* appended;    // what the entry says was appended, as far as it got into the file
  std::size_t lengthInEntry;
  bool created;
  bool workbookInInput;
  bool workbookChanged;
  const char* dataAfter;  // nullptr: no data file
  bool movedToOut;
  bool notice;
};

TEST(Filing, RecoversWhatAStoppedRunLeft) {
  const RecoveryCase cases[] = {
      {"appended, not moved", "H\r\n", "a\r\nb\r\n", 6, false, true, false, "H\r\na\r\nb\r\n", true,
       true},
      {"half appended", "H\r\n", "a\r\nb", 6, false, true, false, "H\r\n", false, true},
      {"half of a new file", nullptr, "H\r\na", 9, true, true, false, nullptr, false, true},
      {"new file, nothing written", nullptr, "", 9, true, true, false, nullptr, false, false},
      {"nothing appended", "H\r\n", "", 6, false, true, false, "H\r\n", false, false},
      {"already moved", "H\r\n", "a\r\nb\r\n", 6, false, false, false, "H\r\na\r\nb\r\n", false,
       false},
      {"workbook replaced since", "H\r\n", "a\r\nb\r\n", 6, false, true, true, "H\r\na\r\nb\r\n",
       false, false},
  };
  for (const RecoveryCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ::mkdir(dir.File("in").c_str(), 0755);
    ::mkdir(dir.File("out").c_str(), 0755);
    const std::string data = dir.File("T.csv");
    const std::string workbook = dir.File("in/w.xls");
    dir.Write("in/w.xls", "workbook");
    struct stat st;
    ASSERT_EQ(::stat(workbook.c_str(), &st), 0);
    if (c.dataBefore != nullptr || c.appended[0] != '\0' || !c.created)
      dir.Write("T.csv", std::string(c.dataBefore ? c.dataBefore : "") + c.appended);
    JournalEntry entry;
    entry.workbook = workbook;
    entry.outputDirectory = dir.File("out");
    entry.size = static_cast<std::uint64_t>(st.st_size);
    entry.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 +
                       st.st_mtim.tv_nsec + (c.workbookChanged ? 1 : 0);
    entry.offset = c.dataBefore ? std::string(c.dataBefore).size() : 0;
    entry.length = c.lengthInEntry;
    entry.created = c.created;
    dir.Write("T.csv.sheaver-journal", entry.Text());
    if (!c.workbookInInput) ::rename(workbook.c_str(), dir.File("out/w.xls").c_str());

    std::vector<std::string> notices;
    {
      Filing filing(
          dir.File("in"), data, false,
          [&](const std::string&, const std::string& message) { notices.push_back(message); });
    }
    EXPECT_EQ(dir.Read("T.csv"), c.dataAfter ? c.dataAfter : "<missing>");
    EXPECT_EQ(dir.Read("out/w.xls") != "<missing>", c.movedToOut || !c.workbookInInput);
    EXPECT_EQ(dir.Read("in/w.xls") != "<missing>", c.workbookInInput && !c.movedToOut);
    EXPECT_EQ(notices.size(), c.notice ? 1u : 0u);
    if (c.notice) EXPECT_NE(notices[0].find("w.xls"), std::string::npos);
    EXPECT_EQ(dir.Read("T.csv.sheaver-journal"), "<missing>");
  }
}

TEST(Filing, ASecondRunOnTheSameDataFileOrInputDirectoryIsRefused) {
  TempDir dir;
  ::mkdir(dir.File("in").c_str(), 0755);
  ::mkdir(dir.File("in2").c_str(), 0755);
  Filing first(dir.File("in"), dir.File("T.csv"), false, {});
  const std::string me = "process " + std::to_string(::getpid());

  const auto sameData = RaisedBy([&] { Filing(dir.File("in2"), dir.File("T.csv"), false, {}); });
  EXPECT_EQ(sameData.number, 70);
  EXPECT_NE(sameData.description.find("the data file " + dir.File("T.csv")), std::string::npos);
  EXPECT_NE(sameData.description.find(me), std::string::npos) << sameData.description;

  const auto sameInput = RaisedBy([&] { Filing(dir.File("in"), dir.File("U.csv"), false, {}); });
  EXPECT_EQ(sameInput.number, 70);
  EXPECT_NE(sameInput.description.find("the input directory " + dir.File("in")), std::string::npos);
  // The refused run created nothing beside its data file.
  EXPECT_EQ(dir.Read("U.csv.sheaver-journal"), "<missing>");

  const auto noFolder =
      RaisedBy([&] { Filing(dir.File("in2"), dir.File("gone/T.csv"), false, {}); });
  EXPECT_EQ(noFolder.number, 76);
}

}  // namespace
}  // namespace sheaver
