// The command line of sheaver-cli, read the GNU way: long options as "--name value" or
// "--name=value", any unambiguous prefix of a name ("--ty" for "--type"), "--" ending the
// options, -h for --help, -V for --version and -q for --quiet.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "extract/data_file_options.h"

namespace sheaver::cli {

struct CliOptions {
  // Each path option, when given (an empty value counts as given: "--out=" clears the output
  // directory a settings file set).
  std::optional<std::string> type, in, out, data, open, preview, cells, reject, report;
  std::optional<std::string> copyExamples;  // --copy-examples DIR
  std::optional<std::string> separator;     // the data file's separator: "," ";" or "tab"
  std::optional<std::string> format;        // the data file's kind: "csv" or "sqlite"
  std::optional<std::string> sheet;         // --cells: list this sheet instead of the active one
  std::optional<std::string> password;      // the password of encrypted workbooks
  bool bom = false;                         // a new data file starts with a byte-order mark
  bool neutraliseFormulas = false;          // formula-like text gets a leading '
  bool refile = false;                      // SQLite: file identical workbooks again
  bool allSheets = false;                   // --cells: list the cells of every sheet
  bool json = false;                        // --cells: the listing as JSON
  bool all = false;      // repeat runs until the input directory has no workbook left
  bool quiet = false;    // errors only
  bool durable = false;  // flush each workbook's append and move to the disk before going on
  bool watch = false;    // keep running and file each workbook that arrives
  bool help = false;     // --help
  bool version = false;  // --version
};

struct ParsedCommandLine {
  CliOptions options;
  std::string error;  // what is wrong with the command line; empty when it is usable
};

// Reads the arguments (the program name not included). A later option replaces an earlier one.
// Errors: an unknown or ambiguous option, a value option without its value, a value given to a
// flag, any argument that is not an option, --preview together with --cells.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The data file options of a run or preview: the site's (App.def) with the command line's on
// top. Returns what is wrong with --separator or --format, "" when nothing is.
std::string ApplyDataFileOptions(const CliOptions& options, DataFileOptions& dataFile);

// The text --help prints.
std::string UsageText();

}  // namespace sheaver::cli
