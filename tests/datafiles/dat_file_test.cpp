#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datafiles/clsDatFile.h"
#include "runtime/msgbox.h"
#include "support/failing_file_system.h"
#include "support/raised.h"
#include "support/recording_message_box.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using test::TempDir;
using Table = std::vector<std::vector<std::string>>;

// The cells within the counts, row by row.
Table TableOf(const clsDatFile& f) {
  Table t;
  for (Int16 r = 0; r < f.Rows(); ++r) {
    t.emplace_back();
    for (Int16 c = 0; c < f.cols(); ++c) t.back().push_back(f.Data(r, c));
  }
  return t;
}

// Sets the counts, sizes the grid and stores the cells: the usual writing sequence.
void Fill(clsDatFile& f, const Table& t) {
  f.Rows(static_cast<Int16>(t.size()));
  f.cols(static_cast<Int16>(t[0].size()));
  f.Clear();
  for (std::size_t r = 0; r < t.size(); ++r)
    for (std::size_t c = 0; c < t[r].size(); ++c)
      f.Data(static_cast<Int16>(r), static_cast<Int16>(c), t[r][c]);
}

clsDatFile Loaded(const std::string& path, Int16 fmt) {
  clsDatFile f;
  f.FileName(path);
  f.Fmt(fmt);
  f.Load();
  return f;
}

TEST(clsDatFile, SavesEachLayoutWithQuotedCellsAndCrLf) {
  const Table abc = {{"a", "b", "c"}, {"d", "e", "f"}};
  struct Case {
    Int16 fmt;
    std::string bytes;
  } cases[] = {
      {0, "2,3\r\n\"a\",\"b\",\"c\"\r\n\"d\",\"e\",\"f\"\r\n"},
      {1, "\"a\",\"b\",\"c\"\r\n\"d\",\"e\",\"f\"\r\n"},
      {2, "\"X\",\"Y\",\"Z\"\r\n\"a\",\"b\",\"c\"\r\n\"d\",\"e\",\"f\"\r\n"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    clsDatFile f;
    f.FileName(dir.File("t.dat"));
    f.Fmt(c.fmt);
    f.Headers({"X", "Y", "Z"});
    Fill(f, abc);
    f.Save();
    EXPECT_EQ(dir.Read("t.dat"), c.bytes) << "layout " << c.fmt;
    EXPECT_EQ(TableOf(Loaded(dir.File("t.dat"), c.fmt)), abc) << "layout " << c.fmt;
  }
}

TEST(clsDatFile, RoundTripsAwkwardCellsInEveryLayout) {
  const Table awkward = {
      {"say \"hi\"", "a,b", "", "x  y"},
      {"\"", "Grüße, Zoë", "tab\there", "\"\"quoted\"\""},
      {"", "", "", ""},
      {"1,2,3", "'single'", "semi;colon", "ünïcödé €"},
  };
  TempDir dir;
  for (Int16 fmt : {0, 1, 2}) {
    clsDatFile f;
    f.FileName(dir.File("t.dat"));
    f.Fmt(fmt);
    f.Headers({"h\"1", "h,2", "", "h 4"});
    Fill(f, awkward);
    f.Save();
    const clsDatFile back = Loaded(dir.File("t.dat"), fmt);
    EXPECT_EQ(back.Rows(), 4) << "layout " << fmt;
    EXPECT_EQ(back.cols(), 4) << "layout " << fmt;
    EXPECT_EQ(TableOf(back), awkward) << "layout " << fmt;
  }
  const std::string headerLine = "\"h\"\"1\",\"h,2\",\"\",\"h 4\"\r\n";
  EXPECT_EQ(dir.Read("t.dat").substr(0, headerLine.size()), headerLine);
}

TEST(clsDatFile, LinesEndedByLfOrCrLfLoadTheSame) {
  TempDir dir;
  const std::string lf = "2,2\n\"Name\",\"A1\"\n\"Hours\", C6:C12\n";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const Table expected = {{"Name", "A1"}, {"Hours", "C6:C12"}};
  EXPECT_EQ(TableOf(Loaded(dir.Write("lf.dat", lf), 0)), expected);
  EXPECT_EQ(TableOf(Loaded(dir.Write("crlf.dat", crlf), 0)), expected);
  EXPECT_EQ(TableOf(Loaded(dir.Write("cr.dat", "2,2\r\"Name\",\"A1\"\r\"Hours\",\"C6:C12\""), 0)),
            expected);
}

TEST(clsDatFile, ReadsIrregularFilesByTheRowRules) {
  struct Case {
    const char* what;
    Int16 fmt;
    std::string bytes;
    Table table;  // rows x cols as loaded
  } cases[] = {
      {"cells trimmed, quoted or not", 0, "1,2\r\n  a ,\"  b  \"\r\n", {{"a", "b"}}},
      {"count line with spaces and quotes", 0, " 1 , \"2\"\r\na,b\r\n", {{"a", "b"}}},
      {"short row ends the reading",
       0,
       "3,2\r\na,b\r\nc\r\ne,f\r\n",
       {{"a", "b"}, {"", ""}, {"", ""}}},
      {"malformed row ends the reading", 0, "2,1\r\n\"x\"y\r\nz\r\n", {{""}, {""}}},
      {"empty table", 0, "0,0\r\n", {}},
      {"rows beyond the count are ignored", 0, "1,1\r\na\r\nb\r\n", {{"a"}}},
      {"csv ends before the first mismatch",
       1,
       "a,b,c\r\nd,e,f\r\ng,h\r\ni,j,k\r\n",
       {{"a", "b", "c"}, {"d", "e", "f"}}},
      {"csv header skipped whatever it holds",
       2,
       "\"unclosed\r\n1,2\r\n3,4\r\n",
       {{"1", "2"}, {"3", "4"}}},
      {"empty line is one empty cell", 1, "\r\nx\r\n\r\n", {{""}, {"x"}, {""}}},
      {"csv without a last line end", 1, "a,b\r\nc,d", {{"a", "b"}, {"c", "d"}}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const clsDatFile f = Loaded(dir.Write("t.dat", c.bytes), c.fmt);
    EXPECT_EQ(TableOf(f), c.table) << c.what;
    EXPECT_EQ(f.Rows(), static_cast<Int16>(c.table.size())) << c.what;
    EXPECT_TRUE(f.Headers().empty()) << c.what;
  }
}

TEST(clsDatFile, FileErrorsReachTheCallerNamingTheFile) {
  TempDir dir;
  struct Case {
    const char* what;
    Int16 fmt;
    std::string name;
    const char* bytes;  // nullptr: no file
    int number;
  } cases[] = {
      {"missing dat", 0, "missing.dat", nullptr, err::kFileNotFound},
      {"missing csv", 1, "missing.csv", nullptr, err::kFileNotFound},
      {"missing directory", 2, "nowhere/t.csv", nullptr, err::kPathNotFound},
      {"empty dat", 0, "empty.dat", "", err::kInputPastEnd},
      {"fewer rows than announced", 0, "short.dat", "3,1\r\na\r\n", err::kInputPastEnd},
      {"empty csv", 1, "empty.csv", "", err::kInputPastEnd},
      {"csv with only a header", 2, "header.csv", "\"A\",\"B\"\r\n", err::kInputPastEnd},
      {"count line not numbers", 0, "words.dat", "rows,cols\r\n", err::kTypeMismatch},
      {"count line of one number", 0, "one.dat", "3\r\n", err::kTypeMismatch},
      {"count line of three numbers", 0, "three.dat", "1,2,3\r\n", err::kTypeMismatch},
      {"fractional count", 0, "frac.dat", "1.5,2\r\n", err::kTypeMismatch},
      {"negative count", 0, "negative.dat", "-1,2\r\n", err::kSubscript},
      {"count beyond 16 bits", 0, "huge.dat", "40000,2\r\n", err::kOverflow},
  };
  for (const Case& c : cases) {
    if (c.bytes != nullptr) dir.Write(c.name, c.bytes);
    const std::string path = dir.File(c.name);
    const test::Raised raised = RaisedBy([&] { Loaded(path, c.fmt); });
    EXPECT_EQ(raised.number, c.number) << c.what;
    EXPECT_TRUE(raised.description.starts_with(path + ": "))
        << c.what << ": " << raised.description;
  }
  EXPECT_EQ(RaisedBy([&] { Loaded(dir.File("short.dat"), 0); }).description,
            dir.File("short.dat") +
                ": Input past end of file: the count line announces 3 rows, the file holds 1");
}

TEST(clsDatFile, CountsAreSixteenBit) {
  TempDir dir;
  std::string lines;
  for (int i = 0; i < 32767; ++i) lines += "x\n";
  EXPECT_EQ(Loaded(dir.Write("max.csv", lines), 1).Rows(), 32767);
  const test::Raised raised = RaisedBy([&] { Loaded(dir.Write("over.csv", lines + "y\n"), 1); });
  EXPECT_EQ(raised.number, err::kOverflow);
  EXPECT_NE(raised.description.find("over.csv"), std::string::npos) << raised.description;

  // A count line may announce a huge table; only the rows present cost anything.
  const clsDatFile big = Loaded(dir.Write("big.dat", "32767,32767\r\nshort\r\n"), 0);
  EXPECT_EQ(big.Rows(), 32767);
  EXPECT_EQ(big.Data(32766, 32766), "");
}

TEST(clsDatFile, OutOfRangeAccessIsSilent) {
  clsDatFile f;
  Fill(f, {{"a", "b"}, {"c", "d"}, {"e", "f"}});
  EXPECT_EQ(f.Data(5, 0), "");
  EXPECT_EQ(f.Data(0, 2), "");
  EXPECT_EQ(f.Data(-1, 0), "");
  f.Data(5, 0, "x");
  f.Data(0, -1, "x");
  f.Data(3, 0, "x");
  EXPECT_EQ(TableOf(f), Table({{"a", "b"}, {"c", "d"}, {"e", "f"}}));
  EXPECT_EQ(f.Col(1), std::vector<std::string>({"b", "d", "f"}));
  EXPECT_EQ(f.Col(2), std::vector<std::string>({"", "", ""}));
  EXPECT_EQ(f.Col(-1), std::vector<std::string>({"", "", ""}));

  // Counts raised without Clear: the cells beyond the grid read as empty and take nothing.
  f.Rows(5);
  f.cols(3);
  EXPECT_EQ(TableOf(f),
            Table({{"a", "b", ""}, {"c", "d", ""}, {"e", "f", ""}, {"", "", ""}, {"", "", ""}}));
  f.Data(4, 0, "x");
  EXPECT_EQ(f.Data(4, 0), "");
  f.Clear();
  EXPECT_EQ(TableOf(f), Table(5, std::vector<std::string>(3)));

  clsDatFile fresh;
  fresh.Rows(2);
  fresh.cols(2);
  fresh.Data(0, 0, "never cleared");
  EXPECT_EQ(fresh.Data(0, 0), "");
}

TEST(clsDatFile, MoveRowUpExchangesARowWithTheOneAbove) {
  const Table start = {{"a", "b"}, {"c", "d"}, {"e", "f"}};
  struct Case {
    Int16 row;
    Table after;
  } cases[] = {
      {1, {{"c", "d"}, {"a", "b"}, {"e", "f"}}},
      {2, {{"a", "b"}, {"e", "f"}, {"c", "d"}}},
      {0, start},
      {3, start},
      {-1, start},
  };
  for (const Case& c : cases) {
    clsDatFile f;
    Fill(f, start);
    f.MoveRowUp(c.row);
    EXPECT_EQ(TableOf(f), c.after) << "row " << c.row;
  }
}

TEST(clsDatFile, OtherLayoutsAndNamelessSavesDoNothing) {
  TempDir dir;
  clsDatFile f;
  EXPECT_EQ(f.FileType(), "dat");
  EXPECT_EQ(f.Fmt(), 0);
  f.Fmt(1);
  EXPECT_EQ(f.FileType(), "csv");
  f.Fmt(2);
  EXPECT_EQ(f.FileType(), "csv");
  f.Fmt(7);
  EXPECT_EQ(f.FileType(), "dat");

  Fill(f, {{"a"}});
  f.FileName(dir.File("seven.dat"));
  f.Load();  // no file there, and no error: nothing happens
  f.Save();
  EXPECT_EQ(dir.Read("seven.dat"), "<missing>");
  EXPECT_EQ(TableOf(f), Table({{"a"}}));

  for (Int16 fmt : {0, 1, 2}) {
    clsDatFile nameless;
    nameless.Fmt(fmt);
    Fill(nameless, {{"a"}});
    EXPECT_EQ(RaisedBy([&] { nameless.Save(); }).number, 0) << "layout " << fmt;
  }
}

TEST(clsDatFile, MissingHeadersAreSavedEmpty) {
  TempDir dir;
  clsDatFile f;
  f.FileName(dir.File("t.csv"));
  f.Fmt(2);
  f.Headers({"Name"});
  Fill(f, {{"a", "b"}});
  f.Save();
  EXPECT_EQ(dir.Read("t.csv"), "\"Name\",\"\"\r\n\"a\",\"b\"\r\n");
}

TEST(clsDatFile, ExistsWantsANameAndAnOrdinaryFile) {
  TempDir dir;
  dir.Write("form.dat", "0,0\r\n");
  clsDatFile f;
  EXPECT_FALSE(f.Exists());
  for (const auto& [name, exists] : {std::pair{dir.File("form.dat"), true},
                                     {dir.File("f*.dat"), true},
                                     {dir.File("missing.dat"), false},
                                     {dir.Path(), false}}) {
    f.FileName(name);
    EXPECT_EQ(f.Exists(), exists) << name;
  }
}

TEST(clsDatFile, FailedWritesAndReadsRaiseTheFileSystemsError) {
  TempDir dir;
  auto files = std::make_shared<test::FailingFileSystem>();
  test::ScopedFileSystem installed(files);
  clsDatFile f;
  f.FileName(dir.File("t.dat"));
  Fill(f, {{"a"}});
  files->Fail(test::FileOp::kWrite, err::kDiskFull);
  EXPECT_EQ(RaisedBy([&] { f.Save(); }).number, err::kDiskFull);
  files->Heal();
  f.Save();
  files->Fail(test::FileOp::kRead, err::kPermissionDenied);
  const test::Raised raised = RaisedBy([&] { f.Load(); });
  EXPECT_EQ(raised.number, err::kPermissionDenied);
  EXPECT_EQ(raised.description, dir.File("t.dat") + ": Permission denied");
  EXPECT_EQ(TableOf(f), Table({{"a"}}));
}

// The fatal errors show their message (OK button, no icon, the application title) and end the
// program with status 1 at once; the recorder echoes the message to standard error for the
// death test to see.
class clsDatFileFatal : public ::testing::Test {
 protected:
  void SetUp() override {
    messages->echoToStderr = true;
    SetAppTitle("Payroll Filer");
  }
  void TearDown() override { SetAppTitle(previousTitle); }
  std::string previousTitle = AppTitle();
  test::ScopedMessageBox messages;
};

TEST_F(clsDatFileFatal, CountsBelowOneEndTheProgram) {
  clsDatFile f;
  EXPECT_EXIT(f.Rows(0), ::testing::ExitedWithCode(1),
              "^\\[Payroll Filer\\|OK\\|no icon\\] clsDatFile\\.Rows out of bounds \\(0\\)\n$");
  EXPECT_EXIT(f.Rows(-5), ::testing::ExitedWithCode(1),
              "\\] clsDatFile\\.Rows out of bounds \\(-5\\)\n$");
  EXPECT_EXIT(f.cols(0), ::testing::ExitedWithCode(1),
              "\\] clsDatFile\\.Cols out of bounds \\(0\\)\n$");
  EXPECT_EXIT(f.cols(-32768), ::testing::ExitedWithCode(1),
              "\\] clsDatFile\\.Cols out of bounds \\(-32768\\)\n$");
  f.Rows(1);
  f.cols(1);
  EXPECT_EQ(f.Rows(), 1);
  EXPECT_EQ(f.cols(), 1);
}

TEST_F(clsDatFileFatal, LoadWithoutAFileNameEndsTheProgram) {
  for (Int16 fmt : {0, 1, 2}) {
    clsDatFile f;
    f.Fmt(fmt);
    EXPECT_EXIT(f.Load(), ::testing::ExitedWithCode(1),
                "^\\[Payroll Filer\\|OK\\|no icon\\] clsDatFile\\.Load: Filename not set\n$")
        << "layout " << fmt;
  }
}

TEST_F(clsDatFileFatal, MalformedFirstCsvLineEndsTheProgram) {
  // A checked-in file: the death test's child runs this body again and ends without cleaning up.
  const std::string path = SHEAVER_TEST_DATA "/datafiles/malformed_first_line.csv";
  EXPECT_EXIT(Loaded(path, 1), ::testing::ExitedWithCode(1),
              "\\] clsDatFile\\.Cols out of bounds \\(0\\)\n$");
  // With a header line, the header may be anything; the first data line decides.
  EXPECT_EQ(Loaded(path, 2).cols(), 2);
}

}  // namespace
}  // namespace sheaver
