// The CSV data file sink.
#include <vector>

#include "extract/data_sink.h"
#include "extract/extraction.h"
#include "platform/filesystem.h"
#include "platform/textfile.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

// The data file whose first line was last found to use the chosen separator, and that
// separator. A run holds its data file locked and only appends to it, so the first line checked
// for its first workbook stays as it was for the others: checked once a run, not once a workbook
// (which read the file's first block each time).
std::string checkedPath;
char checkedSeparator = 0;

class CsvSink : public DataFileSink {
 public:
  CsvSink(std::string path, const DataFileOptions& options, RecordAppend append)
      : path_(std::move(path)), options_(options), append_(std::move(append)) {}

  ValueStyle Style() const override { return ValueStyle::kCsv; }

  std::uint64_t Write(const WorkbookRecords& workbook) override {
    const char separator = options_.separator;
    std::string text;
    // A file at the path, listed or not (a hidden name, appendable but unreadable), already has
    // its header: a second one would land among its records.
    if (!RegularFileExists(path_)) {
      if (options_.byteOrderMark) text += kByteOrderMark;
      for (const std::string& name : workbook.names) {
        text += CsvField(name, separator);
        text += separator;
      }
      text.back() = '\r';
      text += '\n';
    } else {
      CheckSeparator();
    }
    for (const RecordValues& record : workbook.records) {
      for (std::size_t i = 0; i < record.values.size(); ++i) {
        if (i > 0) text += separator;
        text += record.values[i];
      }
      text += "\r\n";
    }
    if (text.empty()) return 0;
    text.resize(text.size() - 2);  // the append puts the last line end
    if (append_)
      append_(text, workbook);
    else
      AppendLine(path_, text);
    return workbook.records.size();
  }

 private:
  // An existing data file is appended to in the separator of its first line; another one
  // chosen would mix two layouts in one file. A file that cannot be read (append-only) is not
  // checked.
  void CheckSeparator() const {
    if (!checkedPath.empty() && checkedPath == path_ && checkedSeparator == options_.separator)
      return;
    std::vector<std::string> first;
    try {
      first = ReadTextLines(path_, 1);
    } catch (const Error&) {
      return;
    }
    if (first.empty()) return;
    const std::optional<char> used = HeaderSeparator(first.front());
    if (!used || *used == options_.separator) {
      checkedPath = path_;
      checkedSeparator = options_.separator;
    }
    if (used && *used != options_.separator)
      Raise(err::kInvalidCall, path_ +
                                   ": Invalid procedure call or argument: the data file "
                                   "separates its values with " +
                                   SeparatorName(*used) + ", not with the chosen " +
                                   SeparatorName(options_.separator));
  }

  std::string path_;
  DataFileOptions options_;
  RecordAppend append_;
};

}  // namespace

void ForgetCheckedDataFiles() {
  checkedPath.clear();
  checkedSeparator = 0;
}

std::unique_ptr<DataFileSink> CsvDataFileSink(const std::string& path,
                                              const DataFileOptions& options,
                                              const RecordAppend& append) {
  return std::make_unique<CsvSink>(path, options, append);
}

}  // namespace sheaver
