#include "app/batch_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "app/filing.h"
#include "datafiles/data_table.h"
#include "extract/data_file_options.h"
#include "extract/extraction.h"
#include "platform/filesystem.h"
#include "platform/textfile.h"
#include "runtime/msgbox.h"

namespace sheaver {
namespace {

// The text without leading and trailing spaces (spaces only: a tab is part of a name).
std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A directory text as it is joined to a name: trimmed, one trailing separator removed.
std::string_view DirectoryText(std::string_view text) {
  text = TrimSpaces(text);
  if (!text.empty() && text.back() == kPathSeparator) text.remove_suffix(1);
  return text;
}

void SetStatus(ReportListView& list, Int16 row, const char* status, const RunHook& hook) {
  list.Data(row, 1, status);
  if (hook) hook(row, status);
}

// An output directory given (not blank) must be an existing, writable directory other than the
// input directory: Path not found (76), Permission denied (70) or Path/File access error (75),
// naming it.
void CheckOutputDirectory(const std::string& outDir, const std::string& inputDirectory,
                          const std::string& what) {
  const std::string directory(DirectoryText(outDir));
  if (directory.empty()) return;
  std::error_code ec;
  if (!std::filesystem::is_directory(directory, ec))
    throw Error(err::kPathNotFound, "Path not found: the " + what + " " + directory +
                                        " does not exist or is not a directory");
  if (::access(directory.c_str(), W_OK | X_OK) != 0)
    throw Error(err::kPermissionDenied,
                "Permission denied: the " + what + " " + directory + " cannot be written to");
  if (std::filesystem::equivalent(directory, inputDirectory, ec))
    throw Error(err::kPathFileAccess, "Path/File access error: the " + what + " " + directory +
                                          " is the input directory");
}

// The form type must load and have fields, and a data file that already has a header must have
// as many names in it as the form type has fields: appending 7-field lines under a 3-name header
// gives a file no program reads right.
void CheckFormTypeAndHeader(const std::string& formTypePath, const std::string& dataFile) {
  DataTable formType;
  formType.FileName(formTypePath);
  try {
    formType.Load();
  } catch (Error& e) {
    throw e.Within("the form type");
  }
  if (formType.Rows() <= 0)
    throw Error(err::kSubscript,
                "Subscript out of range: the form type " + formTypePath + " has no field rows");
  // An SQLite data file keeps its own columns; a stream ("-") has no header to look at yet.
  if (IsSqliteDataFile(dataFile, CurrentDataFileOptions()) || dataFile == kStreamDataFile) return;
  if (!RegularFileExists(dataFile)) return;
  const std::vector<std::string> first = ReadTextLines(dataFile, 1);
  if (first.empty()) return;
  const std::size_t names = HeaderFieldCount(
      first[0], HeaderSeparator(first[0]).value_or(CurrentDataFileOptions().separator));
  const std::size_t fields = static_cast<std::size_t>(formType.Rows());
  if (names != fields)
    throw Error(err::kInvalidFileFormat,
                "Invalid file format: the data file " + dataFile + " has " + std::to_string(names) +
                    " field" + (names == 1 ? "" : "s") + " in its header, the form type " +
                    formTypePath + " has " + std::to_string(fields) +
                    "; choose the data file that goes with this form type");
}

}  // namespace

std::string SearchPattern(std::string_view inputDirectory) {
  std::string pattern(DirectoryText(inputDirectory));
  if (!HasWildcards(pattern)) {
    pattern += kPathSeparator;
    pattern += "*.xls";
  }
  if (pattern.find(kPathSeparator) == std::string::npos)
    pattern = CurrentDirectory() + kPathSeparator + pattern;
  return pattern;
}

std::size_t HeaderFieldCount(std::string_view line, char separator) {
  std::size_t count = 1;
  bool quoted = false;
  for (char c : line) {
    if (c == '"')
      quoted = !quoted;
    else if (c == separator && !quoted)
      ++count;
  }
  return count;
}

std::string RejectionNoteName(std::string_view workbookName) {
  return std::string(workbookName) + ".error.txt";
}

namespace {

// "2026-12-07T11:58:03+01:00": when a workbook was rejected, in local time with its offset.
std::string LocalTimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  std::string stamp(text);
  if (stamp.size() > 2) stamp.insert(stamp.size() - 2, ":");
  return stamp;
}

// Moves a workbook that cannot be filed into the rejected-forms directory and writes the note
// beside it. The note comes second: a workbook never waits in the input directory with a note
// about it elsewhere.
void Reject(const std::string& path, const std::string& rejectDir, const Error& error,
            const std::string& formTypePath) {
  MoveForm(path, rejectDir);
  const std::string name(FileNameOf(path));
  WriteTextLines(JoinPath(DirectoryText(rejectDir), RejectionNoteName(name)),
                 {"error " + std::to_string(error.Number()) + ": " + error.Description(),
                  "time: " + LocalTimeStamp(), "form type: " + formTypePath, "workbook: " + path});
}

// A data file that is there must be a regular file: appending to a pipe would wait for a reader
// forever, and to a device or folder makes no sense.
void CheckDataFileKind(const std::string& dataFile) {
  struct stat st;
  if (::stat(dataFile.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    throw Error(err::kPathFileAccess, "Path/File access error: the data file " + dataFile +
                                          " is not a regular file (a folder, a device or a pipe)");
}

}  // namespace

RunSummary ProcessForms(FormsSource& source, ReportListView& list, const RunHook& hook,
                        const RunOptions& options) {
  const std::string pattern = SearchPattern(ExpandHome(source.InputDirectory()));
  const std::string directory = pattern.substr(0, pattern.rfind(kPathSeparator));
  const std::string formTypePath = ExpandHome(source.FormType());
  const std::string dataFile = ExpandHome(source.DataFile());
  const std::string outDir = ExpandHome(source.OutputDirectory());
  const std::string rejectDir = ExpandHome(source.RejectDirectory());
  const bool rejecting = !TrimSpaces(rejectDir).empty();
  ForgetFormTypes();
  RunSummary summary;

  // The locks and the recovery come before the listing: a recovered workbook leaves the input
  // directory, and no other run may list or move what this one is filing.
  std::optional<Filing> filing;
  const bool stream = dataFile == kStreamDataFile;  // nothing to lock, journal or recover
  if (!TrimSpaces(dataFile).empty() && !stream) {
    CheckDataFileKind(dataFile);
    filing.emplace(directory, dataFile, options.durable,
                   [&](const std::string& workbook, const std::string& message) {
                     if (options.notice) options.notice(message);
                     if (options.outcome) options.outcome({workbook, "recovered", 0, 0, message});
                   });
  }

  // First pass: list the workbooks. The search is complete before any workbook is touched,
  // since processing moves files out of the directory searched.
  Int16 rowCount = 0;
  const std::vector<std::string> names = FindFiles(pattern, kMaxFormsPerRun);
  list.Clear();
  for (const std::string& name : names) {
    if (rowCount >= kMaxFormsPerRun) break;
    if (options.ready && !options.ready(directory + kPathSeparator + name)) {
      ++summary.waiting;
      continue;
    }
    list.AddRow();
    list.Data(rowCount, 0, directory + kPathSeparator + name);
    SetStatus(list, rowCount, kStatusPending, hook);
    Inc16(rowCount);
  }

  // Before anything is written: a check that failed only after the first workbook's records
  // were appended would leave them there, and every retry would append them again.
  if (rowCount > 0) {
    if (!filing && !stream)
      throw Error(err::kBadFileName, "Bad file name or number: no data file is given");
    CheckFormTypeAndHeader(formTypePath, dataFile);
    CheckOutputDirectory(outDir, directory, "output directory");
    if (rejecting) CheckOutputDirectory(rejectDir, directory, "rejected-forms directory");
  }

  // Second pass: each workbook in list order, its path read back from the list.
  const bool moving = !TrimSpaces(outDir).empty();
  for (Int16 i = 0; i < rowCount; ++i) {
    SetStatus(list, i, kStatusProcessing, hook);
    const std::string path = list.Data(i, 0);
    const std::uint64_t recordsBefore = RecordLinesAppended();
    bool appending = false;  // past the workbook's own part: what fails now is not its fault
    try {
      ExtractWorkbookData(path, formTypePath, dataFile,
                          [&](std::string_view text, const WorkbookRecords& workbook) {
                            appending = true;
                            if (filing)
                              filing->Append(path, outDir, text,
                                             {workbook.workbookSize, workbook.workbookModifiedNs});
                            else
                              AppendTextLine(dataFile, text);
                          });
      if (moving) MoveForm(path, outDir);
      if (filing) filing->Moved(path, outDir);
    } catch (const Error& e) {
      auto fail = [&](const Error& error) {
        if (options.outcome)
          options.outcome({path, "failed", RecordLinesAppended() - recordsBefore, error.Number(),
                           error.Description()});
        SetStatus(list, i, kStatusFailed, hook);
      };
      if (!rejecting || appending) {
        fail(e);
        throw;
      }
      try {
        Reject(path, rejectDir, e, formTypePath);
      } catch (const Error& rejectError) {
        fail(rejectError);
        throw;
      }
      ++summary.rejected;
      if (options.outcome) options.outcome({path, "rejected", 0, e.Number(), e.Description()});
      SetStatus(list, i, kStatusRejected, hook);
      continue;
    }
    ++summary.filed;
    const std::uint64_t records = RecordLinesAppended() - recordsBefore;
    summary.records += records;
    if (options.outcome) options.outcome({path, "filed", records, 0, {}});
    SetStatus(list, i, kStatusDone, hook);
  }

  if (rowCount == 0 && summary.waiting == 0)
    MsgBox(kAllFormsProcessed, MsgButtons::kOk, MsgIcon::kNone);
  return summary;
}

void MoveForm(const std::string& path, const std::string& outDir) {
  const std::string_view directory = DirectoryText(outDir);
  const std::size_t last = path.rfind(kPathSeparator);
  if (last == std::string::npos) return;
  std::string target(directory);
  target += kPathSeparator;
  target.append(path, last + 1);
  // Nearly always nothing stands at the target yet, and a move that never replaces settles that
  // case at once. Only when a file of that name is there is it replaced, in one atomic rename:
  // nothing filed is deleted to make room, and a workbook that has left the input directory in
  // the meantime (another run filed it) is File not found with the filed copy untouched.
  try {
    MoveFile(path, target);
    return;
  } catch (const Error& e) {
    if (e.Number() != err::kFileAlreadyExists) throw;
  }
  // Moving a workbook onto itself (the output directory is its own directory) would replace it
  // with itself: refuse instead, leaving it in place.
  std::error_code ec;
  if (std::filesystem::equivalent(path, target, ec))
    throw Error(err::kPathFileAccess,
                "Path/File access error: the output directory is the workbook's own directory")
        .Within("Cannot move " + path + " to " + target);
  ReplaceFile(path, target);
}

}  // namespace sheaver
