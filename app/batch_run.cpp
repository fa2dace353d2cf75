#include "app/batch_run.h"

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "app/filing.h"
#include "datafiles/clsDatFile.h"
#include "extract/modExtractWorkbookData.h"
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

void SetStatus(clsListViewRpt& list, Int16 row, const char* status, const RunHook& hook) {
  list.Data(row, 1, status);
  if (hook) hook(row, status);
}

// An output directory given (not blank) must be an existing, writable directory other than the
// input directory: Path not found (76), Permission denied (70) or Path/File access error (75),
// naming it.
void CheckOutputDirectory(const std::string& outDir, const std::string& inputDirectory) {
  const std::string directory(DirectoryText(outDir));
  if (directory.empty()) return;
  std::error_code ec;
  if (!std::filesystem::is_directory(directory, ec))
    throw Error(err::kPathNotFound, "Path not found: the output directory " + directory +
                                        " does not exist or is not a directory");
  if (::access(directory.c_str(), W_OK | X_OK) != 0)
    throw Error(err::kPermissionDenied, "Permission denied: the output directory " + directory +
                                            " cannot be written to");
  if (std::filesystem::equivalent(directory, inputDirectory, ec))
    throw Error(err::kPathFileAccess, "Path/File access error: the output directory " +
                                          directory + " is the input directory");
}

// The form type must load and have fields, and a data file that already has a header must have
// as many names in it as the form type has fields: appending 7-field lines under a 3-name header
// gives a file no program reads right.
void CheckFormTypeAndHeader(const std::string& formTypePath, const std::string& dataFile) {
  clsDatFile formType;
  formType.FileName(formTypePath);
  try {
    formType.Load();
  } catch (Error& e) {
    throw e.Within("the form type");
  }
  if (formType.Rows() <= 0)
    throw Error(err::kSubscript,
                "Subscript out of range: the form type " + formTypePath + " has no field rows");
  if (!RegularFileExists(dataFile)) return;
  const std::vector<std::string> first = ReadTextLines(dataFile, 1);
  if (first.empty()) return;
  const std::size_t names = HeaderFieldCount(first[0]);
  const std::size_t fields = static_cast<std::size_t>(formType.Rows());
  if (names != fields)
    throw Error(err::kInvalidFileFormat,
                "Invalid file format: the data file " + dataFile + " has " +
                    std::to_string(names) + " field" + (names == 1 ? "" : "s") +
                    " in its header, the form type " + formTypePath + " has " +
                    std::to_string(fields) + "; choose the data file that goes with this form type");
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

std::size_t HeaderFieldCount(std::string_view line) {
  std::size_t count = 1;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    else if (c == ',' && !quoted) ++count;
  }
  return count;
}

void ProcessForms(FormsSource& source, clsListViewRpt& list, const RunHook& hook,
                  const RunOptions& options) {
  const std::string pattern = SearchPattern(source.InputDirectory());
  const std::string directory = pattern.substr(0, pattern.rfind(kPathSeparator));
  const std::string formTypePath = source.FormType();
  const std::string dataFile = source.DataFile();
  ForgetFormTypes();

  // The locks and the recovery come before the listing: a recovered workbook leaves the input
  // directory, and no other run may list or move what this one is filing.
  std::optional<Filing> filing;
  if (!TrimSpaces(dataFile).empty())
    filing.emplace(directory, dataFile, options.durable, options.notice);

  // First pass: list the workbooks. The search is complete before any workbook is touched,
  // since processing moves files out of the directory searched.
  Int16 rowCount = 0;
  const std::vector<std::string> names = FindFiles(pattern, kMaxFormsPerRun);
  list.Clear();
  for (const std::string& name : names) {
    if (rowCount >= kMaxFormsPerRun) break;
    list.AddRow();
    list.Data(rowCount, 0, directory + kPathSeparator + name);
    SetStatus(list, rowCount, kStatusPending, hook);
    Inc16(rowCount);
  }

  // Before anything is written: a check that failed only after the first workbook's records
  // were appended would leave them there, and every retry would append them again.
  if (rowCount > 0) {
    if (!filing)
      throw Error(err::kBadFileName, "Bad file name or number: no data file is given");
    CheckFormTypeAndHeader(formTypePath, dataFile);
    CheckOutputDirectory(source.OutputDirectory(), directory);
  }

  // Second pass: each workbook in list order, its path read back from the list.
  for (Int16 i = 0; i < rowCount; ++i) {
    SetStatus(list, i, kStatusProcessing, hook);
    const std::string path = list.Data(i, 0);
    const std::string outDir = source.OutputDirectory();
    ExtractWorkbookData(path, formTypePath, dataFile,
                        [&](std::string_view text) { filing->Append(path, outDir, text); });
    if (!TrimSpaces(outDir).empty()) MoveForm(path, outDir);
    filing->Moved(path, outDir);
    SetStatus(list, i, kStatusDone, hook);
  }

  if (rowCount == 0) MsgBox(kAllFormsProcessed, MsgButtons::kOk, MsgIcon::kNone);
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
