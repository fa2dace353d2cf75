#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datafiles/data_table.h"
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
Table TableOf(const DataTable& f) {
  Table t(static_cast<std::size_t>(f.Rows()));
  for (Int16 r = 0; r < f.Rows(); ++r)
    for (Int16 c = 0; c < f.cols(); ++c) t[static_cast<std::size_t>(r)].push_back(f.Data(r, c));
  return t;
}

// Sets the counts, sizes the grid and stores the cells: the usual writing sequence.
void Fill(DataTable& f, const Table& t) {
  f.Rows(static_cast<Int16>(t.size()));
  f.cols(static_cast<Int16>(t[0].size()));
  f.Clear();
  for (std::size_t r = 0; r < t.size(); ++r)
    for (std::size_t c = 0; c < t[r].size(); ++c)
      f.Data(static_cast<Int16>(r), static_cast<Int16>(c), t[r][c]);
}

DataTable Loaded(const std::string& path, Int16 fmt) {
  DataTable f;
  f.FileName(path);
  f.Fmt(fmt);
  f.Load();
  return f;
}

TEST(DataTable, SavesEachLayoutWithQuotedCellsAndCrLfAndReadsItBack) {
  const Table table = {{"a", "say \"hi\"", ""}, {"1,2", "Grüße, Zoë", "tab\tx"}};
  const std::string rows = "\"a\",\"say \"\"hi\"\"\",\"\"\r\n\"1,2\",\"Grüße, Zoë\",\"tab\tx\"\r\n";
  const std::string bytes[] = {"2,3\r\n" + rows, rows, "\"X\",\"Y\",\"\"\r\n" + rows};
  TempDir dir;
  for (Int16 fmt : {0, 1, 2}) {
    DataTable f;
    f.FileName(dir.File("t.dat"));
    f.Fmt(fmt);
    f.Headers({"X", "Y"});  // a missing header is written empty
    Fill(f, table);
    f.Save();
    EXPECT_EQ(dir.Read("t.dat"), bytes[fmt]) << "layout " << fmt;
    EXPECT_EQ(TableOf(Loaded(dir.File("t.dat"), fmt)), table) << "layout " << fmt;
  }
}

TEST(DataTable, ReadsIrregularFilesByTheRowRules) {
  struct Case {
    const char* what;
    Int16 fmt;
    std::string bytes;
    Table table;  // rows x cols as loaded
  } cases[] = {
      {"short row ends the reading",
       0,
       "3,2\r\na,b\r\nc\r\ne,f\r\n",
       {{"a", "b"}, {"", ""}, {"", ""}}},
      {"LF line ends, cells trimmed", 0, "1,2\n  a ,\"  b  \"\n", {{"a", "b"}}},
      {"malformed row ends the reading", 0, "2,1\r\n\"x\"y\r\nz\r\n", {{""}, {""}}},
      {"csv ends before the first mismatch",
       1,
       "a,b\r\nd,e\r\ng\r\ni,j\r\n",
       {{"a", "b"}, {"d", "e"}}},
      {"csv header skipped whatever it holds", 2, "\"unclosed\r\n1,2\r\n", {{"1", "2"}}},
      {"empty line is one empty cell", 1, "\r\nx\r\n\r\n", {{""}, {"x"}, {""}}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const DataTable f = Loaded(dir.Write("t.dat", c.bytes), c.fmt);
    EXPECT_EQ(TableOf(f), c.table) << c.what;
    EXPECT_TRUE(f.Headers().empty()) << c.what;
  }
}

TEST(DataTable, FileErrorsReachTheCallerNamingTheFile) {
  TempDir dir;
  struct Case {
    Int16 fmt;
    std::string name;
    const char* bytes;  // nullptr: no file
    int number;
  } cases[] = {
      {0, "missing.dat", nullptr, err::kFileNotFound},
      {0, "empty.dat", "", err::kInputPastEnd},
      {0, "short.dat", "3,1\r\na\r\n", err::kInputPastEnd},
      {2, "header.csv", "\"A\",\"B\"\r\n", err::kInputPastEnd},
      {0, "words.dat", "rows,cols\r\n", err::kTypeMismatch},
      {0, "frac.dat", "1.5,2\r\n", err::kTypeMismatch},
      {0, "negative.dat", "2,-1\r\n", err::kSubscript},
      {0, "huge.dat", "40000,2\r\n", err::kOverflow},
  };
  for (const Case& c : cases) {
    if (c.bytes != nullptr) dir.Write(c.name, c.bytes);
    const std::string path = dir.File(c.name);
    const test::Raised raised = RaisedBy([&] { Loaded(path, c.fmt); });
    EXPECT_EQ(raised.number, c.number) << c.name;
    EXPECT_TRUE(raised.description.starts_with(path + ": ")) << raised.description;
  }
  EXPECT_EQ(RaisedBy([&] { Loaded(dir.File("short.dat"), 0); }).description,
            dir.File("short.dat") +
                ": Input past end of file: the count line announces 3 rows, the file holds 1");
}

TEST(DataTable, CountsAreSixteenBit) {
  TempDir dir;
  std::string lines;
  for (int i = 0; i < 32767; ++i) lines += "x\n";
  EXPECT_EQ(Loaded(dir.Write("max.csv", lines), 1).Rows(), 32767);
  const test::Raised raised = RaisedBy([&] { Loaded(dir.Write("over.csv", lines + "y\n"), 1); });
  EXPECT_EQ(raised.number, err::kOverflow);
  EXPECT_TRUE(raised.description.starts_with(dir.File("over.csv"))) << raised.description;
  // A count line may announce a huge table; only the rows present cost anything.
  const DataTable big = Loaded(dir.Write("big.dat", "32767,32767\r\nshort\r\n"), 0);
  EXPECT_EQ(big.Data(32766, 32766), "");
}

TEST(DataTable, OutOfRangeAccessIsSilentAndRowsMoveUpOneByOne) {
  DataTable f;
  Fill(f, {{"a", "b"}, {"c", "d"}, {"e", "f"}});
  for (Int16 bad : {-1, 0, 3}) f.MoveRowUp(bad);
  f.MoveRowUp(2);
  f.Data(3, 0, "x");
  EXPECT_EQ(f.Data(0, 2), "");
  EXPECT_EQ(TableOf(f), Table({{"a", "b"}, {"e", "f"}, {"c", "d"}}));
  EXPECT_EQ(f.Col(1), std::vector<std::string>({"b", "f", "d"}));
  // Counts raised without Clear: the cells beyond the grid read as empty and take nothing.
  f.Rows(4);
  f.Data(3, 0, "x");
  EXPECT_EQ(TableOf(f), Table({{"a", "b"}, {"e", "f"}, {"c", "d"}, {"", ""}}));
}

TEST(DataTable, NamelessFilesSaveNothing) {
  DataTable f;
  EXPECT_FALSE(f.Exists());
  Fill(f, {{"a"}});
  for (Int16 fmt : {0, 1, 2}) {
    f.Fmt(fmt);
    EXPECT_EQ(RaisedBy([&] { f.Save(); }).number, 0) << "layout " << fmt;
  }
}

TEST(DataTable, FailedWritesAndReadsRaiseTheFileSystemsError) {
  TempDir dir;
  auto files = std::make_shared<test::FailingFileSystem>();
  test::ScopedFileSystem installed(files);
  DataTable f;
  f.FileName(dir.File("t.dat"));
  Fill(f, {{"a"}});
  files->Fail(test::FileOp::kWrite, err::kDiskFull);
  EXPECT_EQ(RaisedBy([&] { f.Save(); }).number, err::kDiskFull);
  files->Fail(test::FileOp::kRead, err::kPermissionDenied);
  const test::Raised raised = RaisedBy([&] { f.Load(); });
  EXPECT_EQ(raised.number, err::kPermissionDenied);
  EXPECT_EQ(raised.description, dir.File("t.dat") + ": Permission denied");
  EXPECT_EQ(TableOf(f), Table({{"a"}}));
}

// The fatal errors are raised as FatalError with their text (the program's entry point shows it
// and ends with status 1), never as an ordinary error that a handler could report and go on from.
TEST(DataTable, CountsBelowOneAndLoadsWithoutANameOrAFirstCsvLineAreFatal) {
  auto fatalText = [](auto&& call) -> std::string {
    try {
      call();
    } catch (const FatalError& fatal) {
      return fatal.Text();
    } catch (...) {
      return "another exception";
    }
    return "nothing raised";
  };
  DataTable f;
  EXPECT_EQ(fatalText([&] { f.Rows(0); }), "clsDatFile.Rows out of bounds (0)");
  for (Int16 fmt : {0, 1})
    EXPECT_EQ(fatalText([&] { Loaded("", fmt); }), "clsDatFile.Load: Filename not set");
  const std::string path = SHEAVER_TEST_DATA "/datafiles/malformed_first_line.csv";
  EXPECT_EQ(fatalText([&] { Loaded(path, 1); }), "clsDatFile.Cols out of bounds (0)");
  // With a header line, the header may be anything; the first data line decides.
  EXPECT_EQ(Loaded(path, 2).cols(), 2);
}

}  // namespace
}  // namespace sheaver
