#include "gridmend/qt/gridmend_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoCommand>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "extract/preview.h"
#include "gridmend/format_choices.h"
#include "gridmend/qt/sheet_table_model.h"
#include "platform/filesystem.h"
#include "platform/program_paths.h"
#include "platform/qt/icons.h"
#include "platform/qt/qt_file_dialogs.h"
#include "platform/qt/qt_list_view.h"
#include "platform/qt/qt_text.h"
#include "product/browse_to.h"
#include "runtime/msgbox.h"

namespace sheaver {
namespace {

constexpr const char* kProgramName = "Gridmend";

// Where the format box keeps an item's "code: example" line.
constexpr int kExampleRole = Qt::UserRole + 1;
// The preview runs when typing pauses for this long.
constexpr int kPreviewDelayMs = 150;
// Sheets with more cells than this keep the default column width (measuring them all is slow).
constexpr long long kMeasuredCells = 20000;

constexpr const char* kTableFilter =
    "Table Files (*.dat;*.csv)|*.dat;*.csv|Form Definition Files (*.dat)|*.dat|"
    "Comma Separated Value Files (*.csv)|*.csv|All Files (*.*)|*.*";
constexpr const char* kFormTypeFilter = "Form Definition Files (*.dat)|*.dat|All Files (*.*)|*.*";
constexpr const char* kCsvFilter = "Comma Separated Value Files (*.csv)|*.csv|All Files (*.*)|*.*";
constexpr const char* kWorkbookFilter =
    "Workbooks (*.xls;*.xlsx;*.xlsm;*.ods)|*.xls;*.xlsx;*.xlsm;*.ods|All Files (*.*)|*.*";

// Column widths in percent of the grid's width; a little is left for the vertical scroll bar,
// so that no horizontal one appears.
const std::vector<Int16> kFormTypeWidths = {26, 34, 36};
const std::vector<Int16> kKeyedFormTypeWidths = {24, 30, 32, 10};
constexpr int kTableWidthPercent = 96;
constexpr int kNarrowestColumnPercent = 8;

// The format box's list shows each code with its meaning and example; the box itself holds
// only the code.
class FormatItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant example = index.data(kExampleRole);
    if (example.isValid()) option->text = example.toString();
  }
};

// The folder of a path for a chooser to start in: "" (the chooser's own default) when the path
// names no folder.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind(kPathSeparator);
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

std::string ErrorText(const Error& e) {
  return e.Description() + " (error " + std::to_string(e.Number()) + ")";
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

QLabel* NoteLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  // One line that never widens the window; the whole text is its tool tip too.
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // Between the text's colour and the window's: a note, still easy to read.
  QPalette palette = label->palette();
  const QColor text = palette.color(QPalette::WindowText);
  const QColor window = palette.color(QPalette::Window);
  palette.setColor(QPalette::WindowText, QColor((2 * text.red() + window.red()) / 3,
                                                (2 * text.green() + window.green()) / 3,
                                                (2 * text.blue() + window.blue()) / 3));
  label->setPalette(palette);
  return label;
}

// One edit of the table for the undo stack: the contents and current row before and after it.
// Pushing it does nothing (the edit is already made); undo and redo put one side back through
// `restore`. Edits with the same id (one typed run in one cell) merge into one step.
class TableEdit : public QUndoCommand {
 public:
  using Restore = std::function<void(const TableDocument::Contents&, Int16 row)>;
  TableEdit(const QString& text, int id, TableDocument::Contents before, Int16 before_row,
            TableDocument::Contents after, Int16 after_row, Restore restore)
      : QUndoCommand(text),
        id_(id),
        before_(std::move(before)),
        after_(std::move(after)),
        before_row_(before_row),
        after_row_(after_row),
        restore_(std::move(restore)) {}

  void undo() override { restore_(before_, before_row_); }
  void redo() override {
    if (pushed_) restore_(after_, after_row_);
    pushed_ = true;
  }
  int id() const override { return id_; }
  bool mergeWith(const QUndoCommand* other) override {
    const auto* next = static_cast<const TableEdit*>(other);
    after_ = next->after_;
    after_row_ = next->after_row_;
    return true;
  }

 private:
  int id_;
  TableDocument::Contents before_, after_;
  Int16 before_row_, after_row_;
  Restore restore_;
  bool pushed_ = false;
};

// What an edit did, for the Undo and Redo menu items, from the contents before and after it.
QString EditName(const TableDocument::Contents& before, const TableDocument::Contents& after) {
  if (before.layout != after.layout) return "Header Line";
  if (after.cells.size() > before.cells.size()) return "Add Row";
  if (after.cells.size() < before.cells.size()) return "Delete Row";
  if (before.cols != after.cols) return "Key";
  std::vector<std::vector<std::string>> a = before.cells, b = after.cells;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b ? "Move Row" : "Edit";
}

}  // namespace

GridmendWindow::GridmendWindow(const GridmendWindowOptions& options) : options_(options) {
  if (options_.program_directory.empty()) options_.program_directory = FindProgramPaths().data;
  dialog_ = options_.dialog;
  if (dialog_ == nullptr) {
    own_dialog_ = std::make_unique<QtCommonDialog>(this);
    dialog_ = own_dialog_.get();
  }
  tableChooser_.CommonDialogControl(dialog_);
  sampleChooser_.CommonDialogControl(dialog_);

  setWindowIcon(EditIcon());
  undo_ = new QUndoStack(this);
  BuildControls();
  BuildMenus();
  previewTimer_ = new QTimer(this);
  previewTimer_->setSingleShot(true);
  previewTimer_->setInterval(kPreviewDelayMs);
  connect(previewTimer_, &QTimer::timeout, this, [this] { RefreshPreview(); });
  resize(1120, 720);
  Show(TableDocument());
}

GridmendWindow::~GridmendWindow() {
  // The widgets outlive this body (Qt deletes them with the window afterwards) and may still
  // paint: the sheet must not show a sample that is gone, the list no longer drives the tree.
  sheetModel_->Sample(nullptr);
  rpt_.reset();
  list_.reset();
}

// ---- Building the window ----

void GridmendWindow::BuildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* outer = new QHBoxLayout(central);
  auto* split = new QSplitter(Qt::Horizontal, central);
  split->setChildrenCollapsible(false);
  outer->addWidget(split);

  // Left: the table, the current field, the preview.
  auto* left = new QWidget(split);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);

  auto* tableBox = new QGroupBox("Fields", left);
  tableBox->setObjectName("fraTable");
  auto* tableLayout = new QVBoxLayout(tableBox);
  lvTable_ = new QTreeWidget(tableBox);
  lvTable_->setObjectName("lvTable");
  lvTable_->installEventFilter(this);
  tableLayout->addWidget(lvTable_);
  auto* buttons = new QHBoxLayout();
  cmdAdd_ = Button("cmdAdd", "&Add", tableBox);
  cmdDelete_ = Button("cmdDelete", "&Delete", tableBox);
  cmdUp_ = Button("cmdUp", "Move &Up", tableBox);
  cmdDown_ = Button("cmdDown", "Move Do&wn", tableBox);
  chkHeader_ = new QCheckBox("First line is a &header", tableBox);
  chkHeader_->setObjectName("chkHeader");
  for (QWidget* w : {static_cast<QWidget*>(cmdAdd_), static_cast<QWidget*>(cmdDelete_),
                     static_cast<QWidget*>(cmdUp_), static_cast<QWidget*>(cmdDown_)})
    buttons->addWidget(w);
  buttons->addStretch(1);
  buttons->addWidget(chkHeader_);
  tableLayout->addLayout(buttons);
  leftLayout->addWidget(tableBox, 3);

  auto* fieldBox = new QGroupBox("Current field", left);
  fieldPanel_ = fieldBox;
  auto* form = new QFormLayout(fieldBox);
  txtField_ = new QLineEdit(fieldBox);
  txtField_->setObjectName("txtField");
  txtField_->setPlaceholderText("the column's name in the data file's header line");
  form->addRow("&Name:", txtField_);
  txtReference_ = new QLineEdit(fieldBox);
  txtReference_->setObjectName("txtReference");
  txtReference_->setPlaceholderText("B2, C6:C12 or a defined name: pick it on the sample form");
  form->addRow("&Reference:", txtReference_);
  lblReference_ = NoteLabel("lblReference", fieldBox);
  form->addRow("", lblReference_);
  cboFormat_ = new QComboBox(fieldBox);
  cboFormat_->setObjectName("cboFormat");
  cboFormat_->setEditable(true);
  cboFormat_->setInsertPolicy(QComboBox::NoInsert);
  cboFormat_->setCompleter(nullptr);  // a free pattern is typed as it is, not completed
  cboFormat_->setItemDelegate(new FormatItemDelegate(cboFormat_));
  for (const FormatChoice& choice : FormatChoices()) {
    cboFormat_->addItem(ToQString(choice.code));
    const int i = cboFormat_->count() - 1;
    cboFormat_->setItemData(
        i, ToQString(choice.code + "   \u2192  " + choice.example + "   (" + choice.meaning + ")"),
        kExampleRole);
  }
  cboFormat_->view()->setMinimumWidth(cboFormat_->view()->sizeHintForColumn(0) + 24);
  cboFormat_->lineEdit()->setPlaceholderText("choose a code, or type a pattern");
  form->addRow("&Format:", cboFormat_);
  lblFormat_ = NoteLabel("lblFormat", fieldBox);
  form->addRow("", lblFormat_);
  chkKey_ = new QCheckBox("&Key: a record whose key fields are all empty is not written", fieldBox);
  chkKey_->setObjectName("chkKey");
  form->addRow("", chkKey_);
  fieldBox->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  leftLayout->addWidget(fieldBox, 0);

  auto* previewBox = new QGroupBox("Preview: the lines a run writes for the sample form", left);
  previewPanel_ = previewBox;
  auto* previewLayout = new QVBoxLayout(previewBox);
  lblPreview_ = new QLabel(previewBox);
  lblPreview_->setObjectName("lblPreview");
  lblPreview_->setWordWrap(true);
  lblPreview_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  previewLayout->addWidget(lblPreview_);
  txtPreview_ = new QPlainTextEdit(previewBox);
  txtPreview_->setObjectName("txtPreview");
  txtPreview_->setReadOnly(true);
  txtPreview_->setLineWrapMode(QPlainTextEdit::NoWrap);
  txtPreview_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  previewLayout->addWidget(txtPreview_);
  leftLayout->addWidget(previewBox, 2);

  // Right: the sample form.
  auto* sampleBox = new QGroupBox("Sample form", split);
  samplePanel_ = sampleBox;
  auto* sampleLayout = new QVBoxLayout(sampleBox);
  auto* sampleTop = new QHBoxLayout();
  auto* cmdSample = Button("cmdSample", "Open &Sample...", sampleBox);
  sampleTop->addWidget(cmdSample);
  lblSample_ = new QLabel(sampleBox);
  lblSample_->setObjectName("lblSample");
  sampleTop->addWidget(lblSample_, 1);
  sampleLayout->addLayout(sampleTop);
  auto* hint = NoteLabel("lblPickHint", sampleBox);
  hint->setWordWrap(true);
  hint->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  hint->setText(
      "Select a cell, or cells along one row or one column, or a name, to make it the current "
      "field's reference.");
  sampleLayout->addWidget(hint);
  auto* sampleSplit = new QSplitter(Qt::Vertical, sampleBox);
  tblSheet_ = new QTableView(sampleSplit);
  tblSheet_->setObjectName("tblSheet");
  sheetModel_ = new SheetTableModel(tblSheet_);
  tblSheet_->setModel(sheetModel_);
  tblSheet_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  tblSheet_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tblSheet_->verticalHeader()->setDefaultSectionSize(tblSheet_->fontMetrics().height() + 6);
  lvNames_ = new QTreeWidget(sampleSplit);
  lvNames_->setObjectName("lvNames");
  lvNames_->setRootIsDecorated(false);
  lvNames_->setHeaderLabels({"Defined name", "Refers to"});
  lvNames_->setSelectionMode(QAbstractItemView::SingleSelection);
  sampleSplit->addWidget(tblSheet_);
  sampleSplit->addWidget(lvNames_);
  sampleSplit->setStretchFactor(0, 4);
  sampleSplit->setStretchFactor(1, 1);
  sampleLayout->addWidget(sampleSplit, 1);
  lvNames_->hide();  // until a sample with defined names is open
  lblSample_->setText("No sample form open");

  split->addWidget(left);
  split->addWidget(sampleBox);
  split->setStretchFactor(0, 5);
  split->setStretchFactor(1, 6);

  // Edits of the grid, of the field panel, and picks on the sample.
  connect(lvTable_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (updating_ != 0) return;
    const auto row = static_cast<Int16>(lvTable_->indexOfTopLevelItem(item));
    Guarded("change the cell", [&] {
      SetCell(row, static_cast<Int16>(column), FromQString(item->text(column)));
      ShowCurrentRow();
    });
  });
  connect(lvTable_, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (updating_ != 0) return;
    ++updating_;
    tblSheet_->clearSelection();
    --updating_;
    ShowCurrentRow();
  });
  connect(txtField_, &QLineEdit::textEdited, this,
          [this](const QString& text) { SetCurrentCell(0, FromQString(text)); });
  connect(txtReference_, &QLineEdit::textEdited, this,
          [this](const QString& text) { SetCurrentCell(1, FromQString(text)); });
  connect(cboFormat_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (updating_ == 0) SetCurrentCell(2, FromQString(text));
  });
  connect(cboFormat_, &QComboBox::activated, this, [this](int index) {
    if (updating_ == 0) cboFormat_->setEditText(cboFormat_->itemText(index));
  });
  // What the table keeps (spaces trimmed) shows once typing is done.
  for (QLineEdit* edit : {txtField_, txtReference_, cboFormat_->lineEdit()})
    connect(edit, &QLineEdit::editingFinished, this, [this] {
      ++typing_session_;
      ShowCurrentRow();
    });

  connect(chkKey_, &QCheckBox::toggled, this, [this](bool key) {
    if (updating_ != 0) return;
    const Int16 row = CurrentRow();
    Guarded("change the key", [&] {
      const Int16 cols = doc_.Cols();
      if (!doc_.SetKey(row, key)) return;
      if (doc_.Cols() != cols) {
        FillGrid();  // the key column is new
        SelectRow(row);
      } else {
        ++updating_;
        rpt_->Data(row, 3, doc_.Cell(row, 3));
        --updating_;
      }
      Changed();
    });
  });
  connect(cmdAdd_, &QPushButton::clicked, this, [this] { AddRow(); });
  connect(cmdDelete_, &QPushButton::clicked, this, [this] { DeleteRow(); });
  connect(cmdUp_, &QPushButton::clicked, this, [this] { MoveUp(); });
  connect(cmdDown_, &QPushButton::clicked, this, [this] { MoveDown(); });
  connect(chkHeader_, &QCheckBox::toggled, this, [this](bool checked) {
    if (updating_ != 0) return;
    const Int16 row = CurrentRow();
    if (!doc_.HasHeader(checked)) {
      ++updating_;
      chkHeader_->setChecked(doc_.HasHeader());
      --updating_;
      statusBar()->showMessage("A table needs a row below its header line.", 5000);
      return;
    }
    FillGrid();
    SelectRow(std::max<Int16>(0, static_cast<Int16>(row + (checked ? -1 : 1))));
    Changed();
  });

  connect(cmdSample, &QPushButton::clicked, this, [this] { ChooseSample(); });
  // A selection made with the mouse is picked when the button is released (eventFilter), so
  // that the cells passed over while dragging are not picked on the way; one made with the
  // keyboard is picked as it changes.
  tblSheet_->viewport()->installEventFilter(this);
  connect(tblSheet_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (updating_ == 0 && !sheetMouseDown_) PickFromSheet();
  });
  connect(lvNames_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
    if (updating_ == 0 && current != nullptr) PickName(current);
  });
  connect(lvNames_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    if (updating_ == 0) PickName(item);
  });
}

void GridmendWindow::BuildMenus() {
  auto add = [this](QMenu* menu, const char* name, const QString& text, const QKeySequence& keys,
                    std::function<void()> handler) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    return action;
  };
  QMenu* file = menuBar()->addMenu("&File");
  add(file, "mnuFileNew", "&New", QKeySequence::New, [this] { FileNew(); });
  add(file, "mnuFileOpen", "&Open…", QKeySequence::Open, [this] { FileOpen(); });
  add(file, "mnuFileSave", "&Save", QKeySequence::Save, [this] { FileSave(); });
  add(file, "mnuFileSaveAs", "Save &As…", QKeySequence::SaveAs, [this] { FileSaveAs(); });
  file->addSeparator();
  add(file, "mnuFileExit", "E&xit", QKeySequence::Quit, [this] { close(); });

  QMenu* edit = menuBar()->addMenu("&Edit");
  QAction* undo = undo_->createUndoAction(this, "&Undo");
  undo->setObjectName("mnuEditUndo");
  undo->setShortcut(QKeySequence::Undo);
  QAction* redo = undo_->createRedoAction(this, "&Redo");
  redo->setObjectName("mnuEditRedo");
  redo->setShortcut(QKeySequence::Redo);
  edit->addAction(undo);
  edit->addAction(redo);
  edit->addSeparator();
  add(edit, "mnuEditAdd", "&Add Row", QKeySequence(Qt::CTRL | Qt::Key_Insert),
      [this] { AddRow(); });
  mnuEditDelete_ = add(edit, "mnuEditDelete", "&Delete Row",
                       QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { DeleteRow(); });
  mnuEditUp_ =
      add(edit, "mnuEditUp", "Move &Up", QKeySequence(Qt::ALT | Qt::Key_Up), [this] { MoveUp(); });
  mnuEditDown_ = add(edit, "mnuEditDown", "Move Do&wn", QKeySequence(Qt::ALT | Qt::Key_Down),
                     [this] { MoveDown(); });

  QMenu* sample = menuBar()->addMenu("&Sample");
  add(sample, "mnuSampleOpen", "&Open Sample Form…", QKeySequence(Qt::CTRL | Qt::Key_L),
      [this] { ChooseSample(); });

  QMenu* help = menuBar()->addMenu("&Help");
  add(help, "mnuHelpContents", "&Contents", QKeySequence::HelpContents, [this] {
    QUrl page =
        QUrl::fromLocalFile(ToQString(JoinPath(options_.program_directory, "Help/index.html")));
    page.setFragment("gridmend");
    BrowseTo(FromQString(page.toString(QUrl::FullyEncoded)));
  });
}

// ---- Documents ----

void GridmendWindow::Guarded(const std::string& what, const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    MsgBox("Could not " + what + ".\n\n" + ErrorText(AsError(e)), MsgButtons::kOk,
           MsgIcon::kCritical);
  }
}

void GridmendWindow::Start(const std::string& path) {
  if (path.empty()) {
    Show(TableDocument());
  } else if (!PathExists(path)) {
    Show(TableDocument(path));
    statusBar()->showMessage(ToQString("A new form type: Save writes it to " + path + "."));
  } else if (!Load(path)) {
    Show(TableDocument());
  }
}

bool GridmendWindow::MayDiscard() {
  if (!doc_.Modified()) return true;
  const std::string name =
      doc_.Path().empty() ? "The new form type" : std::string(FileNameOf(doc_.Path()));
  switch (MsgBox(name + " has changes that are not saved.\nDo you want to save them?\n\n"
                        "Yes saves them, No discards them, Cancel goes back to editing.",
                 MsgButtons::kYesNoCancel, MsgIcon::kExclamation)) {
    case MsgAnswer::kYes:
      return FileSave();
    case MsgAnswer::kNo:
      return true;
    default:
      return false;
  }
}

void GridmendWindow::FileNew() {
  if (MayDiscard()) Show(TableDocument());
}

void GridmendWindow::FileOpen() {
  if (!MayDiscard()) return;
  tableChooser_.Title("Open Table File");
  tableChooser_.Filter(kTableFilter);
  tableChooser_.InitDir(doc_.Path().empty() ? JoinPath(options_.program_directory, "FormTypes")
                                            : FolderOf(doc_.Path()));
  tableChooser_.Path(doc_.Path());
  if (!tableChooser_.ChooseExistingFile()) return;
  Load(tableChooser_.Path());
}

bool GridmendWindow::OpenFile(const std::string& path) {
  return MayDiscard() && Load(path);
}

bool GridmendWindow::Load(const std::string& path) {
  std::vector<std::string> warnings;
  bool opened = false;
  Guarded("open " + path, [&] {
    Show(TableDocument::Open(path, warnings));
    opened = true;
  });
  if (!warnings.empty()) {
    std::string text;
    for (const std::string& w : warnings) text += (text.empty() ? "" : "\n\n") + w;
    MsgBox(text, MsgButtons::kOk, MsgIcon::kExclamation);
  }
  return opened;
}

bool GridmendWindow::ChooseSavePath(std::string& path) {
  tableChooser_.Title("Save As");
  tableChooser_.Filter(doc_.IsFormType() ? kFormTypeFilter : kCsvFilter);
  tableChooser_.InitDir(doc_.Path().empty() ? JoinPath(options_.program_directory, "FormTypes")
                                            : FolderOf(doc_.Path()));
  tableChooser_.Path(doc_.Path());
  if (!tableChooser_.ChooseFile()) return false;
  std::string chosen = tableChooser_.Path();
  if (chosen.empty()) return false;
  // A name typed without an extension gets the layout's own.
  if (FileNameOf(chosen).find('.') == std::string::npos)
    chosen += doc_.IsFormType() ? ".dat" : ".csv";
  if (chosen != doc_.Path() && PathExists(chosen) &&
      MsgBox(chosen + " already exists.\nDo you want to replace it?", MsgButtons::kYesNo,
             MsgIcon::kExclamation) != MsgAnswer::kYes)
    return false;
  path = chosen;
  return true;
}

bool GridmendWindow::FileSave() {
  if (doc_.Path().empty()) return FileSaveAs();
  bool saved = false;
  Guarded("save " + doc_.Path(), [&] {
    doc_.Save();
    saved = true;
  });
  if (saved) statusBar()->showMessage(ToQString("Saved " + doc_.Path()), 5000);
  UpdateCaption();
  return saved;
}

bool GridmendWindow::FileSaveAs() {
  std::string path;
  if (!ChooseSavePath(path)) return false;
  bool saved = false;
  Guarded("save " + path, [&] {
    doc_.SaveAs(path);
    saved = true;
  });
  if (saved) statusBar()->showMessage(ToQString("Saved " + doc_.Path()), 5000);
  UpdateCaption();
  return saved;
}

void GridmendWindow::closeEvent(QCloseEvent* event) {
  if (MayDiscard()) {
    event->accept();
  } else {
    event->ignore();
  }
}

bool GridmendWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lvTable_ && event->type() == QEvent::Resize && rpt_) {
    Guarded("size the columns", [this] { rpt_->Resize(); });
  } else if (tblSheet_ != nullptr && watched == tblSheet_->viewport()) {
    if (event->type() == QEvent::MouseButtonPress) {
      sheetMouseDown_ = true;
    } else if (event->type() == QEvent::MouseButtonRelease && sheetMouseDown_) {
      sheetMouseDown_ = false;
      // The view finishes the selection in its own handling of the release, after this filter.
      QTimer::singleShot(0, this, [this] {
        if (updating_ == 0) PickFromSheet();
      });
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- The grid ----

void GridmendWindow::Show(TableDocument doc) {
  doc_ = std::move(doc);
  const bool form = doc_.IsFormType();
  ++updating_;
  chkHeader_->setVisible(!form);
  chkHeader_->setChecked(doc_.HasHeader());
  fieldPanel_->setVisible(form);
  previewPanel_->setVisible(form);
  samplePanel_->setVisible(form);
  if (auto* box = findChild<QGroupBox*>("fraTable"))
    box->setTitle(form ? "Fields: one per column of the data file" : "Rows");
  --updating_;
  FillGrid();
  SelectRow(0);
  undo_->clear();
  recorded_ = doc_.Current();
  recorded_row_ = CurrentRow();
  UpdateCaption();
  RefreshPreview();
}

void GridmendWindow::FillGrid() {
  ++updating_;
  // A fresh list over the same tree widget: the columns of another table do not stay.
  rpt_.reset();
  list_ = std::make_unique<QtListView>(*lvTable_);
  rpt_ = std::make_unique<ReportListView>();
  rpt_->LV(list_.get());
  lvTable_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
  rpt_->Headers(doc_.ColumnTitles());
  if (doc_.IsFormType() && doc_.Cols() == static_cast<Int16>(kFormTypeWidths.size())) {
    rpt_->ColumnWidths(kFormTypeWidths);
  } else if (doc_.IsFormType() && doc_.Cols() == static_cast<Int16>(kKeyedFormTypeWidths.size())) {
    rpt_->ColumnWidths(kKeyedFormTypeWidths);
  } else {
    // Many columns stay readable: the grid scrolls sideways rather than squeezing them.
    const int each = std::max(kTableWidthPercent / doc_.Cols(), kNarrowestColumnPercent);
    rpt_->ColumnWidths(
        std::vector<Int16>(static_cast<std::size_t>(doc_.Cols()), static_cast<Int16>(each)));
  }
  rpt_->Resize();
  for (Int16 r = 0; r < doc_.Rows(); ++r) {
    rpt_->AddRow();
    for (Int16 c = 0; c < doc_.Cols(); ++c) rpt_->Data(r, c, doc_.Cell(r, c));
  }
  MakeEditable();
  --updating_;
}

void GridmendWindow::MakeEditable() {
  ++updating_;
  for (int i = 0; i < lvTable_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = lvTable_->topLevelItem(i);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  --updating_;
}

Int16 GridmendWindow::CurrentRow() const {
  return rpt_ ? rpt_->SelectedRow() : Int16{-1};
}

void GridmendWindow::SelectRow(Int16 row) {
  ++updating_;
  rpt_->SelectedRow(row);
  if (QTreeWidgetItem* item = lvTable_->currentItem()) lvTable_->scrollToItem(item);
  --updating_;
  ShowCurrentRow();
}

void GridmendWindow::ShowCurrentRow() {
  const Int16 row = CurrentRow();
  const bool field = doc_.IsFormType() && row >= 0;
  ++updating_;
  fieldPanel_->setEnabled(field);
  txtField_->setText(ToQString(doc_.Cell(row, 0)));
  txtReference_->setText(ToQString(doc_.Cell(row, 1)));
  txtReference_->setEnabled(doc_.Cols() > 1);
  // The list's current item follows the code, so that picking any item changes the box.
  const QString code = ToQString(doc_.Cell(row, 2));
  cboFormat_->setCurrentIndex(
      cboFormat_->findText(code, Qt::MatchFixedString | Qt::MatchCaseSensitive));
  cboFormat_->setEditText(code);
  cboFormat_->setEnabled(doc_.Cols() > 2);
  chkKey_->setChecked(doc_.IsKey(row));
  --updating_;
  UpdateReferenceInfo();
  UpdateFormatInfo();
  UpdateCommands();
}

void GridmendWindow::SetCell(Int16 row, Int16 col, const std::string& text) {
  doc_.SetCell(row, col, text);
  ++updating_;
  rpt_->Data(row, col, doc_.Cell(row, col));
  --updating_;
  if (row == CurrentRow()) {
    if (col == 1) UpdateReferenceInfo();
    if (col == 2) UpdateFormatInfo();
  }
  Changed();
}

void GridmendWindow::SetCurrentCell(Int16 col, const std::string& text) {
  if (updating_ != 0) return;
  const Int16 row = CurrentRow();
  if (row < 0 || col >= doc_.Cols()) return;
  // Typing into one cell is one undo step until the typing ends.
  typing_cell_ = (row << 4 | col) & 0xfffff;
  Guarded("change the field", [&] { SetCell(row, col, text); });
  typing_cell_ = -1;
}

void GridmendWindow::AddRow() {
  Guarded("add a row", [this] {
    const Int16 row = doc_.InsertRow(doc_.Rows());
    ++updating_;
    rpt_->AddRow();
    --updating_;
    MakeEditable();
    SelectRow(row);
    Changed();
    if (doc_.IsFormType()) txtField_->setFocus();
  });
}

void GridmendWindow::DeleteRow() {
  const Int16 row = CurrentRow();
  if (row < 0) return;
  Guarded("delete the row", [&] {
    const Int16 before = doc_.Rows();
    doc_.DeleteRow(row);
    ++updating_;
    if (doc_.Rows() < before) {
      rpt_->Del();
    } else {
      for (Int16 c = 0; c < doc_.Cols(); ++c) rpt_->Data(row, c, doc_.Cell(row, c));
    }
    --updating_;
    SelectRow(std::min<Int16>(row, static_cast<Int16>(doc_.Rows() - 1)));
    Changed();
  });
}

void GridmendWindow::MoveUp() {
  const Int16 row = CurrentRow();
  Guarded("move the row", [&] {
    if (!doc_.MoveRowUp(row)) return;
    ++updating_;
    rpt_->MoveUp();
    --updating_;
    MakeEditable();
    ShowCurrentRow();
    Changed();
  });
}

void GridmendWindow::MoveDown() {
  const Int16 row = CurrentRow();
  Guarded("move the row", [&] {
    if (!doc_.MoveRowDown(row)) return;
    ++updating_;
    rpt_->MoveDown();
    --updating_;
    MakeEditable();
    ShowCurrentRow();
    Changed();
  });
}

void GridmendWindow::Changed() {
  TableDocument::Contents now = doc_.Current();
  if (now != recorded_) {
    const int id = typing_cell_ < 0 ? -1 : (typing_session_ << 20 | typing_cell_) & 0x7fffffff;
    auto* edit =
        new TableEdit(EditName(recorded_, now), id, recorded_, recorded_row_, now, CurrentRow(),
                      [this](const TableDocument::Contents& c, Int16 row) { Restored(c, row); });
    recorded_ = std::move(now);
    recorded_row_ = CurrentRow();
    undo_->push(edit);
  }
  UpdateCaption();
  UpdateCommands();
  if (sample_ && doc_.IsFormType()) previewTimer_->start();
}

void GridmendWindow::Restored(const TableDocument::Contents& contents, Int16 row) {
  doc_.Restore(contents);
  recorded_ = contents;
  ++updating_;
  chkHeader_->setChecked(doc_.HasHeader());
  --updating_;
  FillGrid();
  SelectRow(std::min<Int16>(row, static_cast<Int16>(doc_.Rows() - 1)));
  recorded_row_ = CurrentRow();
  UpdateCaption();
  UpdateCommands();
  if (sample_ && doc_.IsFormType()) previewTimer_->start();
}

void GridmendWindow::UpdateCaption() {
  const std::string name = doc_.Path().empty() ? "Untitled" : std::string(FileNameOf(doc_.Path()));
  setWindowTitle(ToQString(name + "[*] - " + kProgramName));
  setWindowModified(doc_.Modified());
}

void GridmendWindow::UpdateCommands() {
  const Int16 row = CurrentRow();
  cmdDelete_->setEnabled(row >= 0);
  cmdUp_->setEnabled(row > 0);
  cmdDown_->setEnabled(row >= 0 && row < doc_.Rows() - 1);
  mnuEditDelete_->setEnabled(cmdDelete_->isEnabled());
  mnuEditUp_->setEnabled(cmdUp_->isEnabled());
  mnuEditDown_->setEnabled(cmdDown_->isEnabled());
}

// ---- The current field ----

void GridmendWindow::UpdateReferenceInfo() {
  const Int16 row = CurrentRow();
  std::optional<xl::Area> area;
  if (!doc_.IsFormType() || row < 0) {
    lblReference_->clear();
  } else if (!sample_) {
    lblReference_->setText("Open a sample form to see where this reference reads.");
  } else {
    const SampleWorkbook::Location where = sample_->Locate(doc_.Cell(row, 1));
    lblReference_->setText(ToQString(where.text));
    lblReference_->setToolTip(lblReference_->text());
    area = where.area;
  }
  sheetModel_->Highlight(area);
  if (area) {
    const QModelIndex first = sheetModel_->IndexOf(area->first_row, area->first_col);
    if (first.isValid()) tblSheet_->scrollTo(first);
  }
}

void GridmendWindow::UpdateFormatInfo() {
  const Int16 row = CurrentRow();
  if (!doc_.IsFormType() || row < 0 || doc_.Cols() < 3) {
    lblFormat_->clear();
    return;
  }
  lblFormat_->setText(ToQString(DescribeFormat(doc_.Cell(row, 2))));
  lblFormat_->setToolTip(lblFormat_->text());
}

// ---- The sample form ----

void GridmendWindow::ChooseSample() {
  sampleChooser_.Title("Open Sample Form");
  sampleChooser_.Filter(kWorkbookFilter);
  if (!sampleChooser_.PathIsPresent())
    sampleChooser_.InitDir(doc_.Path().empty() ? CurrentDirectory() : FolderOf(doc_.Path()));
  if (sampleChooser_.ChooseExistingFile()) OpenSample(sampleChooser_.Path());
}

bool GridmendWindow::OpenSample(const std::string& path) {
  bool opened = false;
  Guarded("open the sample form " + path, [&] {
    auto sample = std::make_unique<SampleWorkbook>(SampleWorkbook::Open(path));
    sheetModel_->Sample(nullptr);
    sample_ = std::move(sample);
    sampleChooser_.Path(path);
    opened = true;
  });
  if (opened) ShowSample();
  return opened;
}

void GridmendWindow::ShowSample() {
  ++updating_;
  sheetModel_->Sample(sample_.get());
  lvNames_->clear();
  if (sample_) {
    for (const SampleWorkbook::Name& name : sample_->Names()) {
      auto* item = new QTreeWidgetItem(lvNames_);
      item->setText(0, ToQString(name.full_name));
      item->setText(1, ToQString(name.refers_to));
    }
    lvNames_->resizeColumnToContents(0);
    lvNames_->setVisible(!sample_->Names().empty());
    lblSample_->setText(
        ToQString(std::string(FileNameOf(sample_->Path())) + ", sheet " + sample_->SheetName()));
    lblSample_->setToolTip(ToQString(sample_->Path()));
    const long long cells =
        static_cast<long long>(sheetModel_->rowCount()) * sheetModel_->columnCount();
    if (cells <= kMeasuredCells) tblSheet_->resizeColumnsToContents();
  } else {
    lblSample_->setText("No sample form open");
    lvNames_->hide();
  }
  --updating_;
  UpdateReferenceInfo();
  RefreshPreview();
}

void GridmendWindow::PickFromSheet() {
  if (!sample_ || !doc_.IsFormType()) return;
  const QItemSelection selection = tblSheet_->selectionModel()->selection();
  if (selection.isEmpty()) return;
  // The ranges of one rectangle may come in pieces: a selection whose cells fill its bounding
  // box is that box.
  std::vector<xl::Area> areas;
  xl::Area box = sheetModel_->AreaOf(selection.front().topLeft(), selection.front().bottomRight());
  for (const QItemSelectionRange& range : selection) {
    const xl::Area a = sheetModel_->AreaOf(range.topLeft(), range.bottomRight());
    areas.push_back(a);
    box = {std::min(box.first_row, a.first_row), std::min(box.first_col, a.first_col),
           std::max(box.last_row, a.last_row), std::max(box.last_col, a.last_col)};
  }
  const long long selected = tblSheet_->selectionModel()->selectedIndexes().size();
  if (selected == static_cast<long long>(box.RowCount()) * box.ColumnCount()) areas = {box};
  const std::optional<std::string> reference = StripReference(areas);
  if (!reference) {
    statusBar()->showMessage("A reference is one cell, or cells along one row or one column.",
                             5000);
    return;
  }
  SetReference(*reference, {});
}

void GridmendWindow::PickName(QTreeWidgetItem* item) {
  if (!doc_.IsFormType()) return;
  const std::string name = FromQString(item->text(0));
  const std::size_t bang = name.rfind('!');
  SetReference(name, bang == std::string::npos ? name : name.substr(bang + 1));
}

void GridmendWindow::SetReference(const std::string& reference, const std::string& name) {
  if (doc_.Cols() < 2) return;
  if (CurrentRow() < 0) AddRow();  // picking with no field starts one
  const Int16 row = CurrentRow();
  if (row < 0) return;
  Guarded("set the reference", [&] {
    SetCell(row, 1, reference);
    // A field without a name takes the name it reads.
    if (!name.empty() && doc_.Cell(row, 0).empty()) SetCell(row, 0, name);
  });
  ++updating_;
  txtReference_->setText(ToQString(doc_.Cell(row, 1)));
  txtField_->setText(ToQString(doc_.Cell(row, 0)));
  --updating_;
}

// ---- The preview ----

void GridmendWindow::RefreshPreview() {
  previewTimer_->stop();
  if (!doc_.IsFormType()) return;
  if (!sample_) {
    txtPreview_->clear();
    lblPreview_->setStyleSheet({});
    lblPreview_->setText("Open a sample form to see the lines this form type gives for it.");
    return;
  }
  PreviewResult preview;
  try {
    preview = PreviewWorkbookData(sample_->Path(), doc_.Table());
  } catch (const std::exception& e) {
    preview.error = AsError(e);
  }
  std::string text;
  for (const std::string& line : preview.lines) text += line + "\n";
  txtPreview_->setPlainText(ToQString(text));
  if (preview.error) {
    lblPreview_->setStyleSheet("color: #b00000;");
    lblPreview_->setText(ToQString("A run stops at this form: " + ErrorText(*preview.error)));
  } else {
    const std::size_t records = preview.lines.empty() ? 0 : preview.lines.size() - 1;
    lblPreview_->setStyleSheet({});
    lblPreview_->setText(ToQString("The header line and " + std::to_string(records) +
                                   (records == 1 ? " record" : " records") +
                                   ", as a new data file gets them."));
  }
}

std::string GridmendWindow::PreviewText() const {
  return FromQString(txtPreview_->toPlainText());
}

}  // namespace sheaver
