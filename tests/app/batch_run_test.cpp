#include "app/batch_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/failing_file_system.h"
#include "support/form_files.h"
#include "support/raised.h"
#include "support/recording_message_box.h"
#include "support/temp_dir.h"
#include "ui/MemoryListView.h"

namespace sheaver {
namespace {

using test::Raised;
using test::RaisedBy;
using test::TempDir;

const std::string kRecords = std::string(test::kTimesheetCsv).substr(17);  // one workbook's lines

std::string Repeat(const std::string& text, int n) {
  std::string all;
  for (int i = 0; i < n; ++i) all += text;
  return all;
}

// A temporary input directory, output directory and form type, and the window's report list.
class Run : public testing::Test {
 public:
  Run() {
    std::filesystem::create_directory(dir.File("in"));
    std::filesystem::create_directory(dir.File("out"));
    test::WriteFormType(dir.File("form.dat"), test::TimesheetFields());
    paths.formType = dir.File("form.dat");
    paths.inputDirectory = dir.File("in");
    paths.outputDirectory = dir.File("out");
    paths.dataFile = dir.File("data.csv");
    list.LV(&view);
    list.cols(2);
    list.ColumnHeaderWidth(0, "File", 85);
    list.ColumnHeaderWidth(1, "Status", 15);
  }

  // Puts a copy of the timesheet workbook into the input directory.
  void AddForm(const std::string& name) {
    std::filesystem::copy_file(test::WeekWorkbook(), dir.File("in/" + name));
  }
  Raised Go(const RunHook& hook = {}) {
    return RaisedBy([&] { ProcessForms(paths, list, hook); });
  }
  // The rows as "path|status" with the temporary directory shown as "~".
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (Int16 r = 0; r < list.Rows(); ++r) {
      std::string path = list.Data(r, 0);
      if (path.starts_with(dir.Path())) path = "~" + path.substr(dir.Path().size());
      rows.push_back(path + "|" + list.Data(r, 1));
    }
    return rows;
  }
  std::vector<std::string> FilesIn(const std::string& sub) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File(sub)))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir;
  FormsPaths paths;
  MemoryListView view{6000};
  clsListViewRpt list;
  test::ScopedMessageBox messages;
};

using Texts = std::vector<std::string>;

TEST(SearchPattern, BuiltFromTheInputDirectoryText) {
  auto files = std::make_shared<test::FailingFileSystem>();
  files->SetCurrentDirectory("/work");
  test::ScopedFileSystem scoped(files);
  const std::pair<const char*, const char*> cases[] = {
      {"/forms", "/forms/*.xls"},
      {"/forms/", "/forms/*.xls"},
      {"  /forms/  ", "/forms/*.xls"},
      {"/forms//", "/forms//*.xls"},  // only one separator goes
      {"/", "/*.xls"},                // the root loses its separator and is searched
      {"", "/*.xls"},
      {"   ", "/*.xls"},
      {"forms", "forms/*.xls"},  // relative: below the current directory
      {"/forms/week*", "/forms/week*"},
      {"/forms/week??.xls/", "/forms/week??.xls"},
      {"week*.xls", "/work/week*.xls"},
      {"*", "/work/*"},
      {"\tforms", "\tforms/*.xls"},  // only spaces are trimmed
  };
  for (const auto& [input, pattern] : cases) EXPECT_EQ(SearchPattern(input), pattern) << input;
}

TEST_F(Run, FilesEveryWorkbookInNameOrderAndMovesIt) {
  for (const char* name : {"b.xls", "A.xls", "c.XLS"}) AddForm(name);
  std::vector<std::string> events;
  EXPECT_EQ(Go([&](Int16 row, std::string_view status) {
              events.push_back(std::to_string(row) + " " + std::string(status));
            }).description,
            "");
  EXPECT_EQ(Rows(), (Texts{"~/in/A.xls|Done", "~/in/b.xls|Done", "~/in/c.XLS|Done"}));
  EXPECT_EQ(events, (Texts{"0 Pending", "1 Pending", "2 Pending", "0 Processing", "0 Done",
                           "1 Processing", "1 Done", "2 Processing", "2 Done"}));
  EXPECT_EQ(FilesIn("in"), Texts{});
  EXPECT_EQ(FilesIn("out"), (Texts{"A.xls", "b.xls", "c.XLS"}));
  EXPECT_EQ(dir.Read("data.csv"), test::kTimesheetCsv + Repeat(kRecords, 2));
  EXPECT_TRUE(messages->shown.empty());
}

TEST_F(Run, ThirdOfFiveUnreadableStopsTheRunThere) {
  for (const char* name : {"1.xls", "2.xls", "4.xls", "5.xls"}) AddForm(name);
  dir.Write("in/3.xls", "<html><body>not a workbook</body></html>");
  const Raised raised = Go();
  EXPECT_EQ(raised.number, 1005);
  EXPECT_EQ(raised.description.substr(0, 7), "3.xls: ") << raised.description;
  EXPECT_EQ(Rows(), (Texts{"~/in/1.xls|Done", "~/in/2.xls|Done", "~/in/3.xls|Processing",
                           "~/in/4.xls|Pending", "~/in/5.xls|Pending"}));
  EXPECT_EQ(FilesIn("in"), (Texts{"3.xls", "4.xls", "5.xls"}));
  EXPECT_EQ(FilesIn("out"), (Texts{"1.xls", "2.xls"}));
  EXPECT_EQ(dir.Read("data.csv"), test::kTimesheetCsv + kRecords);
  EXPECT_TRUE(messages->shown.empty());
}

TEST_F(Run, HundredAWorkbooksARunTheRestNextTime) {
  for (int i = 0; i < 150; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%03d.xls", i);
    AddForm(name);
  }
  EXPECT_EQ(Go().number, 0);
  EXPECT_EQ(list.Rows(), 100);
  EXPECT_EQ(Rows().back(), "~/in/f099.xls|Done");
  EXPECT_EQ(FilesIn("in").size(), 50u);
  EXPECT_EQ(FilesIn("in").front(), "f100.xls");

  EXPECT_EQ(Go().number, 0);
  EXPECT_EQ(list.Rows(), 50);
  EXPECT_EQ(Rows().front(), "~/in/f100.xls|Done");
  EXPECT_EQ(FilesIn("out").size(), 150u);
  EXPECT_EQ(dir.Read("data.csv"), test::kTimesheetCsv + Repeat(kRecords, 149));
  EXPECT_TRUE(messages->shown.empty());

  EXPECT_EQ(Go().number, 0);
  EXPECT_EQ(list.Rows(), 0);
  ASSERT_EQ(messages->shown.size(), 1u);
  EXPECT_EQ(messages->shown[0],
            (test::ShownMessage{kAllFormsProcessed, MsgButtons::kOk, MsgIcon::kNone, AppTitle()}));
}

TEST_F(Run, WithoutOutputDirectoryEveryRunFilesTheSameWorkbooksAgain) {
  AddForm("a.xls");
  AddForm("b.xls");
  paths.outputDirectory = "";
  EXPECT_EQ(Go().number, 0);
  EXPECT_EQ(Go().number, 0);
  EXPECT_EQ(FilesIn("in"), (Texts{"a.xls", "b.xls"}));
  EXPECT_EQ(dir.Read("data.csv"), test::kTimesheetCsv + Repeat(kRecords, 3));
}

TEST_F(Run, NothingFoundClearsTheListAndSaysSo) {
  list.AddRow();
  list.Data(0, 0, "from an earlier run");
  dir.Write("in/.hidden.xls", "");
  dir.Write("in/notes.txt", "");
  std::filesystem::create_directory(dir.File("in/folder.xls"));
  for (const std::string& input : {dir.File("in"), dir.File("missing")}) {
    paths.inputDirectory = input;
    EXPECT_EQ(Go().number, 0);
    EXPECT_EQ(list.Rows(), 0);
  }
  EXPECT_EQ(messages->shown.size(), 2u);
  EXPECT_EQ(dir.Read("data.csv"), "<missing>");
}

TEST_F(Run, InputTextWithWildcardsIsThePattern) {
  for (const char* name : {"week01.xls", "week02.xls", "other.xls"}) AddForm(name);
  struct Case {
    std::string input;
    Texts rows;
  };
  const Case cases[] = {
      {dir.File("in/week*"), {"~/in/week01.xls|Pending", "~/in/week02.xls|Pending"}},
      {" " + dir.File("in/w?ek02.xls") + "/ ", {"~/in/week02.xls|Pending"}},
      {dir.File("in/"),
       {"~/in/other.xls|Pending", "~/in/week01.xls|Pending", "~/in/week02.xls|Pending"}},
  };
  // The list as the first pass left it: the form type is missing, so the first workbook fails.
  paths.formType = dir.File("none.dat");
  for (const Case& c : cases) {
    paths.inputDirectory = c.input;
    EXPECT_EQ(Go().number, 53);
    Texts expected = c.rows;
    expected[0].replace(expected[0].find("Pending"), 7, "Processing");
    EXPECT_EQ(Rows(), expected) << c.input;
  }
}

TEST_F(Run, PatternWithoutSeparatorSearchesTheCurrentDirectory) {
  AddForm("a.xls");
  auto files = std::make_shared<test::FailingFileSystem>();
  files->SetCurrentDirectory(dir.File("in"));
  test::ScopedFileSystem scoped(files);
  paths.inputDirectory = "*.xls";
  EXPECT_EQ(Go().number, 0);
  EXPECT_EQ(Rows(), Texts{"~/in/a.xls|Done"});
}

TEST_F(Run, ReadsInputOnceAndTheOtherPathsForEveryWorkbook) {
  AddForm("a.xls");
  AddForm("b.xls");
  struct Counting : FormsSource {
    FormsPaths* paths;
    int formType = 0, input = 0, output = 0, data = 0;
    std::string FormType() override { return ++formType, paths->formType; }
    std::string InputDirectory() override { return ++input, paths->inputDirectory; }
    std::string OutputDirectory() override { return ++output, paths->outputDirectory; }
    // Each workbook goes to a data file of its own: the run must ask again each time.
    std::string DataFile() override { return ++data, paths->dataFile + std::to_string(data); }
  } source;
  source.paths = &paths;
  ProcessForms(source, list);
  EXPECT_EQ(source.input, 1);
  EXPECT_EQ(source.formType, 2);
  EXPECT_EQ(source.output, 2);
  EXPECT_EQ(source.data, 2);
  EXPECT_EQ(dir.Read("data.csv1"), test::kTimesheetCsv);
  EXPECT_EQ(dir.Read("data.csv2"), test::kTimesheetCsv);
}

TEST_F(Run, ExistingTargetIsReplaced) {
  AddForm("a.xls");
  dir.Write("out/a.xls", "an older copy");
  EXPECT_EQ(Go().number, 0);
  EXPECT_EQ(dir.Read("out/a.xls"), test::TempDir::ReadBytes(test::WeekWorkbook()));
  EXPECT_EQ(FilesIn("in"), Texts{});
}

// Failures of the move and of the data file: what each leaves behind.
TEST_F(Run, FailuresPartWayLeaveEarlierWorkDone) {
  struct Case {
    const char* name;
    std::function<void(Run&)> arrange;
    int number;
    Texts rows;
    Texts in, out;
    int recordsFiled;  // workbooks whose records are in the data file (-1: no data file)
  };
  const Case cases[] = {
      {"missing output directory",
       [](Run& r) { r.paths.outputDirectory = r.dir.File("gone"); },
       76,
       {"~/in/a.xls|Processing", "~/in/b.xls|Pending"},
       {"a.xls", "b.xls"},
       {},
       1},
      {"data file directory missing",
       [](Run& r) { r.paths.dataFile = r.dir.File("gone/data.csv"); },
       76,
       {"~/in/a.xls|Processing", "~/in/b.xls|Pending"},
       {"a.xls", "b.xls"},
       {},
       -1},
      {"target is a directory",
       [](Run& r) { std::filesystem::create_directory(r.dir.File("out/b.xls")); },
       58,
       {"~/in/a.xls|Done", "~/in/b.xls|Processing"},
       {"b.xls"},
       {"a.xls", "b.xls"},
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(dir.File("in"));
    std::filesystem::remove_all(dir.File("out"));
    std::filesystem::remove(dir.File("data.csv"));
    std::filesystem::create_directory(dir.File("in"));
    std::filesystem::create_directory(dir.File("out"));
    paths.outputDirectory = dir.File("out");
    paths.dataFile = dir.File("data.csv");
    AddForm("a.xls");
    AddForm("b.xls");
    c.arrange(*this);
    EXPECT_EQ(Go().number, c.number);
    EXPECT_EQ(Rows(), c.rows);
    EXPECT_EQ(FilesIn("in"), c.in);
    EXPECT_EQ(FilesIn("out"), c.out);
    EXPECT_EQ(dir.Read("data.csv"),
              c.recordsFiled < 0 ? std::string("<missing>")
                                 : test::kTimesheetCsv + Repeat(kRecords, c.recordsFiled - 1));
  }
}

TEST_F(Run, WorkbookDeletedBetweenListingAndProcessing) {
  for (const char* name : {"a.xls", "b.xls", "c.xls"}) AddForm(name);
  const Raised raised = Go([&](Int16 row, std::string_view status) {
    if (row == 2 && status == kStatusPending) std::filesystem::remove(dir.File("in/b.xls"));
  });
  EXPECT_EQ(raised.number, 53);
  EXPECT_EQ(raised.description, "b.xls: File not found");
  EXPECT_EQ(Rows(), (Texts{"~/in/a.xls|Done", "~/in/b.xls|Processing", "~/in/c.xls|Pending"}));
  EXPECT_EQ(FilesIn("in"), Texts{"c.xls"});
  EXPECT_EQ(dir.Read("data.csv"), test::kTimesheetCsv);
}

TEST_F(Run, MoveRefusedByTheFileSystem) {
  AddForm("a.xls");
  AddForm("b.xls");
  auto files = std::make_shared<test::FailingFileSystem>();
  files->Fail(test::FileOp::kMove, 70, 1);
  test::ScopedFileSystem scoped(files);
  EXPECT_EQ(Go().number, 70);
  EXPECT_EQ(Rows(), (Texts{"~/in/a.xls|Done", "~/in/b.xls|Processing"}));
  EXPECT_EQ(FilesIn("in"), Texts{"b.xls"});
  EXPECT_EQ(dir.Read("data.csv"), test::kTimesheetCsv + kRecords);
}

TEST_F(Run, ReadOnlyOutputDirectoryForAnOrdinaryUser) {
  AddForm("a.xls");
  for (const char* sub : {"", "/in", "/out"}) test::OpenToEveryone(dir.Path() + sub);
  ::chmod(dir.File("out").c_str(), 0555);
  ::chmod(dir.File("in/a.xls").c_str(), 0644);
  ::chmod(dir.File("form.dat").c_str(), 0644);
  EXPECT_EQ(test::ErrorNumberAsUnprivileged([&] { ProcessForms(paths, list); }), 70);
  EXPECT_EQ(FilesIn("in"), Texts{"a.xls"});
}

TEST(MoveForm, TargetIsTheTrimmedDirectoryAndTheFileName) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("out"));
  struct Case {
    std::string outDir;
    const char* lands;  // where a.xls ends up, relative to dir
  };
  const Case cases[] = {
      {dir.File("out"), "out/a.xls"},
      {"  " + dir.File("out") + "/  ", "out/a.xls"},
      {dir.File("out") + "//", "out/a.xls"},  // one separator removed, the double one is harmless
  };
  for (const Case& c : cases) {
    dir.Write("a.xls", "x");
    MoveForm(dir.File("a.xls"), c.outDir);
    EXPECT_EQ(dir.Read(c.lands), "x") << c.outDir;
    EXPECT_EQ(dir.Read("a.xls"), "<missing>");
    std::filesystem::remove(dir.File(c.lands));
  }
  // Onto itself: refused, and the workbook stays.
  dir.Write("out/b.xls", "y");
  for (const std::string& outDir : {dir.File("out"), dir.File("out/./"), dir.File("out/../out")}) {
    const Raised raised = RaisedBy([&] { MoveForm(dir.File("out/b.xls"), outDir); });
    EXPECT_EQ(raised.number, 75) << outDir;
    EXPECT_EQ(dir.Read("out/b.xls"), "y");
  }
  // A path without any separator is left alone.
  MoveForm("a.xls", dir.File("out"));
  EXPECT_EQ(dir.Read("out/a.xls"), "<missing>");
}

}  // namespace
}  // namespace sheaver
