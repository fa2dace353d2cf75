#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include "extract/extraction.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "spreadsheet/xls_builder.h"
#include "support/failing_file_system.h"
#include "support/form_files.h"
#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::FormField;
using test::Raised;
using test::RaisedBy;
using test::TempDir;

// Files one workbook by the fields into dir/data.csv and returns what was raised.
Raised File(const TempDir& dir, const std::vector<FormField>& fields,
            const std::string& workbook = test::WeekWorkbook()) {
  test::WriteFormType(dir.File("form.dat"), fields);
  return RaisedBy(
      [&] { ExtractWorkbookData(workbook, dir.File("form.dat"), dir.File("data.csv")); });
}

TEST(ExtractWorkbookData, HeaderOnlyWhenTheDataFileIsMissing) {
  const std::string records = std::string(test::kTimesheetCsv).substr(17);  // after the header
  const struct {
    const char* name;
    const char* before;  // nullptr: no data file
    int workbooks;
    std::string after;
  } cases[] = {
      {"missing", nullptr, 1, test::kTimesheetCsv},
      {"earlier records", "x\r\n", 1, "x\r\n" + records},
      {"second workbook of a run", nullptr, 2, test::kTimesheetCsv + records},
  };
  for (const auto& c : cases) {
    TempDir dir;
    if (c.before) dir.Write("data.csv", c.before);
    for (int i = 0; i < c.workbooks; ++i)
      EXPECT_EQ(File(dir, test::TimesheetFields()).description, "") << c.name;
    EXPECT_EQ(dir.Read("data.csv"), c.after) << c.name;
  }
}

// Whether the header is due depends on a file being there, not on whether a listing would show
// it: a data file with a hidden name, or one the user may append to but not read, gets no second
// header in the middle of its records.
TEST(ExtractWorkbookData, NoHeaderForAnExistingDataFileThatAListingSkips) {
  const std::string records = std::string(test::kTimesheetCsv).substr(17);
  TempDir dir;
  test::WriteFormType(dir.File("form.dat"), test::TimesheetFields());
  for (int i = 0; i < 2; ++i)
    ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File(".data.csv"));
  EXPECT_EQ(dir.Read(".data.csv"), test::kTimesheetCsv + records);

  dir.Write("appendonly.csv", "x\r\n");
  ::chmod(dir.File("appendonly.csv").c_str(), 0222);
  ::chmod(dir.File("form.dat").c_str(), 0644);
  test::OpenToEveryone(dir.Path());
  EXPECT_EQ(test::ErrorNumberAsUnprivileged([&] {
              ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"),
                                  dir.File("appendonly.csv"));
            }),
            0);
  ::chmod(dir.File("appendonly.csv").c_str(), 0644);
  EXPECT_EQ(dir.Read("appendonly.csv"), "x\r\n" + records);
}

// What each form type makes of the week workbook (or another one).
TEST(ExtractWorkbookData, FieldsGiveTheseLines) {
  const struct {
    const char* name;
    std::vector<FormField> fields;
    std::string csv;
    std::string workbook = test::WeekWorkbook();
  } cases[] = {
      {"single cells give one record",
       {{"Staff", "B2", "0"}, {"Title", "A1", "text"}, {"Start", "WeekStart", "ymd"}},
       "Staff,Title,Start\r\n42,\"Timesheet title\",20240101\r\n"},
      {"a shorter strip gives empty text past its end",
       {{"Day", "B14:H14", "text"}, {"Hours", "C6:C8", "0.00"}},
       "Day,Hours\r\n\"Mon\",8.00\r\n\"Tue\",7.50\r\n\"Wed\",8.00\r\n\"Thu\",0.00\r\n"
       "\"Fri\",0.00\r\n\"Sat\",0.00\r\n\"Sun\",0.00\r\n"},
      {"a block counts its longer side and reads empty",
       {{"Block", "Block", "text"}, {"Cells", "E2:F3", "0"}, {"Staff", "B2", "0"}},
       "Block,Cells,Staff\r\n\"\",0,42\r\n\"\",0,42\r\n\"\",0,42\r\n"},
      {"names ignore letter case and reach other sheets",
       {{"a", "weekstart", "dmy"}, {"b", "FARCELL", "0"}, {"c", "extra!local", "text"}},
       "a,b,c\r\n01/01/2024,99,\"from extra\"\r\n"},
      {"unknown or malformed references read A1",
       {{"a", "Hourz", "text"}, {"b", "C6:", "text"}, {"c", "Extra!A1", "text"}},
       "a,b,c\r\n\"Timesheet title\",\"Timesheet title\",\"Timesheet title\"\r\n"},
      {"text keeps its line break inside quotes",
       {{"Note", "B4", "text"}},
       "Note\r\n\"He said \"\"hi\"\", then\nleft\"\r\n"},
      {"references are read on the active sheet",
       {{"a", "A1", "text"}, {"b", "B2", "0"}, {"c", "nothing", "text"}},
       "a,b,c\r\n\"second sheet\",2,\"second sheet\"\r\n",
       test::SecondActiveWorkbook()},
  };
  for (const auto& c : cases) {
    TempDir dir;
    EXPECT_EQ(File(dir, c.fields, c.workbook).description, "") << c.name;
    EXPECT_EQ(dir.Read("data.csv"), c.csv) << c.name;
  }
  // A form type of two columns reads with empty format codes.
  TempDir dir;
  dir.Write("form.dat", "2,2\r\n\"Staff\",\"B2\"\r\n\"Hours\",\"C7\"\r\n");
  ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("data.csv"));
  EXPECT_EQ(dir.Read("data.csv"), "Staff,Hours\r\n42,7.5\r\n");
}

// Failures of a field: the error (number and where it says it happened) and what stays in the
// data file.
TEST(ExtractWorkbookData, FieldFailuresNameWorkbookFieldAndRecord) {
  const struct {
    std::vector<FormField> fields;
    int number;
    std::string description_start;
    std::string csv;  // the data file afterwards ("<missing>" when never created)
  } cases[] = {
      {{{"Result", "B5", ""}},
       13,
       "week.xls: field Result (B5, \"\"), record 1: Type mismatch: the cell holds the error "
       "value #DIV/0!",
       "<missing>"},
      {{{"Hours", "Hours", "0.0"}, {"Day", "Dates", "dmy"}},
       13,
       "week.xls: field Day (Dates, dmy), record 4: ",
       "<missing>"},
      {{{"Staff", "B2", "0"}, {"Rate", "rate", "0.00"}},
       1004,
       "week.xls: field Rate (rate): ",
       "<missing>"},
      {{{"Staff", "B2", "0"}, {"Everything", "D:D", "text"}},
       6,
       "week.xls: field Everything (D:D): Overflow",
       "<missing>"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const Raised raised = File(dir, c.fields);
    EXPECT_EQ(raised.number, c.number) << raised.description;
    EXPECT_EQ(raised.description.substr(0, c.description_start.size()), c.description_start)
        << raised.description;
    EXPECT_EQ(dir.Read("data.csv"), c.csv) << c.description_start;
  }
}

// The error carries the same as fields: the workbook, the field, its cell and the record.
TEST(ExtractWorkbookData, FieldFailuresCarryTheirContext) {
  TempDir dir;
  test::WriteFormType(dir.File("form.dat"), {{"Staff", "B2", "0"}, {"Result", "B5", ""}});
  try {
    ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("data.csv"));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Context().file, test::WeekWorkbook());
    EXPECT_EQ(e.Context().field, "Result");
    EXPECT_EQ(e.Context().cell, "B5");
    EXPECT_EQ(e.Context().record, 1);
  }
}

// A text longer than a field can hold names the workbook, the field, the record and its cell.
TEST(ExtractWorkbookData, ATextTooLongForAFieldSaysSo) {
  using namespace xl::testing;
  Bytes label = Cell(3, 1, 0);  // B4
  Put16(label, 40000);
  label.push_back(0);
  PutText(label, std::string(40000, 'x'));
  Bytes cells = Rec(0x0204, label);
  PutBytes(cells, NumberRec(2, 1, 1));
  const Bytes stream = BuildStream({}, {{"Sheet1", 0, cells}});
  TempDir dir;
  const std::string workbook = dir.Write("long.xls", std::string(stream.begin(), stream.end()));
  const Raised raised = File(dir, {{"Note", "B3:B4", "text"}}, workbook);
  EXPECT_EQ(raised.number, 6);
  EXPECT_EQ(raised.description,
            "long.xls: field Note (B3:B4, text), record 2, cell B4: Overflow: the text is too long "
            "for a field (40000 characters; a field holds at most 32767)");
  EXPECT_EQ(dir.Read("data.csv"), "<missing>");
}

TEST(ExtractWorkbookData, UnreadableInputsRaiseTheirErrorNamingTheWorkbook) {
  TempDir dir;
  test::WriteFormType(dir.File("form.dat"), test::TimesheetFields());
  dir.Write("nofields.dat", "0,3\r\n");
  dir.Write("notes.xls", "Staff,Hours\r\n42,8\r\n");
  const struct {
    std::string workbook, formType;
    int number;
    std::string start;
  } cases[] = {
      {dir.File("notes.xls"), dir.File("form.dat"), 1005, "notes.xls: not a workbook: "},
      {dir.File("gone.xls"), dir.File("form.dat"), 53, "gone.xls: File not found"},
      {test::WeekWorkbook(), dir.File("noform.dat"), 53,
       "week.xls: " + dir.File("noform.dat") + ": File not found"},
      {test::WeekWorkbook(), dir.File("nofields.dat"), 9, "week.xls: Subscript out of range"},
  };
  for (const auto& c : cases) {
    const Raised raised =
        RaisedBy([&] { ExtractWorkbookData(c.workbook, c.formType, dir.File("data.csv")); });
    EXPECT_EQ(raised.number, c.number) << raised.description;
    EXPECT_EQ(raised.description.substr(0, c.start.size()), c.start) << raised.description;
  }
  EXPECT_EQ(dir.Read("data.csv"), "<missing>");
}

TEST(ExtractWorkbookData, DataFileThatCannotBeWritten) {
  TempDir dir;
  test::WriteFormType(dir.File("form.dat"), test::TimesheetFields());
  const Raised noDir = RaisedBy([&] {
    ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("no/data.csv"));
  });
  EXPECT_EQ(noDir.number, 76);
  EXPECT_EQ(noDir.description, "week.xls: " + dir.File("no/data.csv") + ": Path not found");
}

// A workbook goes into the data file whole or not at all: a refused append adds nothing, and a
// write cut short by the file-size limit is cut back to the length before it, reported as Disk
// full instead of killing the process.
TEST(ExtractWorkbookData, FailedAppendAddsNothing) {
  TempDir dir;
  test::WriteFormType(dir.File("form.dat"), test::TimesheetFields());
  {
    auto files = std::make_shared<test::FailingFileSystem>();
    files->Fail(test::FileOp::kAppend, 57);
    test::ScopedFileSystem scoped(files);
    const std::uint64_t before = RecordLinesAppended();
    const Raised raised = RaisedBy([&] {
      ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("d.csv"));
    });
    EXPECT_EQ(raised.number, 57);
    EXPECT_EQ(dir.Read("d.csv"), "<missing>");
    EXPECT_EQ(RecordLinesAppended() - before, 0u);
  }

  ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("d.csv"));
  const std::string once = dir.Read("d.csv");
  ASSERT_EQ(once, test::kTimesheetCsv);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{once.size() + 30, once.size() + 30};  // room for one record, not seven
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const Raised raised = RaisedBy([&] {
      ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("d.csv"));
    });
    ::_exit(raised.number == 61 && dir.Read("d.csv") == once ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_EQ(dir.Read("d.csv"), once);
}

}  // namespace
}  // namespace sheaver
