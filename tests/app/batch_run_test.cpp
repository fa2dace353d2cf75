#include "app/batch_run.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/filing.h"
#include "support/failing_file_system.h"
#include "support/form_files.h"
#include "support/raised.h"
#include "support/recording_message_box.h"
#include "support/temp_dir.h"
#include "ui/memory_list_view.h"

namespace sheaver {
namespace {

using test::Raised;
using test::RaisedBy;
using test::TempDir;
using Texts = std::vector<std::string>;

// The data file after n timesheet workbooks.
std::string Filed(int n) {
  const std::string csv = test::kTimesheetCsv;
  std::string all = n == 0 ? "<missing>" : csv;
  for (int i = 1; i < n; ++i) all += csv.substr(csv.find('\n') + 1);  // after the header line
  return all;
}

// A temporary input directory, output directory and form type, and the window's report list.
class Run : public testing::Test {
 public:
  Run() {
    paths.formType = dir.File("form.dat");
    paths.inputDirectory = dir.File("in");
    paths.outputDirectory = dir.File("out");
    paths.dataFile = dir.File("data.csv");
    list.LV(&view);
    list.cols(2);
  }
  Raised Go() {
    return RaisedBy([&] { ProcessForms(paths, list, hook); });
  }
  // The rows as "path|status" with the temporary directory shown as "~".
  Texts Rows() const {
    Texts rows;
    for (Int16 r = 0; r < list.Rows(); ++r)
      rows.push_back("~" + list.Data(r, 0).substr(dir.Path().size()) + "|" + list.Data(r, 1));
    return rows;
  }

  test::FilingDir dir;
  FormsPaths paths;
  RunHook hook;
  MemoryListView view{6000};
  ReportListView list;
  test::ScopedMessageBox messages;
  std::optional<test::ScopedFileSystem> files;
};

TEST(SearchPattern, BuiltFromTheInputDirectoryText) {
  auto files = std::make_shared<test::FailingFileSystem>();
  files->SetCurrentDirectory("/work");
  test::ScopedFileSystem scoped(files);
  const std::pair<const char*, const char*> cases[] = {
      {"/forms", "/forms/*.xls"},
      {"/forms//", "/forms//*.xls"},  // only one separator goes
      {"/", "/*.xls"},                // the root loses its separator and is searched
      {"forms", "forms/*.xls"},       // relative: below the current directory
      {"/forms/week??.xls/", "/forms/week??.xls"},
      {"week*.xls", "/work/week*.xls"},
  };
  for (const auto& [input, pattern] : cases) EXPECT_EQ(SearchPattern(input), pattern) << input;
}

TEST_F(Run, FilesEveryWorkbookInNameOrderAndMovesItOverAnOlderCopy) {
  dir.AddForms({"b.xls", "A.xls", "c.XLS"});
  dir.Write("out/b.xls", "an older copy");
  EXPECT_EQ(Go().description, "");
  EXPECT_EQ(Rows(), (Texts{"~/in/A.xls|Done", "~/in/b.xls|Done", "~/in/c.XLS|Done"}));
  EXPECT_EQ(dir.Names("in"), Texts{});
  EXPECT_EQ(dir.Names("out"), (Texts{"A.xls", "b.xls", "c.XLS"}));
  EXPECT_EQ(dir.Read("out/b.xls"), TempDir::ReadBytes(test::WeekWorkbook()));
  EXPECT_EQ(dir.Read("data.csv"), Filed(3));
  EXPECT_TRUE(messages->shown.empty());
}

TEST_F(Run, ThirdOfFiveUnreadableStopsTheRunThere) {
  dir.AddForms({"1.xls", "2.xls", "4.xls", "5.xls"});
  dir.Write("in/3.xls", "<html><body>not a workbook</body></html>");
  const Raised raised = Go();
  EXPECT_EQ(raised.number, 1005);
  EXPECT_EQ(raised.description.substr(0, 7), "3.xls: ") << raised.description;
  EXPECT_EQ(Rows(), (Texts{"~/in/1.xls|Done", "~/in/2.xls|Done", "~/in/3.xls|Failed",
                           "~/in/4.xls|Pending", "~/in/5.xls|Pending"}));
  EXPECT_EQ(dir.Names("in"), (Texts{"3.xls", "4.xls", "5.xls"}));
  EXPECT_EQ(dir.Names("out"), (Texts{"1.xls", "2.xls"}));
  EXPECT_EQ(dir.Read("data.csv"), Filed(2));
  EXPECT_TRUE(messages->shown.empty());
}

// A workbook the user may not read is found and stops the run, rather than being passed over
// as if it had been filed.
TEST_F(Run, AnUnreadableWorkbookStopsTheRunThere) {
  dir.AddForms({"a.xls", "b.xls"});
  ::chmod(dir.File("in/b.xls").c_str(), 0000);
  for (const std::string& d : {dir.Path(), dir.File("in"), dir.File("out")})
    test::OpenToEveryone(d);
  EXPECT_EQ(test::ErrorNumberAsUnprivileged([&] { ProcessForms(paths, list, hook); }),
            err::kPermissionDenied);
  EXPECT_EQ(dir.Names("in"), Texts{"b.xls"});
  EXPECT_EQ(dir.Names("out"), Texts{"a.xls"});
  EXPECT_EQ(dir.Read("data.csv"), Filed(1));
}

TEST_F(Run, HundredAWorkbooksARunTheRestNextTime) {
  for (int i = 0; i < 150; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%03d.xls", i);
    dir.AddForms({name});
  }
  EXPECT_EQ(Go().number, 0);
  EXPECT_EQ(list.Rows(), 100);
  EXPECT_EQ(Rows().back(), "~/in/f099.xls|Done");
  EXPECT_EQ(dir.Names("in").size(), 50u);
  EXPECT_EQ(dir.Names("in").front(), "f100.xls");

  EXPECT_EQ(Go().number, 0);
  EXPECT_EQ(list.Rows(), 50);
  EXPECT_EQ(Rows().front(), "~/in/f100.xls|Done");
  EXPECT_EQ(dir.Names("out").size(), 150u);
  EXPECT_EQ(dir.Read("data.csv"), Filed(150));
  EXPECT_TRUE(messages->shown.empty());

  EXPECT_EQ(Go().number, 0);
  EXPECT_EQ(list.Rows(), 0);
  ASSERT_EQ(messages->shown.size(), 1u);
  EXPECT_EQ(messages->shown[0].text, kAllFormsProcessed);
}

// A workbook whose move failed after its append stays in the journal, known by its size and
// modification time as it was read; the next run moves it without appending its records again.
TEST_F(Run, AWorkbookLeftAfterItsAppendIsKnownByItsStatusAndMovedNextRun) {
  dir.AddForms({"a.xls"});
  auto failing = std::make_shared<test::FailingFileSystem>();
  failing->Fail(test::FileOp::kMove, 70);
  files.emplace(failing);
  EXPECT_EQ(Go().number, 70);
  files.reset();

  JournalEntry entry;
  ASSERT_TRUE(JournalEntry::Parse(dir.Read("data.csv.sheaver-journal"), entry));
  struct stat st;
  ASSERT_EQ(::stat(dir.File("in/a.xls").c_str(), &st), 0);
  EXPECT_EQ(entry.workbook, dir.File("in/a.xls"));
  EXPECT_EQ(entry.size, static_cast<std::uint64_t>(st.st_size));
  EXPECT_EQ(entry.modifiedNs,
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec);

  EXPECT_EQ(Go().number, 0);
  EXPECT_EQ(dir.Names("in"), Texts{});
  EXPECT_EQ(dir.Names("out"), Texts{"a.xls"});
  EXPECT_EQ(dir.Read("data.csv"), Filed(1));
}

// Failures part-way through a run of a.xls and b.xls: what each leaves behind.
struct Failure {
  const char* name;
  std::function<void(Run&)> arrange;
  int number;
  Texts statuses, in, out;
  int filed;  // workbooks whose records are in the data file
};
void PrintTo(const Failure& f, std::ostream* os) {
  *os << f.name;
}
class RunFailure : public Run, public testing::WithParamInterface<Failure> {};

TEST_P(RunFailure, LeavesEarlierWorkDone) {
  const Failure& c = GetParam();
  dir.AddForms({"a.xls", "b.xls"});
  c.arrange(*this);
  EXPECT_EQ(Go().number, c.number);
  EXPECT_EQ((Texts{list.Data(0, 1), list.Data(1, 1)}), c.statuses);
  EXPECT_EQ(dir.Names("in"), c.in);
  EXPECT_EQ(dir.Names("out"), c.out);
  EXPECT_EQ(dir.Read("data.csv"), Filed(c.filed));
}

// clang-format off
const Failure kFailures[] = {
    // Refused before any record is appended, so that a retry does not repeat the first workbook.
    {"OutputDirectoryMissing", [](Run& r) { r.paths.outputDirectory = r.dir.File("gone"); },
     76, {"Pending", "Pending"}, {"a.xls", "b.xls"}, {}, 0},
    {"OutputDirectoryIsTheInputDirectory",
     [](Run& r) { r.paths.outputDirectory = r.dir.File("in") + "/"; },
     75, {"Pending", "Pending"}, {"a.xls", "b.xls"}, {}, 0},
    {"SecondMoveRefused",
     [](Run& r) {
       auto files = std::make_shared<test::FailingFileSystem>();
       files->Fail(test::FileOp::kMove, 70, 1);
       r.files.emplace(files);
     },
     70, {"Done", "Failed"}, {"b.xls"}, {"a.xls"}, 2},
    {"WorkbookDeletedAfterListing",
     [](Run& r) {
       r.hook = [&r](Int16 row, std::string_view status) {
         if (row == 1 && status == kStatusPending) std::filesystem::remove(r.dir.File("in/b.xls"));
       };
     },
     53, {"Done", "Failed"}, {}, {"a.xls"}, 1},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Run, RunFailure, testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MoveForm, TargetIsTheTrimmedDirectoryAndTheFileNameButNeverTheWorkbookItself) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("out"));
  dir.Write("a.xls", "x");
  MoveForm(dir.File("a.xls"), "  " + dir.File("out") + "/  ");
  EXPECT_EQ(dir.Names("out"), Texts{"a.xls"});
  EXPECT_EQ(dir.Read("out/a.xls"), "x");
  // Onto itself: refused, and the workbook stays.
  for (const std::string& outDir : {dir.File("out"), dir.File("out/../out/")})
    EXPECT_EQ(RaisedBy([&] { MoveForm(dir.File("out/a.xls"), outDir); }).number, 75) << outDir;
  EXPECT_EQ(dir.Read("out/a.xls"), "x");
}

// A filed copy is never deleted to make room: an older copy is replaced in one rename, and a
// workbook that has already left the input directory (another run filed it) is File not found
// with the filed copy untouched. The same for a move across file systems.
TEST(MoveForm, ReplacesAnOlderCopyAndNeverDeletesAFiledOne) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("out"));
  dir.Write("out/a.xls", "old");
  dir.Write("a.xls", "new");
  MoveForm(dir.File("a.xls"), dir.File("out"));
  EXPECT_EQ(dir.Read("out/a.xls"), "new");
  EXPECT_EQ(dir.Names(""), Texts{"out"});

  const Raised gone = RaisedBy([&] { MoveForm(dir.File("a.xls"), dir.File("out")); });
  EXPECT_EQ(gone.number, 53) << gone.description;
  EXPECT_EQ(dir.Read("out/a.xls"), "new");

  // /dev/shm is another file system than the temporary directory on most machines; where it is
  // not, the rename path is taken again, which must keep the same promise.
  if (std::filesystem::is_directory("/dev/shm")) {
    const std::string source = "/dev/shm/sheaver-move-test-" + std::to_string(::getpid()) + ".xls";
    if (std::FILE* f = std::fopen(source.c_str(), "wb")) {
      std::fputs("across", f);
      std::fclose(f);
      MoveForm(source, dir.File("out"));
      EXPECT_FALSE(std::filesystem::exists(source));
      std::filesystem::remove(source);
      const std::string name = source.substr(source.rfind('/') + 1);
      EXPECT_EQ(dir.Read("out/" + name), "across");
      EXPECT_EQ(dir.Names("out"), (Texts{"a.xls", name}));  // no hidden copy left beside them
    }
  }
}

}  // namespace
}  // namespace sheaver
