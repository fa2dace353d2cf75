// How the export data file's text is written: the separator between values, a byte-order mark
// at the start of a new file, and whether formula-like text is neutralised. The options are
// process-wide, as the locale is: the window and the command-line tool set them before a run,
// and every extraction (previews included) writes by them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sheaver {

// What kind of data file a run writes.
enum class DataFormat {
  kByName,  // SQLite for a name ending in .sqlite or .db (any letter case), CSV otherwise
  kCsv,
  kSqlite,
};

struct DataFileOptions {
  char separator = ',';             // ',', ';' or '\t'
  bool byteOrderMark = false;       // a new data file starts with the UTF-8 byte-order mark
  bool neutraliseFormulas = false;  // text starting with = + - @ tab or CR gets a leading '
  DataFormat format = DataFormat::kByName;
  bool refile = false;  // SQLite: file a workbook again even when an identical one was filed
};

// Whether the data file at path is an SQLite database under these options.
bool IsSqliteDataFile(std::string_view path, const DataFileOptions& options);

// The UTF-8 byte-order mark.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The options extractions write by now (the defaults until set).
const DataFileOptions& CurrentDataFileOptions();

// Sets the options of later extractions; returns the ones set before.
DataFileOptions SetDataFileOptions(const DataFileOptions& options);

// Sets options for one scope and puts the previous ones back when it ends.
class ScopedDataFileOptions {
 public:
  explicit ScopedDataFileOptions(const DataFileOptions& options)
      : previous_(SetDataFileOptions(options)) {}
  ~ScopedDataFileOptions() { SetDataFileOptions(previous_); }
  ScopedDataFileOptions(const ScopedDataFileOptions&) = delete;
  ScopedDataFileOptions& operator=(const ScopedDataFileOptions&) = delete;

 private:
  DataFileOptions previous_;
};

// The separator a text names: ",", ";", a tab character, or the words "comma", "semicolon",
// "tab" (any letter case); nothing for anything else.
std::optional<char> ParseSeparator(std::string_view text);

// The separator's name as the options show it: "," ";" or "tab".
std::string SeparatorName(char separator);

// The value as one field of a line separated by `separator`: unchanged unless it holds the
// separator, a double quote, CR or LF; then enclosed in double quotes with inner ones doubled.
std::string CsvField(std::string_view value, char separator);

// Whether a text value would be taken for a formula by a spreadsheet importing it: it starts
// with "=", "@", tab or CR, or with "+" or "-" not followed by a digit or a decimal point (a
// signed number stays a number).
bool LooksLikeFormula(std::string_view text);

// The separator an existing data file's first line uses: the first ',', ';' or tab outside
// double quotes, after a byte-order mark; nothing for a line with a single field.
std::optional<char> HeaderSeparator(std::string_view headerLine);

}  // namespace sheaver
