// The batch run: every workbook of the input directory is filed into the data file and, when an
// output directory is given, moved there. The run lists up to 100 workbooks as "Pending" in the
// report list, then handles them in list order: "Processing", extraction, move, "Done".
//
// Without a rejected-forms directory the first error ends the run at that workbook, whose row
// says "Failed" (later rows "Pending"); earlier workbooks are filed and moved, the failing one and
// later ones stay in the input directory. A workbook adds all its records to the data file or none,
// so the failing one has added nothing and is filed whole by the next run.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "runtime/int16.h"
#include "ui/report_list_view.h"

namespace sheaver {

// The most workbooks one run lists; the rest wait for a later run.
inline constexpr Int16 kMaxFormsPerRun = 100;

// The statuses of a listed workbook.
inline constexpr const char* kStatusPending = "Pending";
inline constexpr const char* kStatusProcessing = "Processing";
inline constexpr const char* kStatusDone = "Done";
inline constexpr const char* kStatusRejected = "Rejected";
inline constexpr const char* kStatusFailed = "Failed";

// The message of a run that found no workbook.
inline constexpr const char* kAllFormsProcessed =
    "All of the forms in the input directory have been processed.";

// Where a run takes its four paths from: the main window's path fields, or the command-line
// tool's options. Each text is used as it stands (the run trims the directories itself).
class FormsSource {
 public:
  virtual ~FormsSource() = default;
  // The form type file; read again for every workbook.
  virtual std::string FormType() = 0;
  // The input directory, or a wildcard pattern; read once when the run starts.
  virtual std::string InputDirectory() = 0;
  // The output directory, "" to leave the workbooks where they are; read again for every workbook.
  virtual std::string OutputDirectory() = 0;
  // The export data file.
  virtual std::string DataFile() = 0;
  // Where workbooks that cannot be filed go, "" to stop the run at the first of them.
  virtual std::string RejectDirectory() { return {}; }
};

// The four paths as plain values, for callers that have them at hand.
struct FormsPaths : FormsSource {
  std::string formType, inputDirectory, outputDirectory, dataFile, rejectDirectory;

  std::string FormType() override { return formType; }
  std::string InputDirectory() override { return inputDirectory; }
  std::string OutputDirectory() override { return outputDirectory; }
  std::string DataFile() override { return dataFile; }
  std::string RejectDirectory() override { return rejectDirectory; }
};

// Called after the run has set a row's status (row from 0, the status text just written): lets a
// window repaint or a console show progress between workbooks. An error it raises ends the run
// like any other.
using RunHook = std::function<void(Int16 row, std::string_view status)>;

// The search pattern for an input directory text: spaces trimmed at both ends, one trailing
// separator removed, "/*.xls" appended unless the text holds "*" or "?", and the current
// directory and a separator put in front of a text without any separator.
std::string SearchPattern(std::string_view inputDirectory);

// How one workbook of a run ended, for a report a program reads.
struct WorkbookOutcome {
  std::string workbook;       // its path as listed
  const char* status;         // "filed", "rejected", "failed" or "recovered"
  std::uint64_t records = 0;  // record lines it appended
  int errorNumber = 0;        // the error that rejected or stopped it; 0 for none
  std::string message;        // that error's description, or what the recovery did
};

// How a run files, beyond its paths.
struct RunOptions {
  // Flush every workbook's append and move to the disk before the next step (see Filing).
  bool durable = false;
  // Told what the run recovered from an interrupted one before it began; nothing when empty.
  std::function<void(const std::string& message)> notice;
  // Told how each workbook ended, as soon as it has (recovered ones first).
  std::function<void(const WorkbookOutcome& outcome)> outcome;
  // Whether a workbook found in the input directory may be filed now (a drop folder's file may
  // still be being written); listed and filed only when true. Every workbook when empty.
  std::function<bool(const std::string& path)> ready;
};

// What a run did, for its summary.
struct RunSummary {
  int filed = 0;              // workbooks filed (and moved, when there is an output directory)
  int rejected = 0;           // workbooks set aside in the rejected-forms directory
  std::uint64_t records = 0;  // record lines appended
  int waiting = 0;            // workbooks found but not ready yet (RunOptions::ready)
};

// The name of the text file put beside a rejected workbook: "Week07.xls.error.txt".
std::string RejectionNoteName(std::string_view workbookName);

// The run. Clears the list (two columns: "File" with the workbook's full path, "Status") and
// fills it; shows kAllFormsProcessed in a message box (OK only, no icon) when nothing is found.
// The list must have its two columns already.
//
// Before it lists anything the run locks the input directory and the data file (another run on
// either is Permission denied, 70, naming it and the other process) and recovers what an
// interrupted run left (see app/filing.h). Before the first append it checks, when there are
// workbooks: the form type loads and has fields, the output directory exists, is writable and
// is not the input directory, and an existing data file's header has as many fields as the form
// type (Invalid file format, 321, giving both counts). Nothing is written or moved when a check
// fails. The form type and data file paths are read once, when the run starts.
//
// A workbook that cannot be filed (not a workbook, damaged, unreadable, a value that does not
// convert) adds nothing to the data file. With a rejected-forms directory it is moved there, with
// a text file beside it (RejectionNoteName: the message, the time, the form type), its row says
// "Rejected", and the run goes on; without one the run stops there, its row saying "Failed".
// Errors of the data file, the output directory or the form type stop the run either way.
// Every path may begin with "~/" for the home directory.
RunSummary ProcessForms(FormsSource& source, ReportListView& list, const RunHook& hook = {},
                        const RunOptions& options = {});

// The number of fields of a data file's header line: its separators plus one, those inside
// double-quoted names not counted.
std::size_t HeaderFieldCount(std::string_view line, char separator = ',');

// The data file name that stands for standard output (sheaver-cli --data -).
inline constexpr const char* kStreamDataFile = "-";

// Moves the workbook at path into outDir (spaces trimmed, one trailing separator removed),
// replacing an ordinary file of the same name there. A path without a separator stays where it
// is. Moving a workbook onto itself (outDir is its own directory) is Path/File access error
// (75) and leaves it in place. Other errors are the file system's (Path not found for a missing
// directory, Permission denied, File already exists for a target the lookup does not see, such as a
// hidden file or a directory).
void MoveForm(const std::string& path, const std::string& outDir);

}  // namespace sheaver
