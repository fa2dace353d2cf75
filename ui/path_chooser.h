// Choosing one path (an existing file, any file name, or a directory) through the file dialog
// and the folder browser that the main window owns and lends. PathChooser remembers the path, the
// dialog title, the file type filter and the initial directory between choices.
#pragma once

#include "runtime/error.h"

#include <string>
#include <vector>

namespace sheaver {

// Raised by CommonDialog::ShowOpen when the user cancels and CancelError is on.
inline constexpr int kErrDialogCancelled = err::kDialogCancelled;
inline constexpr const char* kDialogCancelledText = "Cancel was selected.";

// Flags of the file dialog.
inline constexpr long kDialogHideReadOnly = 0x4;      // no read-only check box
inline constexpr long kDialogFileMustExist = 0x1000;  // only an existing file closes the dialog

// The common file dialog: properties set before ShowOpen, the chosen file read after it. With a
// QFileDialog: AcceptOpen, file mode ExistingFile when kDialogFileMustExist is set and AnyFile
// otherwise, name filters from QtNameFilters, the directory from InitDir unless FileName holds
// a path, and no read-only check box in any case.
class CommonDialog {
 public:
  virtual ~CommonDialog() = default;
  // Whether cancelling ShowOpen raises kErrDialogCancelled (otherwise it returns quietly and
  // FileName stays as it was).
  virtual void CancelError(bool raise) = 0;
  // The dialog window's caption.
  virtual void DialogTitle(const std::string& title) = 0;
  // File type filter: description and pattern pairs, every part separated by "|"
  // ("Form Definition Files (*.dat)|*.dat"); see QtNameFilters.
  virtual void Filter(const std::string& filter) = 0;
  // The directory the dialog opens in when the file name does not name one.
  virtual void InitDir(const std::string& dir) = 0;
  // kDialogFileMustExist and kDialogHideReadOnly, or-ed.
  virtual void Flags(long flags) = 0;
  // The preset file name before ShowOpen; the full path of the chosen file after it.
  virtual void FileName(const std::string& name) = 0;
  virtual std::string FileName() const = 0;
  // Shows the open-file dialog modally and returns when the user has closed it.
  virtual void ShowOpen() = 0;
};

// The folder browser.
class FolderBrowser {
 public:
  virtual ~FolderBrowser() = default;
  // The browser window's caption.
  virtual void Title(const std::string& title) = 0;
  // The folder shown selected when the browser opens ("" for the browser's default).
  virtual void StartingFolder(const std::string& folder) = 0;
  // Shows the browser modally; true when the user chose a folder, false when cancelled.
  virtual bool Browse() = 0;
  // The full path of the folder chosen by the last successful Browse.
  virtual std::string SelectedFolder() const = 0;
};

class PathChooser {
 public:
  // The file dialog and folder browser to use (not owned; null detaches).
  void CommonDialogControl(CommonDialog* pDlg) { dlg_ = pDlg; }
  void BrowseFFControl(FolderBrowser* pBFF) { bff_ = pBFF; }
  // Caption of the dialog or browser.
  void Title(const std::string& pStr) { title_ = pStr; }
  // Directory in which the file dialog opens; the base of RelativePath.
  std::string InitDir() const { return init_dir_; }
  void InitDir(const std::string& pPath) { init_dir_ = pPath; }
  // File type filter of the file dialog, in the dialog's "description|pattern" form.
  void Filter(const std::string& pStr) { filter_ = pStr; }
  // True when the path is not empty.
  bool PathIsPresent() const { return !path_.empty(); }
  // The preset path before a choice, the chosen path after a successful one.
  std::string Path() const { return path_; }
  void Path(const std::string& pPath) { path_ = pPath; }

  // The path without the initial directory when it begins with it, letters compared without
  // regard to case; otherwise the path unchanged. A plain text prefix: no separator is added or
  // removed, so InitDir "/data" and path "/database/x" give "base/x".
  std::string RelativePath() const;

  // Shows the file dialog, in which only an existing file can be chosen. True and Path set to
  // the chosen file; false, Path unchanged, when the user cancelled or the dialog failed. 91
  // when no dialog is attached.
  bool ChooseExistingFile();
  // The same, but any file name may be chosen or typed (no question before a new name).
  bool ChooseFile();
  // Shows the folder browser starting at Path. True and Path set to the chosen folder; false,
  // Path unchanged, when cancelled. Errors of the browser reach the caller; 91 when none is
  // attached.
  bool ChooseDir();

 private:
  bool ChooseWithFlags(long flags);

  CommonDialog* dlg_ = nullptr;
  FolderBrowser* bff_ = nullptr;
  std::string title_;
  std::string init_dir_;
  std::string filter_;
  std::string path_;
};

// A file dialog filter ("Settings Files (*.set) | *.set|All Files (*.*)|*.*") as a list of name
// filters of the form "Settings Files (*.set)", one per description and pattern pair, as a Qt
// file dialog takes them. Parts are trimmed of blanks; several patterns of one pair (";"
// between them) are joined by spaces; "*.*" becomes "*" (it means every file); a description
// that already ends with its patterns in parentheses is not given them twice. A description
// without a pattern at the end is dropped; an empty filter gives no name filters.
std::vector<std::string> QtNameFilters(const std::string& filter);

}  // namespace sheaver
