// The main window's behaviour: the four path fields that define a run, the choosers behind the
// "..." buttons, the settings file commands, the run, the form type editor and data viewer,
// the Help menu and the About box. MainWindow holds the logic and the objects it works with; the
// window system shows it through a MainWindowView (the Qt window in the desktop program, a double
// in tests), whose event handlers call the MainWindow handlers below.
//
// Every command that acts on the window as a whole goes through AppCmd, which start-up uses too.
// The handlers catch no errors: an error that leaves one is for the caller to report (Guarded).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/batch_run.h"
#include "app/command_line.h"
#include "datafiles/settings_file.h"
#include "product/product_info.h"
#include "runtime/error.h"
#include "ui/data_file_options_choice.h"
#include "ui/list_view_control.h"
#include "ui/path_chooser.h"
#include "ui/report_list_view.h"
#include "ui/resize_layout.h"
#include "ui/window_system.h"

namespace sheaver {

// The path fields of the main window, the only place where a run's parameters live.
enum class PathField { kFormType, kInDir, kOutDir, kExportTo, kRejectDir };

// The window that shows a MainWindow: its fields, the controls it lends, and what only the window
// system can do.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  // The text of a path field, and replacing it.
  virtual std::string FieldText(PathField field) const = 0;
  virtual void FieldText(PathField field, const std::string& text) = 0;
  // The window and its controls as the resizing layout sees them.
  virtual Window& Form() = 0;
  // The file list, the file dialog and the folder browser, lent to the objects that drive them.
  virtual ListViewControl& ListView1() = 0;
  virtual CommonDialog& cDlg() = 0;
  virtual FolderBrowser& BrowseFF1() = 0;
  // Sets the window's caption, and its icon from a picture file ("" for the built-in icon).
  virtual void Identity(const std::string& caption, const std::string& icon) = 0;
  // Shows the About box modally over the window and returns when it is closed.
  virtual void ShowAbout(const AboutBoxContent& about) = 0;
  // Shows the "Data file options" dialog modally with `choice`; true with the edited choice put
  // back when the user accepts it, false (choice untouched) when cancelled. A window without
  // the dialog cancels.
  virtual bool EditDataFileOptions(DataFileOptionsChoice& /*choice*/) { return false; }
  // Closes (unloads) the window; the program ends when it is gone.
  virtual void Unload() = 0;
  // A settings file was read into the fields or written from them (its path as the file
  // commands were given it): the window may remember it. Nothing by default.
  virtual void SettingsFileUsed(const std::string& /*path*/) {}
  // While a run holds the window: true disables every command that could start another run or
  // change the fields, false enables them again.
  virtual void Running(bool running) = 0;
  // Shows what changed (the list's statuses) while a run holds the thread.
  virtual void Repaint() = 0;
  // Shows a line of news at the foot of the window (a run's summary).
  virtual void StatusText(const std::string& text) = 0;
  // Ends the program with this exit status after a fatal error, as soon as control returns to
  // the window system.
  virtual void End(int exit_status) = 0;
};

// Starts `program` with `argument` as its one argument, without a shell and without waiting;
// returns the process id, or -1 when it could not be started (LaunchDetached's contract).
using ProgramLauncher = std::function<int(const std::string& program, const std::string& argument)>;

class MainWindow : public StartupWindow {
 public:
  // The form type editor, a program of its own installed beside this one.
  static constexpr const char* kFormTypeEditor = "Gridmend";
  // File type filters of the choosers, in the file dialog's "description|pattern" form.
  static constexpr const char* kSettingsFilter = "Settings Files (*.set) | *.set";
  static constexpr const char* kFormTypeFilter = "Form Definition Files (*.dat)|*.dat";
  static constexpr const char* kDataFileFilter =
      "Comma Separated Value Files (*.csv)|*.csv|SQLite Databases (*.sqlite; *.db)|*.sqlite;*.db|"
      "Data Files (*.dat)|*.dat|All Files (*.*)|*.*";

  // A window over `view` (which must outlive it) for the program in `program_directory` (the
  // directory of App.def, Help, Settings, FormTypes and the form type editor, without a trailing
  // separator).
  MainWindow(MainWindowView& view, std::string program_directory);
  ~MainWindow() override;

  // Window load: reads the product information (App.def), sets the caption, icon and application
  // title, records the layout while the window has its laid-out size, and creates the settings
  // object, the five choosers and the two-column report list. Errors of App.def reach the caller.
  void OnLoad();
  // Window resize: places the controls for the new size and sizes the list's columns. Nothing
  // before load or after unload.
  void OnResize();
  // Window unload: releases the layout.
  void OnUnload();

  // File menu: Open and Save As choose a settings file (Open: an existing one) starting in the
  // Settings folder; Save writes the current settings file, or asks for a name as Save As does
  // when there is none yet. A cancelled choice changes nothing.
  void OnFileOpen();
  void OnFileSave();
  void OnFileSaveAs();
  void OnFileExit();
  // File menu, Data File Options: the "Data file options" dialog over the options the window's
  // runs write by (App.def's until changed here); a cancelled dialog changes nothing.
  void OnDataFileOptions();
  // Help menu: opens the help contents, FAQ and support addresses of the product information
  // (a relative path is taken from the program directory); About shows the About box.
  void OnHelpContents();
  void OnHelpFaq();
  void OnHelpSupport();
  void OnHelpAbout();
  // The "..." buttons: choose a path starting from the field's text and put it back in the field;
  // a cancelled choice leaves the field as it was.
  void OnChooseFormType();
  void OnChooseInputDirectory();
  void OnChooseOutputDirectory();
  void OnChooseDataFile();
  void OnChooseRejectDirectory();
  // Starts the form type editor beside the program with the form type field's text (as it
  // stands, even empty) as its one argument. File not found (53), naming the program, when it
  // cannot be started.
  void OnEditFormType();
  // Opens the data file with the desktop's opener (its default program for the file), the
  // field's text as one argument; nothing when the field is empty. 53 when the opener cannot be
  // started.
  void OnView();
  // Starts a run when the form type, input directory and data file fields are all filled;
  // otherwise a message says which one is empty. The output and rejected-forms directories may
  // be empty. The run's summary goes to the status line.
  void OnRun();
  void OnExit();

  // The command entry point, the command compared in lower case: "open" loads the settings file
  // pArg[0] into the fields, "save" writes the fields to the current settings file, "saveas"
  // writes them to pArg[0] (asking first when it exists), "go" runs, "exit" closes the window;
  // anything else does nothing. "open" and "saveas" without an argument raise 9.
  void AppCmd(const std::string& pCmd, const std::vector<std::string>& pArg) override;
  void SetFormType(const std::string& text) override;
  void SetInDir(const std::string& text) override;
  void SetOutDir(const std::string& text) override;
  void SetExportTo(const std::string& text) override;
  void SetRejectDir(const std::string& text);

  // Runs a handler and reports an error that leaves it: a message box with the error's number
  // and description. The window stays as it was, with what was typed; work done before the error
  // stays. ErrorStatus becomes 1, the exit status of a headless run.
  void Guarded(const std::function<void()>& handler);
  int ErrorStatus() const { return error_status_; }

  // Replaces how programs are started (the form type editor, the data viewer); returns the
  // previous launcher. The default is LaunchDetached.
  ProgramLauncher Launcher(ProgramLauncher launcher);

  // The installed layout: the form type editor from `programs`, App.def from `config`, and the
  // choosers starting in the user's own folders (XDG). Call before OnLoad.
  void InstalledLayout(const std::string& programs, const std::string& config);

  // The settings file Open and Save As offer first while none is open (the last one used, as
  // the window remembers it); "" for none.
  void LastSettingsFile(const std::string& path) { last_settings_file_ = path; }

  // True while a run is in progress.
  bool Running() const { return running_; }
  // The product information (defaults until OnLoad), the settings object and the report list
  // (null until OnLoad).
  const ProductInfo& Product() const { return product_; }
  const SettingsFile* Settings() const { return settings_.get(); }
  const ReportListView* Report() const { return rpt_.get(); }
  const ResizeLayout* Layout() const { return layout_.get(); }
  // The data file options of the window's runs.
  const DataFileOptions& DataFile() const { return data_file_options_; }

 private:
  void InitControls();
  void ResizeList();
  std::unique_ptr<PathChooser> NewPathChooser(CommonDialog& dialog, FolderBrowser& folderBrowser,
                                              const std::string& title);
  void LoadSettings(const std::string& path);
  void SaveSettings();
  void SaveSettingsAs(const std::string& path);
  void ProcessForms();
  std::string Field(PathField field) const { return view_.FieldText(field); }
  void Launch(const std::string& program, const std::string& argument);
  std::string ProgramPath(const std::string& name) const;
  std::string SettingsFolder() const;
  std::string FormTypesFolder() const;

  MainWindowView& view_;
  ProductInfo product_;
  std::unique_ptr<ResizeLayout> layout_;
  std::unique_ptr<SettingsFile> settings_;
  std::unique_ptr<PathChooser> settings_chooser_;
  std::unique_ptr<PathChooser> in_dir_chooser_;
  std::unique_ptr<PathChooser> out_dir_chooser_;
  std::unique_ptr<PathChooser> form_type_chooser_;
  std::unique_ptr<PathChooser> data_file_chooser_;
  std::unique_ptr<PathChooser> reject_dir_chooser_;
  std::unique_ptr<ReportListView> rpt_;
  ProgramLauncher launcher_;
  DataFileOptions data_file_options_;
  bool running_ = false;
  int error_status_ = 0;
  std::string programs_directory_;  // "" for the program directory
  bool installed_ = false;
  std::string last_settings_file_;
};

// The status line after a run: "11 workbooks filed, 1 rejected, 77 records appended in 0.4 s"
// (the rejected part only when there were some).
std::string RunSummaryText(const RunSummary& summary, double seconds);

// The user's home directory (HOME, else the password database's entry, else "/"), where the
// directory and data file choosers start.
std::string HomeDirectory();

// A help address from the product information as it is opened: "" stays "", an address with a
// scheme ("https:", "file:", "mailto:") or an absolute path stays as written, and any other text
// is a path relative to the program directory.
std::string HelpAddress(const std::string& program_directory, const std::string& value);

}  // namespace sheaver
