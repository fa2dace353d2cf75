// sheaver-cli: the batch run of the desktop program's Run button without a window, plus two
// looks into single workbooks (--preview, --cells). main() only hands its arguments to RunCli.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace sheaver::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;        // done, also when there was nothing to file
inline constexpr int kExitFailed = 1;    // a run, preview or listing stopped at an error
inline constexpr int kExitUsage = 2;     // the command line cannot be used, or names a wrong path
inline constexpr int kExitRejected = 3;  // the run finished, but some workbooks were rejected

// Runs the tool on the arguments (program name not included), writing results and progress to
// out and messages to err; returns the exit status. Installs its own non-interactive message
// boxes for the time of the call.
int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// Writes the header and the records the workbook gives under the form type, one line each
// (CR LF ends a line; a value's own line breaks stay inside its quotes), as a new data file would
// receive them under the data file options in force (its byte-order mark left out). No file is
// written. A workbook that fails gives no line (a run would add none of its records) and raises the
// extraction's error.
void WritePreview(const std::string& workbookPath, const std::string& formTypePath, std::FILE* out);

// Writes what the extraction can see of a workbook, as tab-separated lines:
//   sheet<TAB>index (from 1)<TAB>name<TAB>active or -       for every sheet, in order;
//   name<TAB>full name<TAB>Sheet!$A$1:$B$2 or the error     for every defined name;
//   cell<TAB>address<TAB>kind<TAB>text                      for every non-empty cell of the
//                                                           active sheet, row by row;
// kind is number, date, text, boolean or error; text is the cell text the extraction reads (an
// error value shows its code, such as #DIV/0!). Raises the error of a workbook that cannot be read.
void WriteCells(const std::string& workbookPath, std::FILE* out);

// The text with tab, CR, LF and backslash written as \t, \r, \n and \\, and other control
// characters and bytes that are not UTF-8 as \xHH (see EscapeForLine).
std::string EscapeField(std::string_view text);

}  // namespace sheaver::cli
