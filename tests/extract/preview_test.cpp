#include "extract/preview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "support/form_files.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::TempDir;

// The lines of a data file's text, without their CR LF ends.
std::vector<std::string> Lines(std::string text) {
  std::vector<std::string> lines;
  for (std::size_t end; (end = text.find("\r\n")) != std::string::npos; text.erase(0, end + 2))
    lines.push_back(text.substr(0, end));
  return lines;
}

clsDatFile FormType(const std::vector<test::FormField>& fields, const std::string& name = {}) {
  clsDatFile table;
  table.FileName(name);
  table.cols(3);
  if (!fields.empty()) table.Rows(static_cast<Int16>(fields.size()));  // a new table has 0
  table.Clear();
  for (Int16 r = 0; r < table.Rows(); ++r) {
    const test::FormField& f = fields[static_cast<std::size_t>(r)];
    table.Data(r, 0, f.name);
    table.Data(r, 1, f.reference);
    table.Data(r, 2, f.format);
  }
  return table;
}

std::vector<std::string> DirectoryListing(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Preview, GivesTheLinesARunWritesToANewDataFile) {
  TempDir dir;
  test::WriteFormType(dir.File("form.dat"), test::TimesheetFields());
  const std::vector<std::string> expected = Lines(test::kTimesheetCsv);

  const PreviewResult fromFile = PreviewWorkbookData(test::WeekWorkbook(), dir.File("form.dat"));
  EXPECT_FALSE(fromFile.error.has_value());
  EXPECT_EQ(fromFile.lines, expected);

  const PreviewResult inMemory =
      PreviewWorkbookData(test::WeekWorkbook(), FormType(test::TimesheetFields()));
  EXPECT_FALSE(inMemory.error.has_value());
  EXPECT_EQ(inMemory.lines, expected);
  EXPECT_EQ(DirectoryListing(dir.Path()), std::vector<std::string>{"form.dat"});
}

TEST(Preview, AnInMemoryFormTypeIsUsedAsItStandsAndItsFileIsNeverTouched) {
  TempDir dir;
  // The file under the form type's name says something else; the preview must not read it, nor
  // write the unsaved table over it.
  const std::string stale = "1,3\r\n\"Old\",\"A1\",\"text\"\r\n";
  const std::string path = dir.Write("form.dat", stale);
  const PreviewResult preview = PreviewWorkbookData(
      test::WeekWorkbook(), FormType({{"Staff", "B2", "0.0"}, {"Day", "Dates", "ymd"}}, path));
  EXPECT_FALSE(preview.error.has_value());
  EXPECT_EQ(preview.lines, (std::vector<std::string>{"Staff,Day", "42.0,20240101", "42.0,20240102",
                                                     "42.0,20240103"}));
  EXPECT_EQ(dir.Read("form.dat"), stale);
  EXPECT_EQ(DirectoryListing(dir.Path()), std::vector<std::string>{"form.dat"});

  // A form type whose file does not exist yet is not created by a preview either.
  const std::string unsaved = dir.File("new.dat");
  EXPECT_EQ(
      PreviewWorkbookData(test::WeekWorkbook(), FormType({{"Staff", "B2", "0"}}, unsaved)).lines,
      (std::vector<std::string>{"Staff", "42"}));
  EXPECT_FALSE(std::filesystem::exists(unsaved));
}

TEST(Preview, KeepsTheLinesBeforeAnErrorAndTheErrorItself) {
  struct Case {
    const char* name;
    std::vector<test::FormField> fields;
    std::vector<std::string> lines;
    int number;
    std::string description;
  };
  const Case cases[] = {
      {"a date field on a text in record 4",
       {{"Hours", "Hours", "0"}, {"Day", "Dates", "dmy"}},
       {"Hours,Day", "8,01/01/2024", "8,02/01/2024", "8,03/01/2024"},
       13,
       "week.xls: field Day (Dates, dmy), record 4: Type mismatch"},
      {"a name that is no range",
       {{"Rate", "Rate", "0.00"}},
       {},
       1004,
       "week.xls: field Rate (Rate): the name 'Rate' does not refer to a range: it is a constant"},
      {"no field at all",
       {},
       {},
       9,
       "week.xls: Subscript out of range: the form type Untitled.dat"},
  };
  for (const Case& c : cases) {
    const PreviewResult preview = PreviewWorkbookData(test::WeekWorkbook(), FormType(c.fields));
    EXPECT_EQ(preview.lines, c.lines) << c.name;
    ASSERT_TRUE(preview.error.has_value()) << c.name;
    EXPECT_EQ(preview.error->Number(), c.number) << c.name;
    EXPECT_EQ(preview.error->Description().substr(0, c.description.size()), c.description)
        << c.name << ": " << preview.error->Description();
  }
}

TEST(Preview, ErrorsOfTheFormTypeFileAndTheWorkbookAreResultsToo) {
  TempDir dir;
  dir.Write("bad.dat", "three,3\r\n");
  const std::string missingBook = dir.File("missing.xls");
  struct Case {
    std::string workbook, formType;
    int number;
  };
  const Case cases[] = {
      {test::WeekWorkbook(), dir.File("missing.dat"), 53},
      {test::WeekWorkbook(), dir.File("bad.dat"), 13},
      {missingBook, dir.File("bad.dat"), 13},  // the form type is read first
  };
  for (const Case& c : cases) {
    const PreviewResult preview = PreviewWorkbookData(c.workbook, c.formType);
    EXPECT_TRUE(preview.lines.empty()) << c.formType;
    ASSERT_TRUE(preview.error.has_value()) << c.formType;
    EXPECT_EQ(preview.error->Number(), c.number) << preview.error->Description();
  }
  const PreviewResult noBook = PreviewWorkbookData(missingBook, FormType({{"A", "A1", "text"}}));
  ASSERT_TRUE(noBook.error.has_value());
  EXPECT_EQ(noBook.error->Number(), 53);
}

TEST(Preview, PutsTheInstalledFileSystemBackHoweverItEnds) {
  FileSystem* before = &Files();
  PreviewWorkbookData(test::WeekWorkbook(), FormType(test::TimesheetFields()));
  EXPECT_EQ(&Files(), before);
  PreviewWorkbookData(test::WeekWorkbook(), FormType({}));
  EXPECT_EQ(&Files(), before);
}

}  // namespace
}  // namespace sheaver
