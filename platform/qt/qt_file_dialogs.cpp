#include "platform/qt/qt_file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "platform/qt/qt_text.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

bool IsDirectory(const QString& path) {
  return !path.isEmpty() && QFileInfo(path).isDir();
}

}  // namespace

void QtCommonDialog::ShowOpen() {
  QFileDialog dialog(owner_, ToQString(title_));
  dialog.setObjectName(kFileDialogName);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode((flags_ & kDialogFileMustExist) ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  QStringList filters;
  for (const std::string& f : QtNameFilters(filter_)) filters << ToQString(f);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);

  const QString preset = ToQString(file_name_);
  const QFileInfo preset_info(preset);
  const QString preset_dir = preset.contains('/') ? preset_info.path() : QString();
  if (IsDirectory(preset_dir)) {
    dialog.setDirectory(preset_dir);
  } else if (IsDirectory(ToQString(init_dir_))) {
    dialog.setDirectory(ToQString(init_dir_));
  }
  if (!preset.isEmpty()) dialog.selectFile(preset_info.fileName());

  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    if (cancel_error_) Raise(kErrDialogCancelled, kDialogCancelledText);
    return;
  }
  file_name_ = FromQString(QDir::cleanPath(dialog.selectedFiles().first()));
}

bool QtFolderBrowser::Browse() {
  QFileDialog dialog(owner_, ToQString(title_));
  dialog.setObjectName(kFolderBrowserName);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setFileMode(QFileDialog::Directory);
  const QString start = ToQString(starting_folder_);
  dialog.setDirectory(IsDirectory(start) ? start : QDir::homePath());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  selected_ = FromQString(QDir::cleanPath(dialog.selectedFiles().first()));
  return true;
}

}  // namespace sheaver
