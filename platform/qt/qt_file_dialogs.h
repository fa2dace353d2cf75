// The file dialog and folder browser that the path chooser drives, as Qt file dialogs. They are
// the desktop's own where the platform theme offers one (GTK, KDE, or the XDG desktop portal
// inside a sandbox), and Qt's widget dialog elsewhere, as on the offscreen platform where the
// tests drive them (the active modal widget is then the QFileDialog).
#pragma once

#include <string>

#include "ui/path_chooser.h"

class QWidget;

namespace sheaver {

// Object names of the dialogs, for finding them among the application's widgets.
inline constexpr const char* kFileDialogName = "cDlg";
inline constexpr const char* kFolderBrowserName = "BrowseFF1";

// The common file dialog: an "open" dialog; with kDialogFileMustExist only an existing file
// closes it, otherwise any name may be typed. The dialog opens in the folder of the preset file
// name when it names one that exists, else in InitDir (when it exists), with the file name's
// last part typed in. The chosen file comes back as a full path. Cancelling raises
// kErrDialogCancelled when CancelError is on.
class QtCommonDialog : public CommonDialog {
 public:
  // The dialogs are modal over `owner` (may be null).
  explicit QtCommonDialog(QWidget* owner = nullptr) : owner_(owner) {}

  void CancelError(bool raise) override { cancel_error_ = raise; }
  void DialogTitle(const std::string& title) override { title_ = title; }
  void Filter(const std::string& filter) override { filter_ = filter; }
  void InitDir(const std::string& dir) override { init_dir_ = dir; }
  void Flags(long flags) override { flags_ = flags; }
  void FileName(const std::string& name) override { file_name_ = name; }
  std::string FileName() const override { return file_name_; }
  void ShowOpen() override;

 private:
  QWidget* owner_;
  bool cancel_error_ = false;
  std::string title_;
  std::string filter_;
  std::string init_dir_;
  long flags_ = 0;
  std::string file_name_;
};

// The folder browser: a file dialog that shows and returns directories only, opening at the
// starting folder when it exists (else at the user's home directory).
class QtFolderBrowser : public FolderBrowser {
 public:
  explicit QtFolderBrowser(QWidget* owner = nullptr) : owner_(owner) {}

  void Title(const std::string& title) override { title_ = title; }
  void StartingFolder(const std::string& folder) override { starting_folder_ = folder; }
  bool Browse() override;
  std::string SelectedFolder() const override { return selected_; }

 private:
  QWidget* owner_;
  std::string title_;
  std::string starting_folder_;
  std::string selected_;
};

}  // namespace sheaver
