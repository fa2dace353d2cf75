#include "app/main_window.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <utility>

#include "app/batch_run.h"
#include "extract/workbook_password.h"
#include "platform/filesystem.h"
#include "platform/program_paths.h"
#include "product/browse_to.h"
#include "runtime/ascii.h"
#include "runtime/msgbox.h"

namespace sheaver {
namespace {

// The first value of a command's argument list; Subscript out of range when there is none.
const std::string& FirstArgument(const std::vector<std::string>& pArg) {
  if (pArg.empty()) Raise(err::kSubscript);
  return pArg.front();
}

// True when the text begins with a URI scheme ("https:", "file:", "mailto:").
bool HasScheme(const std::string& text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = text[i];
    const bool other = i > 0 && (IsAsciiDigit(c) || c == '+' || c == '-' || c == '.');
    if (!IsAsciiLetter(c) && !other) return false;
  }
  return true;
}

// A folder of the user's, made when missing so that a chooser can start in it; "" when it
// cannot be made.
std::string UserFolder(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return std::filesystem::is_directory(path, ec) ? path : std::string();
}

// Sets a flag for the life of a scope and tells the window, so that a run cannot start another.
class RunningScope {
 public:
  RunningScope(bool& flag, MainWindowView& view) : flag_(flag), view_(view) {
    flag_ = true;
    view_.Running(true);
  }
  ~RunningScope() {
    flag_ = false;
    view_.Running(false);
  }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;

 private:
  bool& flag_;
  MainWindowView& view_;
};

// The run's four paths, read from the window's fields whenever the run asks for them.
class FieldsSource : public FormsSource {
 public:
  explicit FieldsSource(const MainWindowView& view) : view_(view) {}
  std::string FormType() override { return view_.FieldText(PathField::kFormType); }
  std::string InputDirectory() override { return view_.FieldText(PathField::kInDir); }
  std::string OutputDirectory() override { return view_.FieldText(PathField::kOutDir); }
  std::string DataFile() override { return view_.FieldText(PathField::kExportTo); }
  std::string RejectDirectory() override { return view_.FieldText(PathField::kRejectDir); }

 private:
  const MainWindowView& view_;
};

}  // namespace

MainWindow::MainWindow(MainWindowView& view, std::string program_directory)
    : view_(view), product_(std::move(program_directory)), launcher_(LaunchDetached) {}

MainWindow::~MainWindow() = default;

void MainWindow::OnLoad() {
  product_.Load();
  data_file_options_ = product_.dataFile;
  view_.Identity(product_.title, product_.icon);
  SetAppTitle(product_.title);
  layout_ = std::make_unique<ResizeLayout>();
  layout_->SetLayout(view_.Form());
  InitControls();
}

void MainWindow::InitControls() {
  settings_ = std::make_unique<SettingsFile>();
  CommonDialog& dlg = view_.cDlg();
  FolderBrowser& bff = view_.BrowseFF1();
  settings_chooser_ = NewPathChooser(dlg, bff, "Open");
  in_dir_chooser_ = NewPathChooser(dlg, bff, "Choose Input Directory");
  out_dir_chooser_ = NewPathChooser(dlg, bff, "Choose Output Directory");
  form_type_chooser_ = NewPathChooser(dlg, bff, "Choose Form Type");
  data_file_chooser_ = NewPathChooser(dlg, bff, "Pick or Enter a File for the Data");
  reject_dir_chooser_ = NewPathChooser(dlg, bff, "Choose Rejected Forms Directory");
  rpt_ = std::make_unique<ReportListView>();
  rpt_->LV(&view_.ListView1());
  rpt_->cols(2);
  rpt_->ColumnHeaderWidth(0, "File", 85);
  rpt_->ColumnHeaderWidth(1, "Status", 15);
  rpt_->Resize();
}

std::unique_ptr<PathChooser> MainWindow::NewPathChooser(CommonDialog& dialog,
                                                        FolderBrowser& folderBrowser,
                                                        const std::string& title) {
  auto chooser = std::make_unique<PathChooser>();
  chooser->CommonDialogControl(&dialog);
  chooser->BrowseFFControl(&folderBrowser);
  chooser->Title(title);
  return chooser;
}

void MainWindow::OnResize() {
  if (!layout_) return;
  layout_->RedrawLayout();
  ResizeList();
}

void MainWindow::ResizeList() {
  if (rpt_) rpt_->Resize();
}

void MainWindow::OnUnload() {
  layout_.reset();
}

// Installed, the shipped settings lie read-only in the data directory: Open and Save As start in
// the user's own settings folder instead.
std::string MainWindow::SettingsFolder() const {
  if (installed_) {
    const std::string folder = UserFolder(UserConfigDirectory());
    if (!folder.empty()) return folder;
  }
  return ProgramPath("Settings");
}

// The user's own form types when there are any, else the bundled ones.
std::string MainWindow::FormTypesFolder() const {
  if (installed_) {
    const std::string own = JoinPath(UserDataDirectory(), "FormTypes");
    std::error_code ec;
    if (std::filesystem::is_directory(own, ec)) return own;
  }
  return ProgramPath("FormTypes");
}

std::string MainWindow::ProgramPath(const std::string& name) const {
  return product_.program_directory + kPathSeparator + name;
}

void MainWindow::AppCmd(const std::string& pCmd, const std::vector<std::string>& pArg) {
  const std::string cmd = LowerAscii(pCmd);
  if (cmd == "open") {
    LoadSettings(FirstArgument(pArg));
  } else if (cmd == "save") {
    SaveSettings();
  } else if (cmd == "saveas") {
    SaveSettingsAs(FirstArgument(pArg));
  } else if (cmd == "go") {
    ProcessForms();
  } else if (cmd == "exit") {
    view_.Unload();
  }
}

void MainWindow::SetFormType(const std::string& text) {
  view_.FieldText(PathField::kFormType, text);
}
void MainWindow::SetInDir(const std::string& text) {
  view_.FieldText(PathField::kInDir, text);
}
void MainWindow::SetOutDir(const std::string& text) {
  view_.FieldText(PathField::kOutDir, text);
}
void MainWindow::SetExportTo(const std::string& text) {
  view_.FieldText(PathField::kExportTo, text);
}
void MainWindow::SetRejectDir(const std::string& text) {
  view_.FieldText(PathField::kRejectDir, text);
}

// Rows 0 to 4 of the settings file are the form type, input directory, output directory, data
// file and rejected-forms directory. A settings file of fewer lines (written by hand, or before
// the fifth line existed) empties the fields it says nothing about rather than failing.
void MainWindow::LoadSettings(const std::string& path) {
  settings_->fn(ExpandHome(path));
  settings_->Load();
  const PathField fields[] = {PathField::kFormType, PathField::kInDir, PathField::kOutDir,
                              PathField::kExportTo, PathField::kRejectDir};
  for (Int16 i = 0; i < 5; ++i) {
    view_.FieldText(fields[i], i < settings_->Rows() ? settings_->Data(i) : std::string());
  }
  view_.SettingsFileUsed(settings_->fn());
}

// A file of four lines stays one of four lines while the rejected-forms field is empty.
void MainWindow::SaveSettings() {
  if (settings_->Rows() < 4) settings_->Rows(4);
  const std::string reject = Field(PathField::kRejectDir);
  if (settings_->Rows() < 5 && !reject.empty()) settings_->Rows(5);
  settings_->Data(0, Field(PathField::kFormType));
  settings_->Data(1, Field(PathField::kInDir));
  settings_->Data(2, Field(PathField::kOutDir));
  settings_->Data(3, Field(PathField::kExportTo));
  if (settings_->Rows() >= 5) settings_->Data(4, reject);
  settings_->Save();
  view_.SettingsFileUsed(settings_->fn());
}

void MainWindow::SaveSettingsAs(const std::string& path) {
  if (OrdinaryFileExists(path)) {
    const MsgAnswer answer = MsgBox(path + " already exists.\nDo you want to replace it?",
                                    MsgButtons::kYesNo, MsgIcon::kNone);
    if (answer != MsgAnswer::kYes) return;
  }
  settings_->fn(path);
  SaveSettings();
}

// The run holds the window until it ends; between status changes the window shows the list as
// it stands. A second run cannot start meanwhile: the window disables its commands.
void MainWindow::ProcessForms() {
  if (running_) return;
  RunningScope scope(running_, view_);
  FieldsSource fields(view_);
  const ScopedDataFileOptions dataOptions(data_file_options_);
  // Encrypted workbooks open with SHEAVER_PASSWORD, else the settings file's password line.
  const ScopedWorkbookPassword password(RunPassword(
      std::nullopt,
      settings_->Rows() > kSettingsPasswordLine ? settings_->Data(kSettingsPasswordLine) : ""));
  RunOptions options;
  options.durable = product_.durable;
  options.notice = [](const std::string& message) {
    MsgBox(message, MsgButtons::kOk, MsgIcon::kInformation);
  };
  view_.StatusText("");
  const auto start = std::chrono::steady_clock::now();
  const RunSummary summary = ::sheaver::ProcessForms(
      fields, *rpt_, [this](Int16, std::string_view) { view_.Repaint(); }, options);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  view_.StatusText(RunSummaryText(summary, seconds));
}

void MainWindow::OnDataFileOptions() {
  DataFileOptionsChoice choice = ChoiceFor(data_file_options_);
  if (view_.EditDataFileOptions(choice)) data_file_options_ = OptionsFor(choice);
}

void MainWindow::OnFileOpen() {
  settings_chooser_->Title("Open");
  settings_chooser_->InitDir(SettingsFolder());
  // Without a settings file open, the chooser offers the last one used.
  if (settings_->fn().empty() && !last_settings_file_.empty())
    settings_chooser_->Path(last_settings_file_);
  settings_chooser_->Filter(kSettingsFilter);
  if (settings_chooser_->ChooseExistingFile()) AppCmd("Open", {settings_chooser_->Path()});
}

void MainWindow::OnFileSave() {
  if (!settings_->fn().empty()) {
    AppCmd("Save", {});
  } else {
    OnFileSaveAs();
  }
}

void MainWindow::OnFileSaveAs() {
  settings_chooser_->Title("Save As");
  settings_chooser_->InitDir(SettingsFolder());
  // Without a settings file open, the chooser offers the last one used.
  if (settings_->fn().empty() && !last_settings_file_.empty())
    settings_chooser_->Path(last_settings_file_);
  settings_chooser_->Filter(kSettingsFilter);
  if (settings_chooser_->ChooseFile()) AppCmd("SaveAs", {settings_chooser_->Path()});
}

void MainWindow::OnFileExit() {
  view_.Unload();
}

void MainWindow::OnHelpContents() {
  BrowseTo(HelpAddress(product_.program_directory, product_.help));
}
void MainWindow::OnHelpFaq() {
  BrowseTo(HelpAddress(product_.program_directory, product_.faqurl));
}
void MainWindow::OnHelpSupport() {
  BrowseTo(HelpAddress(product_.program_directory, product_.supporturl));
}

void MainWindow::OnHelpAbout() {
  view_.ShowAbout(MakeAboutBox(product_));
}

void MainWindow::OnChooseFormType() {
  form_type_chooser_->InitDir(FormTypesFolder());
  form_type_chooser_->Filter(kFormTypeFilter);
  form_type_chooser_->Path(Field(PathField::kFormType));
  form_type_chooser_->ChooseExistingFile();
  view_.FieldText(PathField::kFormType, form_type_chooser_->Path());
}

void MainWindow::OnChooseInputDirectory() {
  in_dir_chooser_->InitDir(HomeDirectory());
  in_dir_chooser_->Path(Field(PathField::kInDir));
  in_dir_chooser_->ChooseDir();
  view_.FieldText(PathField::kInDir, in_dir_chooser_->Path());
}

void MainWindow::OnChooseOutputDirectory() {
  out_dir_chooser_->InitDir(HomeDirectory());
  out_dir_chooser_->Path(Field(PathField::kOutDir));
  out_dir_chooser_->ChooseDir();
  view_.FieldText(PathField::kOutDir, out_dir_chooser_->Path());
}

void MainWindow::OnChooseDataFile() {
  data_file_chooser_->InitDir(HomeDirectory());
  data_file_chooser_->Filter(kDataFileFilter);
  data_file_chooser_->Path(Field(PathField::kExportTo));
  data_file_chooser_->ChooseFile();
  view_.FieldText(PathField::kExportTo, data_file_chooser_->Path());
}

void MainWindow::OnChooseRejectDirectory() {
  reject_dir_chooser_->InitDir(HomeDirectory());
  reject_dir_chooser_->Path(Field(PathField::kRejectDir));
  reject_dir_chooser_->ChooseDir();
  view_.FieldText(PathField::kRejectDir, reject_dir_chooser_->Path());
}

void MainWindow::InstalledLayout(const std::string& programs, const std::string& config) {
  programs_directory_ = programs;
  product_.config_directory = config;
  installed_ = true;
}

void MainWindow::Launch(const std::string& program, const std::string& argument) {
  if (launcher_(program, argument) < 0) {
    Raise(err::kFileNotFound, "Cannot start " + program +
                                  ": File not found (the program is not installed, or it "
                                  "cannot be run)");
  }
}

void MainWindow::OnEditFormType() {
  Launch(programs_directory_.empty() ? ProgramPath(kFormTypeEditor)
                                     : JoinPath(programs_directory_, kFormTypeEditor),
         Field(PathField::kFormType));
}

void MainWindow::OnView() {
  const std::string data_file = Field(PathField::kExportTo);
  if (data_file.empty()) return;
  Launch(kDesktopOpener, data_file);
}

void MainWindow::OnRun() {
  const std::pair<PathField, const char*> needed[] = {{PathField::kFormType, "Form Type"},
                                                      {PathField::kInDir, "Input Directory"},
                                                      {PathField::kExportTo, "Export Data to"}};
  for (const auto& [field, caption] : needed) {
    if (Field(field).find_first_not_of(' ') == std::string::npos) {
      MsgBox(std::string("Fill in ") + caption + " before pressing Run.", MsgButtons::kOk,
             MsgIcon::kExclamation);
      return;
    }
  }
  ProcessForms();
}

void MainWindow::OnExit() {
  view_.Unload();
}

void MainWindow::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const FatalError& fatal) {
    view_.Repaint();
    ReportFatal(fatal);
    view_.End(1);
  } catch (const std::exception& e) {
    view_.Repaint();
    MsgBox(RuntimeErrorText(AsError(e)), MsgButtons::kOk, MsgIcon::kCritical);
    error_status_ = 1;
  }
}

ProgramLauncher MainWindow::Launcher(ProgramLauncher launcher) {
  if (!launcher) launcher = LaunchDetached;
  return std::exchange(launcher_, std::move(launcher));
}

std::string RunSummaryText(const RunSummary& summary, double seconds) {
  char time[32];
  std::snprintf(time, sizeof time, "%.1f", seconds);
  std::string text =
      std::to_string(summary.filed) + (summary.filed == 1 ? " workbook" : " workbooks") + " filed";
  if (summary.rejected > 0) text += ", " + std::to_string(summary.rejected) + " rejected";
  text += ", " + std::to_string(summary.records) + (summary.records == 1 ? " record" : " records") +
          " appended in " + time + " s";
  return text;
}

std::string HomeDirectory() {
  return UserHomeDirectory();
}

std::string HelpAddress(const std::string& program_directory, const std::string& value) {
  if (value.empty() || HasScheme(value) || value.front() == kPathSeparator) return value;
  return program_directory + kPathSeparator + value;
}

}  // namespace sheaver
