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

// Where the format box keeps an item's "code: example" line.
constexpr int kExampleRole = Qt::UserRole + 1;
// The preview runs when typing pauses for this long.
constexpr int kPreviewDelayMs = 150;
// Sheets with more cells than this keep the default column width (measuring them all is slow).
constexpr long long kMeasuredCells = 20000;

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

}  // namespace

GridmendWindow::GridmendWindow(const GridmendWindowOptions& options) : options_(options) {
  if (options_.program_directory.empty()) options_.program_directory = FindProgramPaths().data;
  CommonDialog* dialog = options_.dialog;
  if (dialog == nullptr) {
    own_dialog_ = std::make_unique<QtCommonDialog>(this);
    dialog = own_dialog_.get();
  }
  setWindowIcon(EditIcon());
  undo_ = new QUndoStack(this);
  BuildControls();
  BuildMenus();
  previewTimer_ = new QTimer(this);
  previewTimer_->setSingleShot(true);
  previewTimer_->setInterval(kPreviewDelayMs);
  connect(previewTimer_, &QTimer::timeout, this, [this] { RefreshPreview(); });
  resize(1120, 720);
  // A fresh list over the same tree widget for each table: the columns of another table do not
  // stay.
  editor_ = std::make_unique<GridmendEditor>(
      static_cast<EditorView&>(*this),
      [this]() -> ListViewControl* {
        list_ = std::make_unique<QtListView>(*lvTable_);
        lvTable_->setEditTriggers(QAbstractItemView::DoubleClicked |
                                  QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::SelectedClicked);
        return list_.get();
      },
      *dialog, options_.program_directory);
  ConnectControls();
  editor_->Start("");
}

GridmendWindow::~GridmendWindow() {
  // The widgets outlive this body (Qt deletes them with the window afterwards) and may still
  // paint: the sheet must not show a sample that is gone, the list no longer drives the tree.
  sheetModel_->Sample(nullptr);
  editor_.reset();
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

  leftLayout->addWidget(BuildTablePanel(left), 3);
  leftLayout->addWidget(BuildFieldPanel(left), 0);
  leftLayout->addWidget(BuildPreviewPanel(left), 2);

  // Right: the sample form.
  QWidget* sampleBox = BuildSamplePanel(split);

  split->addWidget(left);
  split->addWidget(sampleBox);
  split->setStretchFactor(0, 5);
  split->setStretchFactor(1, 6);

  tblSheet_->viewport()->installEventFilter(this);
}

// The grid of the table and its row buttons.
QWidget* GridmendWindow::BuildTablePanel(QWidget* parent) {
  auto* tableBox = new QGroupBox("Fields", parent);
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
  return tableBox;
}

// The current field: its name, reference, format code and key mark.
QWidget* GridmendWindow::BuildFieldPanel(QWidget* parent) {
  auto* fieldBox = new QGroupBox("Current field", parent);
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
  return fieldBox;
}

// The preview of the lines a run writes for the sample.
QWidget* GridmendWindow::BuildPreviewPanel(QWidget* parent) {
  auto* previewBox = new QGroupBox("Preview: the lines a run writes for the sample form", parent);
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
  return previewBox;
}

// The sample form: its sheet and its defined names.
QWidget* GridmendWindow::BuildSamplePanel(QWidget* parent) {
  auto* sampleBox = new QGroupBox("Sample form", parent);
  samplePanel_ = sampleBox;
  auto* sampleLayout = new QVBoxLayout(sampleBox);
  auto* sampleTop = new QHBoxLayout();
  cmdSample_ = Button("cmdSample", "Open &Sample...", sampleBox);
  sampleTop->addWidget(cmdSample_);
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
  return sampleBox;
}

void GridmendWindow::ConnectControls() {
  // Edits of the grid, of the field panel, and picks on the sample.
  connect(lvTable_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (Updating()) return;
    editor_->CellEdited(static_cast<Int16>(lvTable_->indexOfTopLevelItem(item)),
                        static_cast<Int16>(column), FromQString(item->text(column)));
  });
  connect(lvTable_, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (Updating()) return;
    ++updating_;
    tblSheet_->clearSelection();
    --updating_;
    editor_->ShowCurrentRow();
  });
  connect(txtField_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (!Updating()) editor_->FieldTyped(0, FromQString(text));
  });
  connect(txtReference_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (!Updating()) editor_->FieldTyped(1, FromQString(text));
  });
  connect(cboFormat_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (!Updating()) editor_->FieldTyped(2, FromQString(text));
  });
  connect(cboFormat_, &QComboBox::activated, this, [this](int index) {
    if (!Updating()) cboFormat_->setEditText(cboFormat_->itemText(index));
  });
  for (QLineEdit* edit : {txtField_, txtReference_, cboFormat_->lineEdit()})
    connect(edit, &QLineEdit::editingFinished, this, [this] { editor_->EndTyping(); });
  connect(chkKey_, &QCheckBox::toggled, this, [this](bool key) {
    if (!Updating()) editor_->SetKey(key);
  });
  connect(cmdAdd_, &QPushButton::clicked, this, [this] { editor_->AddRow(); });
  connect(cmdDelete_, &QPushButton::clicked, this, [this] { editor_->DeleteRow(); });
  connect(cmdUp_, &QPushButton::clicked, this, [this] { editor_->MoveUp(); });
  connect(cmdDown_, &QPushButton::clicked, this, [this] { editor_->MoveDown(); });
  connect(chkHeader_, &QCheckBox::toggled, this, [this](bool checked) {
    if (!Updating()) editor_->SetHeader(checked);
  });
  connect(cmdSample_, &QPushButton::clicked, this, [this] { editor_->ChooseSample(); });
  // A selection made with the mouse is picked when the button is released (eventFilter), so
  // that the cells passed over while dragging are not picked on the way; one made with the
  // keyboard is picked as it changes.
  connect(tblSheet_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (!Updating() && !sheetMouseDown_) PickFromSheet();
  });
  connect(lvNames_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
    if (!Updating() && current != nullptr) editor_->PickName(FromQString(current->text(0)));
  });
  connect(lvNames_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    if (!Updating()) editor_->PickName(FromQString(item->text(0)));
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

// ---- Events ----

void GridmendWindow::closeEvent(QCloseEvent* event) {
  if (editor_->MayDiscard()) {
    event->accept();
  } else {
    event->ignore();
  }
}

bool GridmendWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lvTable_ && event->type() == QEvent::Resize && editor_) {
    editor_->GridResized();
  } else if (tblSheet_ != nullptr && watched == tblSheet_->viewport()) {
    if (event->type() == QEvent::MouseButtonPress) {
      sheetMouseDown_ = true;
    } else if (event->type() == QEvent::MouseButtonRelease && sheetMouseDown_) {
      sheetMouseDown_ = false;
      // The view finishes the selection in its own handling of the release, after this filter.
      QTimer::singleShot(0, this, [this] {
        if (!Updating()) PickFromSheet();
      });
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void GridmendWindow::PickFromSheet() {
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
  editor_->PickCells(areas);
}

void GridmendWindow::RefreshPreview() {
  previewTimer_->stop();
  editor_->RefreshPreview();
}

std::string GridmendWindow::PreviewText() const {
  return FromQString(txtPreview_->toPlainText());
}

// ---- What the editor shows ----

void GridmendWindow::ShowTableKind(bool form_type, bool has_header) {
  ++updating_;
  chkHeader_->setVisible(!form_type);
  chkHeader_->setChecked(has_header);
  fieldPanel_->setVisible(form_type);
  previewPanel_->setVisible(form_type);
  samplePanel_->setVisible(form_type);
  if (auto* box = findChild<QGroupBox*>("fraTable"))
    box->setTitle(form_type ? "Fields: one per column of the data file" : "Rows");
  --updating_;
}

void GridmendWindow::GridChanged() {
  ++updating_;
  for (int i = 0; i < lvTable_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = lvTable_->topLevelItem(i);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  --updating_;
}

void GridmendWindow::ShowField(const FieldShown& field) {
  ++updating_;
  if (QTreeWidgetItem* item = lvTable_->currentItem()) lvTable_->scrollToItem(item);
  fieldPanel_->setEnabled(field.editable);
  txtField_->setText(ToQString(field.name));
  txtReference_->setText(ToQString(field.reference));
  txtReference_->setEnabled(field.cols > 1);
  // The list's current item follows the code, so that picking any item changes the box.
  const QString code = ToQString(field.format);
  cboFormat_->setCurrentIndex(
      cboFormat_->findText(code, Qt::MatchFixedString | Qt::MatchCaseSensitive));
  cboFormat_->setEditText(code);
  cboFormat_->setEnabled(field.cols > 2);
  chkKey_->setChecked(field.key);
  --updating_;
}

void GridmendWindow::ShowCaption(const std::string& title, bool modified) {
  setWindowTitle(ToQString(title));
  setWindowModified(modified);
}

void GridmendWindow::ShowCommands(bool can_delete, bool can_move_up, bool can_move_down) {
  cmdDelete_->setEnabled(can_delete);
  cmdUp_->setEnabled(can_move_up);
  cmdDown_->setEnabled(can_move_down);
  mnuEditDelete_->setEnabled(can_delete);
  mnuEditUp_->setEnabled(can_move_up);
  mnuEditDown_->setEnabled(can_move_down);
}

void GridmendWindow::ShowStatus(const std::string& text, bool stays) {
  statusBar()->showMessage(ToQString(text), stays ? 0 : 5000);
}

void GridmendWindow::ShowReferenceInfo(const std::string& text, std::optional<xl::Area> area) {
  lblReference_->setText(ToQString(text));
  lblReference_->setToolTip(lblReference_->text());
  sheetModel_->Highlight(area);
  if (area) {
    const QModelIndex first = sheetModel_->IndexOf(area->first_row, area->first_col);
    if (first.isValid()) tblSheet_->scrollTo(first);
  }
}

void GridmendWindow::ShowFormatInfo(const std::string& text) {
  lblFormat_->setText(ToQString(text));
  lblFormat_->setToolTip(lblFormat_->text());
}

void GridmendWindow::ShowSample(const SampleWorkbook* sample) {
  ++updating_;
  sheetModel_->Sample(sample);
  lvNames_->clear();
  if (sample != nullptr) {
    for (const SampleWorkbook::Name& name : sample->Names()) {
      auto* item = new QTreeWidgetItem(lvNames_);
      item->setText(0, ToQString(name.full_name));
      item->setText(1, ToQString(name.refers_to));
    }
    lvNames_->resizeColumnToContents(0);
    lvNames_->setVisible(!sample->Names().empty());
    lblSample_->setText(
        ToQString(std::string(FileNameOf(sample->Path())) + ", sheet " + sample->SheetName()));
    lblSample_->setToolTip(ToQString(sample->Path()));
    const long long cells =
        static_cast<long long>(sheetModel_->rowCount()) * sheetModel_->columnCount();
    if (cells <= kMeasuredCells) tblSheet_->resizeColumnsToContents();
  } else {
    lblSample_->setText("No sample form open");
    lvNames_->hide();
  }
  --updating_;
}

void GridmendWindow::ShowPreview(const std::string& lines, const std::string& note, bool failed) {
  previewTimer_->stop();
  txtPreview_->setPlainText(ToQString(lines));
  lblPreview_->setStyleSheet(failed ? "color: #b00000;" : QString());
  lblPreview_->setText(ToQString(note));
}

void GridmendWindow::RecordEdit(const std::string& name, int merge_id,
                                const TableDocument::Contents& before, Int16 before_row,
                                const TableDocument::Contents& after, Int16 after_row) {
  undo_->push(new TableEdit(
      ToQString(name), merge_id, before, before_row, after, after_row,
      [this](const TableDocument::Contents& c, Int16 row) { editor_->Restore(c, row); }));
}

void GridmendWindow::ClearEdits() {
  undo_->clear();
}

void GridmendWindow::SchedulePreview() {
  previewTimer_->start();
}

void GridmendWindow::FocusFieldName() {
  txtField_->setFocus();
}

}  // namespace sheaver
