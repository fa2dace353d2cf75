// Where an extraction puts a workbook's records: the CSV data file (one append of all the lines)
// or an SQLite database (one transaction). The extraction reads and formats the records in the
// style the sink asks for and hands them over whole; the run never knows which sink it writes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "extract/data_file_options.h"
#include "extract/format_value.h"
#include "runtime/int16.h"

namespace sheaver {

// How the extraction formats values for a sink.
enum class ValueStyle {
  kCsv,    // as the CSV line shows it: the locale's texts, quoted where needed
  kTyped,  // text unquoted, numbers with a point, dates as yyyy-mm-dd[ hh:mm:ss]
};

// One record: its index within the workbook (from 0) and one value per field.
struct RecordValues {
  Int16 index = 0;
  std::vector<std::string> values;
};

// A workbook's records as a sink receives them.
struct WorkbookRecords {
  std::string workbookPath;
  std::uint64_t workbookSize = 0;       // the workbook file as it was read (0 when unknown)
  std::int64_t workbookModifiedNs = 0;  // its modification time, nanoseconds since 1970
  std::string formTypePath;
  std::vector<std::string> names;  // the field names, in form type order
  std::vector<CodeKind> kinds;     // what each field's format code writes
  std::vector<RecordValues> records;
};

class DataFileSink {
 public:
  virtual ~DataFileSink() = default;
  // The style the values are to be formatted in.
  virtual ValueStyle Style() const = 0;
  // Files the workbook's records, all of them or none; returns how many went in (0 for a
  // workbook the sink skips as filed before). Raises the data file's errors, naming it.
  virtual std::uint64_t Write(const WorkbookRecords& workbook) = 0;
};

// Takes a workbook's CSV text (its header, when due, and record lines, without the last line
// end) in place of the plain append, with the workbook it comes from: the run journals it.
using RecordAppend = std::function<void(std::string_view text, const WorkbookRecords& workbook)>;

// The sink for the data file at path under the options: SQLite when IsSqliteDataFile, else CSV
// (appending through append when it is given).
std::unique_ptr<DataFileSink> OpenDataFileSink(const std::string& path,
                                               const DataFileOptions& options,
                                               const RecordAppend& append = {});

// The CSV data file: header line when no file is there (with the byte-order mark when asked),
// the separator of an existing file checked, all lines in one append.
std::unique_ptr<DataFileSink> CsvDataFileSink(const std::string& path,
                                              const DataFileOptions& options,
                                              const RecordAppend& append = {});

// Makes the next CSV append check its data file's separator again; a run calls this when it
// starts (through ForgetFormTypes), since within a run the locked data file's first line stays.
void ForgetCheckedDataFiles();

// The SQLite data file (extract/sqlite_data_file.cpp).
std::unique_ptr<DataFileSink> SqliteDataFileSink(const std::string& path,
                                                 const DataFileOptions& options);

// What a sink tells the user without it being an error (an identical workbook skipped); shown
// in a message box (information) unless a handler is set. Returns the previous handler.
using FilingNoticeHandler = std::function<void(const std::string& text)>;
FilingNoticeHandler SetFilingNoticeHandler(FilingNoticeHandler handler);
void FilingNotice(const std::string& text);

}  // namespace sheaver
