#include "app/qt/qt_main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "app/qt/data_file_options_dialog.h"
#include "platform/filesystem.h"
#include "platform/program_paths.h"
#include "platform/qt/icons.h"
#include "platform/qt/qt_file_dialogs.h"
#include "platform/qt/qt_list_view.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window.h"
#include "product/qt/about_dialog.h"
#include "runtime/msgbox.h"

namespace sheaver {
namespace {

// Where the window keeps what it remembers between starts.
constexpr const char* kRecentKey = "RecentSettingsFiles";
constexpr const char* kGeometryKey = "MainWindowGeometry";

QSettings Remembered() {
  return QSettings(QStringLiteral("Sheaver"), QStringLiteral("Sheaver"));
}

// The local path of a drag that carries exactly one local file or folder; "" for any other.
QString DroppedPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  return url.isLocalFile() ? QDir::cleanPath(url.toLocalFile()) : QString();
}

// A control's place in its container, in twips.
struct Twips {
  double left, top, width, height;
};

template <typename T>
T* Place(T* widget, const char* name, const Twips& at, const char* tag = nullptr) {
  widget->setObjectName(name);
  const ScreenScale scale = ScaleOf(*widget);
  widget->setGeometry(scale.ToPixels(at.left), scale.ToPixels(at.top), scale.ToPixels(at.width),
                      scale.ToPixels(at.height));
  if (tag != nullptr) widget->setProperty(kTagProperty, QString(tag));
  return widget;
}

QLabel* NewLabel(QWidget* parent, const char* name, const char* caption, const Twips& at,
                 const char* tag = nullptr) {
  auto* label = Place(new QLabel(caption, parent), name, at, tag);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* caption, const Twips& at,
                       const char* tag) {
  auto* button = Place(new QPushButton(caption, parent), name, at, tag);
  button->setAutoDefault(false);
  return button;
}

QLineEdit* NewTextBox(QWidget* parent, const char* name, const Twips& at, const char* tag) {
  return Place(new QLineEdit(parent), name, at, tag);
}

// The captions were laid out for a small font of 8 points; the desktop's own font is
// often larger and wider. The window keeps the desktop's font family at the largest size, from 9
// points down to 7, at which every label's caption fits its label and a line of text fits the
// text boxes.
QFont FittingFont(QFont font, const std::vector<const QLabel*>& labels, int text_box_height) {
  const double largest = 9;
  const double smallest = 7;
  double size = font.pointSizeF() > 0 ? std::min(font.pointSizeF(), largest) : largest;
  for (;; size -= 0.5) {
    font.setPointSizeF(size);
    const QFontMetrics metrics(font);
    bool fits = metrics.height() + 6 <= text_box_height;
    for (const QLabel* label : labels) {
      // The access key's "&" is not drawn.
      const QString shown = QString(label->text()).remove(QLatin1Char('&'));
      fits = fits && metrics.horizontalAdvance(shown) + 2 <= label->width();
    }
    if (fits || size <= smallest) return font;
  }
}

}  // namespace

QtMainWindow::QtMainWindow(const MainWindowOptions& options) {
  setObjectName("MainWindow");
  if (options.dialog == nullptr) own_dialog_ = std::make_unique<QtCommonDialog>(this);
  if (options.browser == nullptr) own_browser_ = std::make_unique<QtFolderBrowser>(this);
  end_program_ = options.end_program ? options.end_program
                                     : [](int status) { QCoreApplication::exit(status); };
  dialog_ = options.dialog != nullptr ? options.dialog : own_dialog_.get();
  browser_ = options.browser != nullptr ? options.browser : own_browser_.get();

  BuildControls();
  BuildMenus();
  list_ = std::make_unique<QtListView>(*ListView1_);
  window_ = std::make_unique<QtWindow>(*this, *centralWidget());
  MainWindowView& view = *this;
  if (options.program_directory.empty()) {
    const ProgramPaths paths = FindProgramPaths();
    form_ = std::make_unique<MainWindow>(view, paths.data);
    if (paths.installed) form_->InstalledLayout(paths.programs, paths.config);
  } else {
    form_ = std::make_unique<MainWindow>(view, options.program_directory);
  }
  std::vector<std::string> stored;
  for (const QString& path : Remembered().value(kRecentKey).toStringList())
    stored.push_back(FromQString(path));
  recent_ = RecentFiles(stored);
  UpdateRecent();

  // The laid-out size: the client area below the menu bar, as the layout was drawn.
  const ScreenScale scale = ScaleOf(*this);
  const QSize design(scale.ToPixels(kClientWidthTwips),
                     scale.ToPixels(kClientHeightTwips) + menuBar()->sizeHint().height());
  resize(design);
  // Smaller than the laid-out size would cut controls off: the layout never shrinks them.
  setMinimumSize(design);
}

QtMainWindow::~QtMainWindow() {
  // The MainWindow borrows the controls; it goes first.
  form_.reset();
}

void QtMainWindow::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);

  Frame1_ = Place(new QGroupBox("Settings", client), "Frame1", {120, 120, 8055, 2295}, "W=1");
  // The labels of the fields reach up to their text boxes (at least 1440 twips), so that the
  // desktop's fonts, wider than the one the layout was drawn with, do not cut their captions.
  auto* Label1 = NewLabel(Frame1_, "Label1", "Form &Type:", {120, 360, 1440, 285});
  txtFormType_ = NewTextBox(Frame1_, "txtFormType", {1560, 360, 5175, 285}, "W=1");
  auto* cmdEditFormType = NewButton(Frame1_, "cmdEditFormType", "", {6840, 360, 495, 315}, "X=1");
  cmdEditFormType->setIcon(EditIcon());
  cmdEditFormType->setToolTip("Edit the form type");
  cmdEditFormType->setAccessibleName("Edit the form type");
  auto* cmdGetFormType = NewButton(Frame1_, "cmdGetFormType", "...", {7440, 360, 495, 315}, "X=1");
  cmdGetFormType->setToolTip("Choose the form type");
  cmdGetFormType->setAccessibleName("Choose the form type");
  auto* Label6 = NewLabel(Frame1_, "Label6", "&Input Directory:", {120, 720, 1440, 315});
  txtInDir_ = NewTextBox(Frame1_, "txtInDir", {1560, 720, 5775, 315}, "W=1");
  auto* cmdGetInDir = NewButton(Frame1_, "cmdGetInDir", "...", {7440, 720, 495, 315}, "X=1");
  cmdGetInDir->setToolTip("Choose the input directory");
  cmdGetInDir->setAccessibleName("Choose the input directory");
  auto* Label7 = NewLabel(Frame1_, "Label7", "&Output Directory:", {120, 1080, 1575, 315});
  txtOutDir_ = NewTextBox(Frame1_, "txtOutDir", {1560, 1080, 5775, 315}, "W=1");
  auto* cmdGetOutDir = NewButton(Frame1_, "cmdGetOutDir", "...", {7440, 1080, 495, 315}, "X=1");
  cmdGetOutDir->setToolTip("Choose the output directory");
  cmdGetOutDir->setAccessibleName("Choose the output directory");
  auto* Label8 = NewLabel(Frame1_, "Label8", "Export &Data to:", {120, 1440, 1440, 315});
  txtExportTo_ = NewTextBox(Frame1_, "txtExportTo", {1560, 1440, 5775, 315}, "W=1");
  auto* cmdGetExportTo = NewButton(Frame1_, "cmdGetExportTo", "...", {7440, 1440, 495, 315}, "X=1");
  cmdGetExportTo->setToolTip("Choose the data file");
  cmdGetExportTo->setAccessibleName("Choose the data file");
  auto* Label9 = NewLabel(Frame1_, "Label9", "&Rejected Forms to:", {120, 1800, 1440, 315});
  txtRejectDir_ = NewTextBox(Frame1_, "txtRejectDir", {1560, 1800, 5775, 315}, "W=1");
  auto* cmdGetRejectDir =
      NewButton(Frame1_, "cmdGetRejectDir", "...", {7440, 1800, 495, 315}, "X=1");
  cmdGetRejectDir->setToolTip("Choose the directory for forms that cannot be filed");
  cmdGetRejectDir->setAccessibleName("Choose the directory for forms that cannot be filed");

  auto* Label5 = NewLabel(client, "Label5", "&Progress", {120, 2520, 2175, 255});
  // Made before the list, so that the list lies over it.
  NewLabel(client, "Label2", "Save to:", {120, 3360, 8055, 375}, "Y=1");
  ListView1_ = Place(new QTreeWidget(client), "ListView1", {120, 2760, 8055, 1695}, "W=1 H=1");
  ListView1_->setTextElideMode(Qt::ElideMiddle);
  ListView1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  cmdGo_ = NewButton(client, "cmdGo", "R&un", {5040, 4560, 975, 375}, "X=1 Y=1");
  cmdView_ = NewButton(client, "cmdView", "&View", {6120, 4560, 975, 375}, "X=1 Y=1");
  cmdExit_ = NewButton(client, "cmdExit", "E&xit", {7200, 4560, 975, 375}, "X=1 Y=1");

  // Each label's access key (Alt and its underlined letter) moves to its field, and screen
  // readers announce the field by its label. Alt+F and Alt+H are left to the menus.
  Label1->setBuddy(txtFormType_);
  Label6->setBuddy(txtInDir_);
  Label7->setBuddy(txtOutDir_);
  Label8->setBuddy(txtExportTo_);
  Label9->setBuddy(txtRejectDir_);
  Label5->setBuddy(ListView1_);

  // Tab order: the fields with their buttons, the list, Run, View, Exit.
  QWidget* order[] = {txtFormType_,   cmdEditFormType, cmdGetFormType,  txtInDir_,
                      cmdGetInDir,    txtOutDir_,      cmdGetOutDir,    txtExportTo_,
                      cmdGetExportTo, txtRejectDir_,   cmdGetRejectDir, ListView1_,
                      cmdGo_,         cmdView_,        cmdExit_};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  for (QLineEdit* field : {txtFormType_, txtInDir_, txtOutDir_, txtExportTo_, txtRejectDir_})
    field->installEventFilter(this);

  std::vector<const QLabel*> labels;
  for (const QLabel* label : client->findChildren<QLabel*>()) labels.push_back(label);
  setFont(FittingFont(font(), labels, txtFormType_->height()));

  connect(cmdEditFormType, &QPushButton::clicked, this,
          [this] { Handle(&MainWindow::OnEditFormType); });
  connect(cmdGetFormType, &QPushButton::clicked, this,
          [this] { Handle(&MainWindow::OnChooseFormType); });
  connect(cmdGetInDir, &QPushButton::clicked, this,
          [this] { Handle(&MainWindow::OnChooseInputDirectory); });
  connect(cmdGetOutDir, &QPushButton::clicked, this,
          [this] { Handle(&MainWindow::OnChooseOutputDirectory); });
  connect(cmdGetExportTo, &QPushButton::clicked, this,
          [this] { Handle(&MainWindow::OnChooseDataFile); });
  connect(cmdGetRejectDir, &QPushButton::clicked, this,
          [this] { Handle(&MainWindow::OnChooseRejectDirectory); });
  connect(cmdGo_, &QPushButton::clicked, this, [this] { Handle(&MainWindow::OnRun); });
  connect(cmdView_, &QPushButton::clicked, this, [this] { Handle(&MainWindow::OnView); });
  connect(cmdExit_, &QPushButton::clicked, this, [this] { Handle(&MainWindow::OnExit); });
}

void QtMainWindow::BuildMenus() {
  struct Item {
    const char* name;
    const char* caption;  // nullptr for a separator
    void (MainWindow::*handler)();
    QKeySequence shortcut;
  };
  auto add_menu = [this](const char* name, const char* caption, std::initializer_list<Item> items) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    for (const Item& item : items) {
      if (item.caption == nullptr) {
        menu->addSeparator();
        continue;
      }
      QAction* action = menu->addAction(QString::fromUtf8(item.caption));
      action->setObjectName(item.name);
      action->setShortcut(item.shortcut);
      auto handler = item.handler;
      connect(action, &QAction::triggered, this, [this, handler] { Handle(handler); });
    }
  };
  add_menu("mnuFile", "&File",
           {{"mnuFileOpen", "&Open…", &MainWindow::OnFileOpen, QKeySequence::Open},
            {"mnuFileSave", "&Save", &MainWindow::OnFileSave, QKeySequence::Save},
            {"mnuFileSaveAs", "Save &As…", &MainWindow::OnFileSaveAs, QKeySequence::SaveAs},
            {nullptr, nullptr, nullptr, {}},
            {"mnuFileDataFileOptions", "&Data File Options…", &MainWindow::OnDataFileOptions, {}},
            {nullptr, nullptr, nullptr, {}},
            {"mnuFileExit", "E&xit", &MainWindow::OnFileExit, QKeySequence::Quit}});
  // File > Recent, below Save As.
  QMenu* file = findChild<QMenu*>("mnuFile");
  const QList<QAction*> file_items = file->actions();
  mnuFileRecent_ = new QMenu("&Recent", file);
  mnuFileRecent_->setObjectName("mnuFileRecent");
  file->insertMenu(file_items.at(3), mnuFileRecent_);
  add_menu(
      "mnuHelp", "&Help",
      {{"mnuHelpContents", "&Contents", &MainWindow::OnHelpContents, QKeySequence::HelpContents},
       {nullptr, nullptr, nullptr, {}},
       {"mnuHelpFAQ", "&FAQ", &MainWindow::OnHelpFaq, {}},
       {"mnuHelpSupport", "&Support", &MainWindow::OnHelpSupport, {}},
       {nullptr, nullptr, nullptr, {}},
       {"mnuHelpAbout", "&About", &MainWindow::OnHelpAbout, {}}});
}

void QtMainWindow::Handle(void (MainWindow::*handler)()) {
  form_->Guarded([this, handler] { ((*form_).*handler)(); });
}

void QtMainWindow::LoadAndShow() {
  form_->OnLoad();
  // After loading, which records the layout at its laid-out size.
  const QByteArray geometry = Remembered().value(kGeometryKey).toByteArray();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  show();
}

void QtMainWindow::SettingsFileUsed(const std::string& path) {
  recent_.Add(path);
  UpdateRecent();
}

void QtMainWindow::UpdateRecent() {
  QStringList paths;
  for (const std::string& path : recent_.Paths()) paths << ToQString(path);
  Remembered().setValue(kRecentKey, paths);
  if (form_) form_->LastSettingsFile(recent_.Newest());

  mnuFileRecent_->clear();
  int number = 0;
  for (const std::string& path : recent_.Paths()) {
    ++number;
    QString text = ToQString(path);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* action = mnuFileRecent_->addAction(QStringLiteral("&%1 %2").arg(number).arg(text));
    action->setObjectName(QStringLiteral("mnuFileRecent%1").arg(number));
    connect(action, &QAction::triggered, this, [this, path] { OpenRecent(path); });
  }
  mnuFileRecent_->setEnabled(number > 0);
}

void QtMainWindow::OpenRecent(const std::string& path) {
  if (!OrdinaryFileExists(path)) {
    MsgBox(path + " no longer exists.\nIt is removed from the recent files.", MsgButtons::kOk,
           MsgIcon::kExclamation);
    recent_.Remove(path);
    UpdateRecent();
    return;
  }
  form_->Guarded([this, path] { form_->AppCmd("Open", {path}); });
}

QLineEdit& QtMainWindow::FieldWidget(PathField field) const {
  switch (field) {
    case PathField::kFormType:
      return *txtFormType_;
    case PathField::kInDir:
      return *txtInDir_;
    case PathField::kOutDir:
      return *txtOutDir_;
    case PathField::kRejectDir:
      return *txtRejectDir_;
    case PathField::kExportTo:
      break;
  }
  return *txtExportTo_;
}

std::string QtMainWindow::FieldText(PathField field) const {
  return FromQString(FieldWidget(field).text());
}

void QtMainWindow::FieldText(PathField field, const std::string& text) {
  FieldWidget(field).setText(ToQString(text));
}

Window& QtMainWindow::Form() {
  return *window_;
}
ListViewControl& QtMainWindow::ListView1() {
  return *list_;
}
CommonDialog& QtMainWindow::cDlg() {
  return *dialog_;
}
FolderBrowser& QtMainWindow::BrowseFF1() {
  return *browser_;
}

void QtMainWindow::Identity(const std::string& caption, const std::string& icon) {
  setWindowTitle(ToQString(caption));
  const QIcon picture = ProductIcon(icon);
  setWindowIcon(picture);
  QApplication::setWindowIcon(picture);
}

void QtMainWindow::ShowAbout(const AboutBoxContent& about) {
  AboutDialog box(about, this);
  box.exec();
}

bool QtMainWindow::EditDataFileOptions(DataFileOptionsChoice& choice) {
  DataFileOptionsDialog dialog(choice, this);
  if (dialog.exec() != QDialog::Accepted) return false;
  choice = dialog.Choice();
  return true;
}

void QtMainWindow::Unload() {
  close();
}

void QtMainWindow::Running(bool running) {
  // Disabled controls drop the clicks and keys meant for them while the run shows its progress,
  // so nothing waits to start a second run; the list stays live and can be scrolled.
  Frame1_->setEnabled(!running);
  cmdGo_->setEnabled(!running);
  cmdView_->setEnabled(!running);
  cmdExit_->setEnabled(!running);
  menuBar()->setEnabled(!running);
  if (running) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtMainWindow::Repaint() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtMainWindow::StatusText(const std::string& text) {
  statusBar()->showMessage(QString::fromStdString(text));
}

void QtMainWindow::End(int exit_status) {
  exit_status_ = exit_status;
  ending_ = true;
  close();
  end_program_(exit_status);
}

void QtMainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (form_) Handle(&MainWindow::OnResize);
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* field = qobject_cast<QLineEdit*>(watched);
  if (field == nullptr || !field->isEnabled()) return QMainWindow::eventFilter(watched, event);
  if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
    auto* drag = static_cast<QDragMoveEvent*>(event);
    if (DroppedPath(drag->mimeData()).isEmpty()) return QMainWindow::eventFilter(watched, event);
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    return true;
  }
  if (event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    const QString path = DroppedPath(drop->mimeData());
    if (path.isEmpty()) return QMainWindow::eventFilter(watched, event);
    field->setText(path);
    field->setFocus();
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
  // A run holds the window until it ends; closing it then would pull the list from under it.
  if (form_->Running() && !ending_) {
    event->ignore();
    return;
  }
  Remembered().setValue(kGeometryKey, saveGeometry());
  form_->OnUnload();
  event->accept();
}

}  // namespace sheaver
