// The command line of sheaver-cli, read the GNU way: long options as "--name value" or
// "--name=value", any unambiguous prefix of a name ("--ty" for "--type"), "--" ending the
// options, -h for --help, -V for --version and -q for --quiet.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sheaver::cli {

struct CliOptions {
  // Each path option, when given (an empty value counts as given: "--out=" clears the output
  // directory a settings file set).
  std::optional<std::string> type, in, out, data, open, preview, cells, reject, report;
  std::optional<std::string> copyExamples;  // --copy-examples DIR
  bool all = false;      // repeat runs until the input directory has no workbook left
  bool quiet = false;    // errors only
  bool durable = false;
  bool watch = false;    // keep running and file each workbook that arrives  // flush each workbook's append and move to the disk before going on
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

// The text --help prints.
std::string UsageText();

}  // namespace sheaver::cli
