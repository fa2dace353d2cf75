// Form types and workbooks for the tests that file forms: the checked-in test workbooks, a
// writer for small form types, and a scratch directory laid out for a run.
#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace sheaver::test {

// One field of a form type: name, cell reference, format code.
struct FormField {
  std::string name;
  std::string reference;
  std::string format;
};

// A timesheet: B2 42, B3 the date 1 January 2024, C6:C12 the hours 8, 7.5, 8, 8, 6.25 and two
// empty cells, B14:H14 the day names Mon..Sun, E2:G3 a block of 1..6, B4 a text with a comma,
// quotes and a line break, B5 the error value #DIV/0!, B6 the text "n/a", A1 "Timesheet title".
// I6:I8 the dates 1, 2 and 3 January 2024.
// Names: WeekStart (B3), Hours (C6:C12), Dates (I6:I8), DayRow (B14:H14), Block (E2:G3), FarCell
// (Extra!B2, 99), Rate (the constant 0.5), and Extra!Local (Extra!A1, "from extra") on sheet Extra.
inline std::string WeekWorkbook() {
  return std::string(SHEAVER_TEST_DATA) + "/extract/week.xls";
}
// Two sheets, First (A1 "first sheet", B2 1) and Second (A1 "second sheet", B2 2), Second active.
inline std::string SecondActiveWorkbook() {
  return std::string(SHEAVER_TEST_DATA) + "/extract/second_active.xls";
}

// The form type of the worked timesheet example: Staff (B2, 0), Day (B3, +dmy), Hours
// (C6:C12, 0.00).
inline std::vector<FormField> TimesheetFields() {
  return {{"Staff", "B2", "0"}, {"Day", "B3", "+dmy"}, {"Hours", "C6:C12", "0.00"}};
}

// The eight lines the timesheet gives on a new data file.
inline const char* kTimesheetCsv =
    "Staff,Day,Hours\r\n"
    "42,01/01/2024,8.00\r\n"
    "42,02/01/2024,7.50\r\n"
    "42,03/01/2024,8.00\r\n"
    "42,04/01/2024,8.00\r\n"
    "42,05/01/2024,6.25\r\n"
    "42,06/01/2024,0.00\r\n"
    "42,07/01/2024,0.00\r\n";

// Writes a form type file in the "dat" layout (count line, then one quoted row per field).
inline void WriteFormType(const std::string& path, const std::vector<FormField>& fields) {
  auto quoted = [](const std::string& text) {
    std::string q = "\"";
    for (char c : text) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
  };
  std::ofstream out(path, std::ios::binary);
  out << fields.size() << ",3\r\n";
  for (const FormField& f : fields)
    out << quoted(f.name) << "," << quoted(f.reference) << "," << quoted(f.format) << "\r\n";
}

// A scratch directory laid out for a run: empty directories "in" and "out", and the timesheet
// form type as "form.dat".
class FilingDir : public TempDir {
 public:
  FilingDir() {
    std::filesystem::create_directory(File("in"));
    std::filesystem::create_directory(File("out"));
    WriteFormType(File("form.dat"), TimesheetFields());
  }
  // Copies of the timesheet workbook in "in", under these names.
  void AddForms(std::initializer_list<std::string> names) const {
    for (const std::string& name : names)
      std::filesystem::copy_file(WeekWorkbook(), File("in/" + name));
  }
};

}  // namespace sheaver::test
