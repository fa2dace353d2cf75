#include "extract/preview.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "support/form_files.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::FormField;

DataTable FormType(const std::vector<FormField>& fields, const std::string& name = {}) {
  DataTable table;
  table.FileName(name);
  table.cols(3);
  if (!fields.empty()) table.Rows(static_cast<Int16>(fields.size()));  // a new table has 0
  table.Clear();
  for (Int16 r = 0; r < table.Rows(); ++r) {
    const FormField& f = fields[static_cast<std::size_t>(r)];
    table.Data(r, 0, f.name);
    table.Data(r, 1, f.reference);
    table.Data(r, 2, f.format);
  }
  return table;
}

// A preview as one text: each line followed by "|", then "#" and the number of the error that
// ended it, if any.
std::string Shown(const PreviewResult& preview) {
  std::string shown;
  for (const std::string& line : preview.lines) shown += line + "|";
  return preview.error ? shown + "#" + std::to_string(preview.error->Number()) : shown;
}

// The preview gives the lines a run writes to a new data file, up to the error that stops it
// and the error itself; the form type's file, whether it was read or the table in memory used
// as it stands, is left as it was, and nothing else is written.
TEST(Preview, GivesTheLinesARunWritesAndTheErrorThatStopsIt) {
  test::TempDir dir;
  test::WriteFormType(dir.File("form.dat"), test::TimesheetFields());
  dir.Write("bad.dat", "three,3\r\n");
  // The file under this name says something else: the preview must neither read it nor write
  // the unsaved table over it.
  const std::string stale = "1,3\r\n\"Old\",\"A1\",\"text\"\r\n";
  dir.Write("stale.dat", stale);
  const std::string week = test::WeekWorkbook(), missing = dir.File("missing.xls");
  std::string timesheet;
  for (std::string csv = test::kTimesheetCsv; !csv.empty(); csv.erase(0, csv.find('\n') + 1))
    timesheet += csv.substr(0, csv.find('\r')) + "|";
  FileSystem* const installed = &Files();

  const struct {
    const char* name;
    std::function<PreviewResult()> preview;
    std::string shown;
  } cases[] = {
      {"in memory", [&] { return PreviewWorkbookData(week, FormType(test::TimesheetFields())); },
       timesheet},
      {"in memory over a stale file",
       [&] {
         return PreviewWorkbookData(
             week,
             FormType({{"Staff", "B2", "0.0"}, {"Day", "Dates", "ymd"}}, dir.File("stale.dat")));
       },
       "Staff,Day|42.0,20240101|42.0,20240102|42.0,20240103|"},
      {"damaged form type file", [&] { return PreviewWorkbookData(week, dir.File("bad.dat")); },
       "#13"},
      {"missing workbook",
       [&] {
         return PreviewWorkbookData(missing, FormType({{"A", "A1", "text"}}));
       },
       "#53"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Shown(c.preview()), c.shown) << c.name;
    EXPECT_EQ(&Files(), installed) << c.name;
  }
  EXPECT_EQ(dir.Read("stale.dat"), stale);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"bad.dat", "form.dat", "stale.dat"}));

  // An in-memory form type without a name is named so in messages.
  const PreviewResult noFields = PreviewWorkbookData(week, FormType({}));
  ASSERT_TRUE(noFields.error.has_value());
  EXPECT_EQ(noFields.error->Description(),
            "week.xls: Subscript out of range: the form type Untitled.dat has no field rows");
  EXPECT_EQ(&Files(), installed);
}

}  // namespace
}  // namespace sheaver
