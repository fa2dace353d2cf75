// The main window on screen: its controls (positions in twips, shown in pixels by
// the screen's resolution), their layout options and tab order, the File and Help menus, and the
// Qt file dialog, folder browser and list behind them. Every event goes to its MainWindow handler;
// an error that leaves a handler is reported and the window stays open.
//
// Between starts the window remembers (QSettings, organisation and application "Sheaver") the
// settings files last opened or saved, offered by File > Recent and first by Open and Save As,
// and its size and place on the screen.
//
// Controls carry object names (txtFormType, cmdGo, ListView1, mnuFileOpen, ...) by which tests
// and accessibility tools find them; each event goes to the MainWindow handler OnXxx of its name.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "ui/recent_files.h"

class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace sheaver {

class QtListView;
class QtWindow;

// The laid-out size of the window's client area, in twips.
inline constexpr double kClientWidthTwips = 8310;
inline constexpr double kClientHeightTwips = 4965;

struct MainWindowOptions {
  // The directory of App.def, Help, Settings and FormTypes; "" for the program's own directory.
  std::string program_directory;
  // Replacements for the Qt file dialog and folder browser (not owned); null for the Qt ones.
  CommonDialog* dialog = nullptr;
  FolderBrowser* browser = nullptr;
  // How a fatal error ends the program once the window has closed: by default the application's
  // event loop ends with this exit status.
  std::function<void(int exit_status)> end_program;
};

class QtMainWindow : public QMainWindow, private MainWindowView {
 public:
  explicit QtMainWindow(const MainWindowOptions& options = {});
  ~QtMainWindow() override;

  // Loads the window (MainWindow::OnLoad: product information, layout, choosers, list) at its
  // laid-out size and shows it, modeless. Errors of loading reach the caller.
  void LoadAndShow();

  MainWindow& Main() { return *form_; }
  // The field's widget.
  QLineEdit& FieldWidget(PathField field) const;
  // 0, the exit status a fatal error asked for, or 1 after an error was reported.
  int ExitStatus() const { return exit_status_ != 0 ? exit_status_ : form_->ErrorStatus(); }
  // True once a fatal error has ended the window.
  bool Ended() const { return ending_; }

  // MainWindowView's field access, public for start-up and tests.
  std::string FieldText(PathField field) const override;
  void FieldText(PathField field, const std::string& text) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // A folder or file dragged from the file manager onto a path field fills the field with its
  // path (one local file only; anything else is left to the field).
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  // Connects a signal-less call path: runs the MainWindow handler under MainWindow::Guarded.
  void Handle(void (MainWindow::*handler)());

  Window& Form() override;
  ListViewControl& ListView1() override;
  CommonDialog& cDlg() override;
  FolderBrowser& BrowseFF1() override;
  void Identity(const std::string& caption, const std::string& icon) override;
  void ShowAbout(const AboutBoxContent& about) override;
  bool EditDataFileOptions(DataFileOptionsChoice& choice) override;
  void Unload() override;
  void SettingsFileUsed(const std::string& path) override;
  // Rebuilds File > Recent from recent_, and stores the list.
  void UpdateRecent();
  // Opens a file of File > Recent; one that is gone is said so and leaves the list.
  void OpenRecent(const std::string& path);
  void Running(bool running) override;
  void Repaint() override;
  void StatusText(const std::string& text) override;
  void End(int exit_status) override;

  QGroupBox* Frame1_ = nullptr;
  QLineEdit* txtFormType_ = nullptr;
  QLineEdit* txtInDir_ = nullptr;
  QLineEdit* txtOutDir_ = nullptr;
  QLineEdit* txtExportTo_ = nullptr;
  QLineEdit* txtRejectDir_ = nullptr;
  QPushButton* cmdGo_ = nullptr;
  QPushButton* cmdView_ = nullptr;
  QPushButton* cmdExit_ = nullptr;
  QTreeWidget* ListView1_ = nullptr;
  QMenu* mnuFileRecent_ = nullptr;
  RecentFiles recent_;

  std::unique_ptr<QtListView> list_;
  std::unique_ptr<QtWindow> window_;
  std::unique_ptr<CommonDialog> own_dialog_;
  std::unique_ptr<FolderBrowser> own_browser_;
  CommonDialog* dialog_ = nullptr;
  FolderBrowser* browser_ = nullptr;
  std::unique_ptr<MainWindow> form_;
  std::function<void(int)> end_program_;
  bool ending_ = false;
  int exit_status_ = 0;
};

}  // namespace sheaver
