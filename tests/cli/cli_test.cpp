#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "cli/cli_tool.h"
#include "spreadsheet/xls_builder.h"
#include "support/form_files.h"
#include "support/temp_dir.h"

namespace sheaver::cli {
namespace {

using test::TempDir;
using Args = std::vector<std::string>;

// ---- option parsing -------------------------------------------------------------------------

// The parsed options as one line, so that a table can say what it expects.
std::string Summary(const ParsedCommandLine& p) {
  if (!p.error.empty()) return "error: " + p.error;
  const CliOptions& o = p.options;
  std::string s;
  const std::pair<const char*, const std::optional<std::string>*> values[] = {
      {"type", &o.type},   {"in", &o.in},
      {"out", &o.out},     {"data", &o.data},
      {"open", &o.open},   {"preview", &o.preview},
      {"cells", &o.cells}, {"separator", &o.separator},
      {"sheet", &o.sheet}, {"format", &o.format}};
  for (const auto& [name, value] : values)
    if (*value) s += std::string(name) + "=" + **value + " ";
  for (const auto& [name, flag] :
       {std::pair{"all", o.all}, std::pair{"quiet", o.quiet}, std::pair{"help", o.help},
        std::pair{"version", o.version}, std::pair{"bom", o.bom},
        std::pair{"neutralise", o.neutraliseFormulas}, std::pair{"all-sheets", o.allSheets},
        std::pair{"json", o.json}, std::pair{"refile", o.refile}})
    if (flag) s += std::string(name) + " ";
  return s;
}

TEST(ParseCommandLine, OptionsTheGnuWay) {
  struct Case {
    Args args;
    std::string parsed;
  };
  const Case cases[] = {
      {{}, ""},
      {{"--type=t.dat", "--out=/o u t", "--open=s.set"}, "type=t.dat out=/o u t open=s.set "},
      {{"--in", "--out"}, "in=--out "},  // the next argument is the value
      {{"--ty", "t", "--pre", "w.xls"}, "type=t preview=w.xls "},
      {{"--all", "-q", "-h", "-V"}, "all quiet help version "},
      {{"--o", "x"}, "error: option '--o' is ambiguous; possibilities: '--out' '--open'"},
      {{"--types", "x"}, "error: unrecognized option '--types'"},
      {{"--type"}, "error: option '--type' requires an argument"},
      {{"-x"}, "error: invalid option -- 'x'"},
      {{"--preview", "a", "--cells", "b"}, "error: --preview and --cells cannot be used together"},
      {{"--sep", ";", "--bom", "--neutralise-formulas"}, "separator=; bom neutralise "},
      {{"--cells", "w", "--sheet", "S", "--json"}, "cells=w sheet=S json "},
      {{"--format=sqlite", "--ref"}, "format=sqlite refile "},
      {{"--data", "-", "--format", "sqlite"},
       "error: --data - writes CSV: an SQLite database needs a file name"},
      {{"--cells", "w", "--all-s"}, "cells=w all-sheets "},
      {{"--json"}, "error: --sheet, --all-sheets and --json go with --cells"},
      {{"--cells", "w", "--all-sheets", "--sheet", "S"},
       "error: --sheet and --all-sheets cannot be used together"},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    EXPECT_EQ(Summary(ParseCommandLine(c.args)), c.parsed) << joined;
  }
}

// ---- running the tool -----------------------------------------------------------------------

struct Outcome {
  int status;
  std::string out, err;
};

// Runs the tool with its standard output and error going to temporary files, read back after.
Outcome RunTool(const Args& args) {
  std::FILE* files[2] = {std::tmpfile(), std::tmpfile()};
  Outcome o{RunCli(args, files[0], files[1]), "", ""};
  for (std::FILE* f : files) {
    std::rewind(f);
    for (int c; (c = std::fgetc(f)) != EOF;)
      (f == files[0] ? o.out : o.err) += static_cast<char>(c);
    std::fclose(f);
  }
  return o;
}

// The summary line with its time taken out: "3 workbooks done, 21 records appended, # s".
std::string WithoutTime(std::string text) {
  const std::size_t comma = text.rfind(", ");
  const std::size_t s = text.rfind(" s\n");
  if (comma != std::string::npos && s != std::string::npos && s > comma)
    text.replace(comma + 2, s - comma - 2, "#");
  return text;
}

class Tool : public testing::Test {
 public:
  Tool() {
    std::filesystem::create_directory(dir.File("in"));
    std::filesystem::create_directory(dir.File("out"));
    test::WriteFormType(dir.File("form.dat"), test::TimesheetFields());
  }
  void AddForm(const std::string& name) {
    std::filesystem::copy_file(test::WeekWorkbook(), dir.File("in/" + name));
  }
  Args Filing(Args more = {}) {
    Args args{"--type", dir.File("form.dat"), "--in", dir.File("in"),
              "--data", dir.File("data.csv")};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  std::size_t CountIn(const std::string& sub) const {
    const std::filesystem::directory_iterator entries(dir.File(sub));
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
  }
  TempDir dir;
};

// Each workbook's line as it is done, the summary, and at a failure the error, exit status 1 and
// the workbooks from the failed one on left in the input directory.
TEST_F(Tool, FilesTheWorkbooksUntilOneFailsAndNamesIt) {
  AddForm("1.xls");
  dir.Write("in/2.xls", "just some text\n");
  AddForm("3.xls");
  const Outcome o = RunTool(Filing({"--out", dir.File("out")}));
  EXPECT_EQ(o.status, kExitFailed);
  EXPECT_EQ(WithoutTime(o.out), "Done\t" + dir.File("in/1.xls") + "\nFailed\t" +
                                    dir.File("in/2.xls") +
                                    "\n1 workbook done, 7 records appended, # s\n");
  EXPECT_EQ(o.err, "sheaver-cli: error 1005: 2.xls: not a workbook: the file is plain text\n");
  EXPECT_EQ(dir.Read("data.csv"), test::kTimesheetCsv);
  EXPECT_EQ(CountIn("in"), 2u);
  EXPECT_EQ(CountIn("out"), 1u);
}

TEST_F(Tool, AllRepeatsRunsUntilNothingIsLeft) {
  for (int i = 0; i < 230; ++i) AddForm("f" + std::to_string(i) + ".xls");
  const Outcome o = RunTool(Filing({"--out", dir.File("out"), "--all"}));
  EXPECT_EQ(o.status, kExitOk) << o.err;
  const std::size_t tail = o.out.rfind("All of the forms");
  ASSERT_NE(tail, std::string::npos);
  EXPECT_EQ(WithoutTime(o.out.substr(tail)),
            "All of the forms in the input directory have been processed.\n"
            "230 workbooks done, 1610 records appended, # s\n");
  EXPECT_EQ(CountIn("in"), 0u);
  EXPECT_EQ(CountIn("out"), 230u);
}

TEST_F(Tool, SettingsFileFillsWhatTheOptionsDoNotSay) {
  AddForm("a.xls");
  dir.Write("s.set", dir.File("form.dat") + "\r\n" + dir.File("nowhere") + "\r\n" +
                         dir.File("out") + "\r\n" + dir.File("settings.csv") + "\r\n");
  Outcome o = RunTool({"--open", dir.File("s.set"), "--in", dir.File("in"), "--out="});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  EXPECT_EQ(dir.Read("settings.csv"), test::kTimesheetCsv);
  EXPECT_EQ(CountIn("in"), 1u);  // --out= cleared the output directory: nothing moved

  o = RunTool({"--open", dir.File("missing.set")});
  EXPECT_EQ(o.status, kExitFailed);
  EXPECT_EQ(o.err, "sheaver-cli: error 53: " + dir.File("missing.set") + ": File not found\n");
}

TEST_F(Tool, ExitStatusesOfTheCommandLine) {
  struct Case {
    Args args;
    int status;
    std::string errStart;
  };
  const Case cases[] = {
      {{}, kExitUsage, "sheaver-cli: no form type given (--type)\n"},
      {{"--type", "t", "--in", "i"}, kExitUsage, "sheaver-cli: no data file given (--data)\n"},
      {Filing({"--all"}), kExitUsage, "sheaver-cli: --all needs an output directory (--out)"},
      {{"--bogus"}, kExitUsage, "sheaver-cli: unrecognized option '--bogus'\nTry 'sheaver-cli"},
      {{"--preview", "w.xls"}, kExitUsage, "sheaver-cli: --preview needs --type\n"},
      {{"--cells", dir.File("nothing.xls")}, kExitFailed, "sheaver-cli: error 53: "},
      {{"--cells", dir.Write("notes.xls", "Staff,Hours\n")},
       kExitFailed,
       "sheaver-cli: error 1005: notes.xls: not a workbook"},
      {Filing(), kExitOk, ""},  // nothing in the input directory
  };
  for (const Case& c : cases) {
    const Outcome o = RunTool(c.args);
    EXPECT_EQ(o.status, c.status) << c.errStart;
    EXPECT_EQ(o.err.substr(0, c.errStart.size()), c.errStart);
    if (c.status != kExitOk) {
      EXPECT_EQ(o.out, "") << c.errStart;
    }
  }
  EXPECT_EQ(RunTool({"--help"}).out.substr(0, 27), "Usage: sheaver-cli --type F");
  EXPECT_EQ(WithoutTime(RunTool(Filing()).out),
            "All of the forms in the input directory have been processed.\n"
            "0 workbooks done, 0 records appended, # s\n");
}

TEST_F(Tool, PreviewPrintsWhatANewDataFileWouldGetAndTouchesNothing) {
  AddForm("a.xls");
  const Outcome o = RunTool({"--preview", dir.File("in/a.xls"), "--type", dir.File("form.dat"),
                             "--data", dir.File("data.csv"), "--out", dir.File("out")});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  EXPECT_EQ(o.out, test::kTimesheetCsv);
  // The options apply as to a run, the byte-order mark aside.
  const Outcome semicolons = RunTool({"--preview", dir.File("in/a.xls"), "--type",
                                      dir.File("form.dat"), "--separator", ";", "--bom"});
  EXPECT_EQ(semicolons.out.substr(0, 37), "Staff;Day;Hours\r\n42;01/01/2024;8.00\r\n");
  EXPECT_EQ(dir.Read("data.csv"), "<missing>");
  EXPECT_EQ(CountIn("in"), 1u);

  // A failing workbook would add nothing to the data file, so its preview shows no line, only the
  // error naming the field and record.
  test::WriteFormType(dir.File("bad.dat"), {{"Hours", "Hours", "0"}, {"Day", "Dates", "dmy"}});
  const Outcome bad = RunTool({"--preview", dir.File("in/a.xls"), "--type", dir.File("bad.dat")});
  EXPECT_EQ(bad.status, kExitFailed);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err.substr(0, 62),
            "sheaver-cli: error 13: a.xls: field Day (Dates, dmy), record 4");
}

// --data - : the records on standard output, one header for the run, progress and the summary
// on the error stream, the workbooks left in place; the options apply as to a file.
TEST_F(Tool, DataDashWritesTheRecordsToStandardOutput) {
  AddForm("a.xls");
  AddForm("b.xls");
  const Outcome o = RunTool(
      {"--type", dir.File("form.dat"), "--in", dir.File("in"), "--data", "-", "--separator", ";"});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  const std::string records = "42;01/01/2024;8.00\r\n42;02/01/2024;7.50\r\n";
  EXPECT_EQ(o.out.substr(0, 17 + records.size()), "Staff;Day;Hours\r\n" + records);
  EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 15);
  EXPECT_NE(WithoutTime(o.err).find("2 workbooks done, 14 records appended, # s\n"),
            std::string::npos)
      << o.err;
  EXPECT_EQ(dir.Read("-"), "<missing>");
  EXPECT_EQ(CountIn("in"), 2u);

  // --format sqlite whatever the name; an identical workbook filed again is a warning.
  const Outcome db = RunTool(Filing({"--format", "sqlite", "--in", dir.File("in/a*.xls")}));
  EXPECT_EQ(db.status, kExitOk) << db.err;
  const Outcome again = RunTool(Filing({"--format", "sqlite", "--in", dir.File("in/a*.xls")}));
  EXPECT_EQ(again.status, kExitOk) << again.err;
  EXPECT_EQ(again.err.substr(0, 31), "sheaver-cli: a.xls: skipped: a ");
  EXPECT_EQ(dir.Read("data.csv").substr(0, 15), "SQLite format 3");
  EXPECT_EQ(RunTool(Filing({"--format", "xml"})).status, kExitUsage);

  const Outcome bad = RunTool(Filing({"--separator", "|"}));
  EXPECT_EQ(bad.status, kExitUsage);
  EXPECT_EQ(bad.err.substr(0, 68),
            "sheaver-cli: invalid separator '|': use ',', ';' or tab\nTry 'sheaver");
}

TEST(Cells, ListsSheetsNamesAndTheActiveSheetsCells) {
  const Outcome o = RunTool({"--cells", test::WeekWorkbook()});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  const std::string names =
      "sheet\t1\tTimesheet\tactive\n"
      "sheet\t2\tExtra\t-\n"
      "name\tBlock\tTimesheet!$E$2:$G$3\n"
      "name\tDates\tTimesheet!$I$6:$I$8\n"
      "name\tDayRow\tTimesheet!$B$14:$H$14\n"
      "name\tFarCell\tExtra!$B$2\n"
      "name\tHours\tTimesheet!$C$6:$C$12\n"
      "name\tRate\terror 1004: the name 'Rate' does not refer to a range: it is a constant\n"
      "name\tWeekStart\tTimesheet!$B$3\n"
      "name\tExtra!Local\tExtra!$A$1\n";
  EXPECT_EQ(o.out.substr(0, names.size()), names);
  // Then every cell of the active sheet, row by row: 27 of them.
  const std::string cells = o.out.substr(names.size());
  EXPECT_EQ(std::count(cells.begin(), cells.end(), '\n'), 27) << cells;
  for (const char* line :
       {"cell\tA1\ttext\tTimesheet title\ncell\tB2\tnumber\t42\n", "cell\tB3\tdate\t01/01/2024\n",
        "cell\tB4\ttext\tHe said \"hi\", then\\nleft\n", "cell\tB5\terror\t#DIV/0!\n"})
    EXPECT_NE(cells.find(line), std::string::npos) << line;
}

// The JSON listing says what the text listing says, with types: each cell line of the text is
// made again from the JSON, sheet by sheet.
TEST(Cells, JsonListingAgreesWithTheTextListing) {
  const Outcome text = RunTool({"--cells", test::WeekWorkbook(), "--all-sheets"});
  const Outcome json = RunTool({"--cells", test::WeekWorkbook(), "--all-sheets", "--json"});
  ASSERT_EQ(json.status, kExitOk) << json.err;
  const nlohmann::json doc = nlohmann::json::parse(json.out);
  std::string lines;
  for (const auto& sheet : doc["sheets"]) {
    lines += "sheet\t" + std::to_string(sheet["index"].get<int>()) + "\t" +
             EscapeField(sheet["name"].get<std::string>()) + "\t" +
             (sheet["active"].get<bool>() ? "active" : "-") + "\n";
  }
  for (const auto& name : doc["names"])
    lines += "name\t" + name["name"].get<std::string>() + "\t" +
             (name.contains("error") ? name["error"] : name["refers_to"]).get<std::string>() + "\n";
  int dates = 0;
  for (const auto& sheet : doc["sheets"]) {
    for (const auto& cell : sheet["cells"]) {
      lines += "cell\t" + sheet["name"].get<std::string>() + "!" +
               cell["address"].get<std::string>() + "\t" + cell["type"].get<std::string>() + "\t" +
               EscapeField(cell["text"].get<std::string>()) + "\n";
      if (cell["type"] == "number") {
        EXPECT_TRUE(cell["value"].is_number());
      }
      if (cell["address"] == "B3" && sheet["name"] == "Timesheet") {
        EXPECT_EQ(cell["value"], "2024-01-01");
        EXPECT_EQ(cell["number_format"], "dd/mm/yyyy");
        ++dates;
      }
    }
  }
  EXPECT_EQ(dates, 1);
  EXPECT_EQ(lines, text.out);

  const Outcome extra = RunTool({"--cells", test::WeekWorkbook(), "--sheet", "extra"});
  EXPECT_NE(extra.out.find("\ncell\tA1\ttext\tfrom extra\ncell\tB2\tnumber\t99\n"),
            std::string::npos)
      << extra.out;
  const Outcome missing = RunTool({"--cells", test::WeekWorkbook(), "--sheet", "Nope"});
  EXPECT_EQ(missing.status, kExitFailed);
  EXPECT_EQ(
      missing.err,
      "sheaver-cli: error 9: week.xls: Subscript out of range: the workbook has no sheet Nope\n");
}

TEST(Program, MainHandsOverArgumentsAndExitStatus) {
  const std::string command = std::string(SHEAVER_CLI_PATH) + " --types x 2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string text;
  for (int c; (c = std::fgetc(pipe)) != EOF;) text += static_cast<char>(c);
  const int status = ::pclose(pipe);
  EXPECT_EQ(WEXITSTATUS(status), kExitUsage);
  EXPECT_EQ(text.substr(0, 44), "sheaver-cli: unrecognized option '--types'\nT");
}

// The bundled examples, copied to a fresh directory and run from there as their README says.
class Examples : public testing::Test {
 public:
  Examples() : previous_(std::filesystem::current_path()) {
    std::filesystem::copy(std::string(SHEAVER_SOURCE_DIR) + "/examples", dir.Path(),
                          std::filesystem::copy_options::recursive);
    std::filesystem::current_path(dir.Path());
  }
  ~Examples() override { std::filesystem::current_path(previous_); }
  TempDir dir;

 private:
  std::filesystem::path previous_;
};

TEST_F(Examples, EachSettingsFileFilesItsFormsIntoTheExpectedDataFile) {
  struct Case {
    const char* settings;
    const char* dataFile;
    const char* inDir;
    const char* outDir;
    std::size_t forms;
  };
  const Case cases[] = {
      {"Settings/Example.set", "Timesheets.csv", "forms", "processed", 12},
      {"Settings/Expenses.set", "Expenses.csv", "claims", "processed-claims", 5},
  };
  for (const Case& c : cases) {
    std::filesystem::create_directory(c.outDir);  // a missing output directory fails the move
    const Outcome o = RunTool({"--open", c.settings, "--quiet"});
    EXPECT_EQ(o.status, kExitOk) << o.err;
    EXPECT_EQ(o.out, "") << "--quiet prints errors only";
    EXPECT_EQ(dir.Read(c.dataFile), dir.Read(std::string("expected/") + c.dataFile)) << c.settings;
    EXPECT_EQ(std::filesystem::is_empty(c.inDir), true) << c.inDir;
    const std::filesystem::directory_iterator moved(c.outDir);
    EXPECT_EQ(static_cast<std::size_t>(std::distance(begin(moved), end(moved))), c.forms);
  }
}

}  // namespace
}  // namespace sheaver::cli

namespace sheaver::cli {
namespace {

// Good and damaged forms with a rejected-forms directory: every good one filed once, every
// damaged one set aside with its note, and status 3.
TEST_F(Tool, SetsDamagedFormsAsideAndFilesTheRest) {
  std::filesystem::create_directory(dir.File("rejected"));
  AddForm("1.xls");
  dir.Write("in/2.xls", "just some text\n");
  AddForm("3.xls");
  dir.Write("in/4.xlsx", "PK\x03\x04 cut short");
  const Outcome o = RunTool(Filing({"--out", dir.File("out"), "--reject", dir.File("rejected")}));
  EXPECT_EQ(o.status, kExitRejected) << o.err;
  EXPECT_EQ(WithoutTime(o.out), "Done\t" + dir.File("in/1.xls") + "\nRejected\t" +
                                    dir.File("in/2.xls") + "\nDone\t" + dir.File("in/3.xls") +
                                    "\nRejected\t" + dir.File("in/4.xlsx") +
                                    "\n2 workbooks done, 2 rejected, 14 records appended, # s\n");
  const std::string once = test::kTimesheetCsv;
  EXPECT_EQ(dir.Read("data.csv"), once + once.substr(once.find('\n') + 1));
  EXPECT_EQ(CountIn("in"), 0u);
  EXPECT_EQ(CountIn("out"), 2u);
  const std::string note = dir.Read("rejected/2.xls.error.txt");
  EXPECT_EQ(note.rfind("error 1005: 2.xls: not a workbook: the file is plain text\r\ntime: ", 0),
            0u)
      << note;
  EXPECT_NE(note.find("form type: " + dir.File("form.dat")), std::string::npos);
  EXPECT_NE(dir.Read("rejected/4.xlsx"), "<missing>");
  EXPECT_NE(dir.Read("rejected/4.xlsx.error.txt"), "<missing>");
}

// Paths that cannot be right are usage errors naming the path, before anything is touched.
TEST_F(Tool, RefusesMistakenPaths) {
  AddForm("1.xls");
  ::mkfifo(dir.File("pipe").c_str(), 0644);
  dir.Write("file.txt", "x");
  struct Case {
    Args args;
    std::string message;
  };
  const std::string in = dir.File("in"), form = dir.File("form.dat"), data = dir.File("data.csv");
  const Case cases[] = {
      {{"--type", form, "--in", dir.File("nosuch"), "--data", data},
       "the input directory " + dir.File("nosuch") + " does not exist"},
      {{"--type", form, "--in", dir.File("in/1.xls"), "--data", data},
       "the input directory " + dir.File("in/1.xls") +
           " is a file: give the folder that holds the "
           "workbooks (--in DIR) or a pattern (--in 'DIR/*.xls')"},
      {{"--type", form, "--in", dir.File("nosuch/*.xls"), "--data", data},
       "the folder " + dir.File("nosuch") + " of the input pattern " + dir.File("nosuch/*.xls") +
           " does not exist"},
      {{"--type", dir.File("no.dat"), "--in", in, "--data", data},
       "the form type " + dir.File("no.dat") + " does not exist"},
      {{"--type", dir.File("pipe"), "--in", in, "--data", data},
       "the form type " + dir.File("pipe") + " is not a regular file (a pipe or a device)"},
      {{"--type", "/dev/zero", "--in", in, "--data", data},
       "the form type /dev/zero is not a regular file (a pipe or a device)"},
      {{"--type", in, "--in", in, "--data", data},
       "the form type " + in + " is a folder, not a file"},
      {{"--type", form, "--in", in, "--data", dir.File("gone/d.csv")},
       "the folder " + dir.File("gone") + " of the data file " + dir.File("gone/d.csv") +
           " does not exist"},
      {{"--type", form, "--in", in, "--data", dir.File("pipe")},
       "the data file " + dir.File("pipe") + " is not a regular file (a pipe or a device)"},
      {{"--type", form, "--in", in, "--data", data, "--out", dir.File("done")},
       "the output directory " + dir.File("done") + " does not exist or is not a folder"},
      {{"--type", form, "--in", in, "--data", data, "--reject", dir.File("file.txt")},
       "the rejected-forms directory " + dir.File("file.txt") +
           " does not exist or is not a folder"},
      {{"--open", dir.File("pipe")},
       "the settings file " + dir.File("pipe") + " is not a regular file (a pipe or a device)"},
  };
  for (const Case& c : cases) {
    const Outcome o = RunTool(c.args);
    EXPECT_EQ(o.status, kExitUsage) << c.message;
    EXPECT_EQ(o.err,
              "sheaver-cli: " + c.message + "\nTry 'sheaver-cli --help' for more information.\n");
  }
  EXPECT_EQ(CountIn("in"), 1u);
  EXPECT_EQ(dir.Read("data.csv"), "<missing>");
}

// "~/" is the home directory on the command line and in a settings file.
TEST_F(Tool, ReadsTildeAsTheHomeDirectory) {
  AddForm("1.xls");
  const char* home = std::getenv("HOME");
  const std::string saved = home ? home : "";
  ::setenv("HOME", dir.Path().c_str(), 1);
  dir.Write("s.set", "~/form.dat\r\n~/in\r\n~/out\r\n~/data.csv\r\n");
  const Outcome o = RunTool({"--open", "~/s.set"});
  ::setenv("HOME", saved.c_str(), 1);
  EXPECT_EQ(o.status, kExitOk) << o.err;
  EXPECT_EQ(dir.Read("data.csv"), test::kTimesheetCsv);
  EXPECT_EQ(CountIn("out"), 1u);
}

}  // namespace
}  // namespace sheaver::cli

namespace sheaver::cli {
namespace {

// A date past the last one fails its own cell only; the workbook's errors name it once.
TEST_F(Tool, CellsListsAroundADatePastTheLastAndNamesTheWorkbook) {
  const Outcome listed = RunTool({"--cells", SHEAVER_TEST_DATA "/cli/date_past_9999.xlsx"});
  EXPECT_EQ(listed.status, kExitOk) << listed.err;
  EXPECT_EQ(listed.out,
            "sheet\t1\tSheet\tactive\ncell\tA1\tdate\terror 6: Overflow\ncell\tA2\ttext\tafter\n");
  dir.Write("junk.xlsx", "junk\n");
  const Outcome junk = RunTool({"--cells", dir.File("junk.xlsx")});
  EXPECT_EQ(junk.err,
            "sheaver-cli: error 1005: junk.xlsx: not a workbook: the file is plain text\n");
}

// Damage the reader reads past is a warning on the error stream and in the JSON, never a
// failure; a chart sheet is marked and lists no cells.
TEST_F(Tool, CellsWarnsOfRepairsAndMarksChartSheets) {
  using namespace xl::testing;
  Bytes stream =
      BuildStream({}, {{"Data", 0, NumberRec(0, 0, 5)}, {"Chart", 2, NumberRec(0, 0, 9)}});
  // 12 stray bytes after the globals, which the sheet offsets do not count.
  const std::size_t globals_end = 57;  // BOF, two BOUNDSHEETs, EOF
  stream.insert(stream.begin() + globals_end, 12, 0);
  const std::string path = dir.Write("week 7.xls", std::string(stream.begin(), stream.end()));
  const Outcome text = RunTool({"--cells", path, "--all-sheets"});
  EXPECT_EQ(text.status, kExitOk) << text.err;
  EXPECT_EQ(text.out, "sheet\t1\tData\tactive\nsheet\t2\tChart\t-\ncell\tData!A1\tnumber\t5\n");
  EXPECT_EQ(text.err,
            "warning: week 7.xls: sheet 'Data': its BOF record was 12 bytes after the offset the "
            "workbook gives (Workbook stream, offset 57)\n"
            "warning: week 7.xls: sheet 'Chart': its BOF record was 12 bytes after the offset the "
            "workbook gives (Workbook stream, offset 99)\n");

  const Outcome json = RunTool({"--cells", path, "--all-sheets", "--json"});
  ASSERT_EQ(json.status, kExitOk) << json.err;
  const nlohmann::json doc = nlohmann::json::parse(json.out);
  ASSERT_EQ(doc["warnings"].size(), 2u);
  EXPECT_EQ(doc["warnings"][0].get<std::string>(),
            "sheet 'Data': its BOF record was 12 bytes after the offset the "
            "workbook gives (Workbook stream, offset 57)");
  EXPECT_FALSE(doc["sheets"][0].contains("chart"));
  EXPECT_EQ(doc["sheets"][1]["chart"], true);
  EXPECT_TRUE(doc["sheets"][1]["cells"].empty());
}

// An encrypted form files with the password from the command line, the environment or the
// settings file, in that order; without it, or with a wrong one, it is error 1006 saying which
// (set aside under --reject). The password is never in anything the tool writes.
TEST_F(Tool, FilesEncryptedFormsWithTheirPasswordAndNeverShowsIt) {
  const std::string password = "Fixture-Secret-42";
  const std::string encrypted = std::string(SHEAVER_TEST_DATA) + "/encrypted/week.aes.ods";
  std::filesystem::create_directory(dir.File("rejected"));
  dir.Write("pw.txt", password + "\r\nnot this line\n");
  auto settings = [&](const std::string& line) {
    dir.Write("s.set", dir.File("form.dat") + "\r\n" + dir.File("in") + "\r\n\r\n" +
                           dir.File("data.csv") + "\r\n\r\n" + line + "\r\n");
    return dir.File("s.set");
  };
  struct Case {
    const char* what;
    Args args;
    const char* environment;  // SHEAVER_PASSWORD, or null
    int status;
    const char* message;  // on standard error or in the rejection note
  } cases[] = {
      {"--password", {"--password", password}, nullptr, kExitOk, nullptr},
      {"environment", {}, password.c_str(), kExitOk, nullptr},
      {"settings password=",
       {"--open", settings("password=" + password)},
       nullptr,
       kExitOk,
       nullptr},
      {"settings password-file=",
       {"--open", settings("password-file=" + dir.File("pw.txt"))},
       nullptr,
       kExitOk,
       nullptr},
      {"--password over the environment", {"--password", password}, "wrong", kExitOk, nullptr},
      {"--password= gives none",
       {"--password="},
       password.c_str(),
       kExitFailed,
       "it cannot be read without its password, and none was given"},
      {"none",
       {},
       nullptr,
       kExitFailed,
       "it cannot be read without its password, and none was given"},
      {"wrong, set aside",
       {"--password", password + "x", "--reject", dir.File("rejected")},
       nullptr,
       kExitRejected,
       "the password given does not open it"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(dir.File("data.csv"));
    std::filesystem::remove(dir.File("report.jsonl"));
    std::filesystem::remove_all(dir.File("rejected"));
    std::filesystem::create_directory(dir.File("rejected"));
    std::filesystem::copy_file(encrypted, dir.File("in/week.xls"),
                               std::filesystem::copy_options::overwrite_existing);
    if (c.environment)
      ::setenv("SHEAVER_PASSWORD", c.environment, 1);
    else
      ::unsetenv("SHEAVER_PASSWORD");
    Args args = c.args;
    if (!c.args.empty() && c.args[0] == "--open")
      args.insert(args.end(), {"--report", dir.File("report.jsonl")});
    else
      args = Filing(args), args.insert(args.end(), {"--report", dir.File("report.jsonl")});
    const Outcome o = RunTool(args);
    ::unsetenv("SHEAVER_PASSWORD");
    EXPECT_EQ(o.status, c.status) << c.what << ": " << o.err;
    const std::string note = dir.Read("rejected/week.xls.error.txt");
    if (c.status == kExitOk) EXPECT_EQ(dir.Read("data.csv"), test::kTimesheetCsv) << c.what;
    if (c.message)
      EXPECT_NE((o.err + note)
                    .find(std::string("week.xls: password-protected workbook (an "
                                      "encrypted OpenDocument spreadsheet): ") +
                          c.message),
                std::string::npos)
          << c.what << ": " << o.err << note;
    for (const std::string& text :
         {o.out, o.err, note, dir.Read("data.csv"), dir.Read("report.jsonl")})
      EXPECT_EQ(text.find(password), std::string::npos) << c.what << ": " << text;
  }
}

// --cells and --preview open an encrypted workbook with the password too.
TEST(Cells, ListsAnEncryptedWorkbookWithItsPassword) {
  const std::string encrypted = std::string(SHEAVER_TEST_DATA) + "/encrypted/week.aes.ods";
  const Outcome o = RunTool({"--cells", encrypted, "--password", "Fixture-Secret-42"});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  EXPECT_NE(o.out.find("sheet\t1\tTimesheet\tactive\n"), std::string::npos) << o.out;
  const Outcome refused = RunTool({"--cells", encrypted, "--password", "nope"});
  EXPECT_EQ(refused.status, kExitFailed);
  EXPECT_NE(refused.err.find("error 1006: week.aes.ods: password-protected workbook"),
            std::string::npos)
      << refused.err;
}

}  // namespace
}  // namespace sheaver::cli
