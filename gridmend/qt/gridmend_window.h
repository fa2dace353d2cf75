// Gridmend's window: the widgets of the editor (gridmend/editor.h), whose commands it runs on
// their events and whose calls it shows: a table file as a grid (a tree widget in report mode),
// for a form type the current field's name, reference and format code, a sample form to pick
// references from (its active sheet and its defined names), the preview of the lines the form
// type gives for that sample, and Edit > Undo and Redo over the edits the editor records.
//
// Widgets are named for findChild: lvTable, cmdAdd, cmdDelete, cmdUp, cmdDown, chkHeader,
// txtField, txtReference, lblReference, cboFormat, lblFormat, cmdSample, lblSample, tblSheet,
// lvNames, txtPreview, lblPreview; menu actions mnuFileNew, mnuFileOpen, mnuFileSave,
// mnuFileSaveAs, mnuFileExit, mnuEditUndo, mnuEditRedo, mnuEditAdd, mnuEditDelete, mnuEditUp,
// mnuEditDown, mnuSampleOpen, mnuHelpContents.
//
// Nothing that goes wrong ends the program: an error is shown in a message box (through the
// message-box service) and the window goes on as it was.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "gridmend/editor.h"
#include "gridmend/sample_workbook.h"
#include "gridmend/table_document.h"
#include "ui/path_chooser.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QUndoStack;

namespace sheaver {

class QtListView;
class SheetTableModel;

struct GridmendWindowOptions {
  // A replacement for the Qt file dialog (not owned); null for the Qt one.
  CommonDialog* dialog = nullptr;
  // The directory of FormTypes and Help; "" for the program's own directory.
  std::string program_directory;
};

class GridmendWindow : public QMainWindow, private EditorView {
 public:
  explicit GridmendWindow(const GridmendWindowOptions& options = {});
  ~GridmendWindow() override;

  // The editor's commands (gridmend/editor.h), as the menus and buttons run them.
  void Start(const std::string& path) { editor_->Start(path); }
  void FileNew() { editor_->New(); }
  void FileOpen() { editor_->Open(); }
  bool OpenFile(const std::string& path) { return editor_->OpenFile(path); }
  bool FileSave() { return editor_->Save(); }
  bool FileSaveAs() { return editor_->SaveAs(); }
  void AddRow() { editor_->AddRow(); }
  void DeleteRow() { editor_->DeleteRow(); }
  void MoveUp() { editor_->MoveUp(); }
  void MoveDown() { editor_->MoveDown(); }
  void ChooseSample() { editor_->ChooseSample(); }
  bool OpenSample(const std::string& path) { return editor_->OpenSample(path); }
  // Runs the preview now rather than when typing pauses.
  void RefreshPreview();

  // The table being edited, the current row (-1 for none) and the sample (null for none).
  const TableDocument& Document() const { return editor_->Document(); }
  Int16 CurrentRow() const { return editor_->CurrentRow(); }
  void SelectRow(Int16 row) { editor_->SelectRow(row); }
  const SampleWorkbook* Sample() const { return editor_->Sample(); }
  // The edits of the table that Edit > Undo and Redo step through; emptied when another table
  // is shown.
  QUndoStack& UndoStack() const { return *undo_; }

  // The preview's lines as shown, one per line ending in "\n".
  std::string PreviewText() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildTablePanel(QWidget* parent);
  QWidget* BuildFieldPanel(QWidget* parent);
  QWidget* BuildPreviewPanel(QWidget* parent);
  QWidget* BuildSamplePanel(QWidget* parent);
  void ConnectControls();
  void BuildMenus();
  // The cells selected on the sample, as the editor's rectangles.
  void PickFromSheet();
  // Whether a widget's change signal comes from the window or the editor themselves.
  bool Updating() const { return updating_ != 0 || editor_->Updating(); }

  // EditorView.
  void ShowTableKind(bool form_type, bool has_header) override;
  void GridChanged() override;
  void ShowField(const FieldShown& field) override;
  void ShowCaption(const std::string& title, bool modified) override;
  void ShowCommands(bool can_delete, bool can_move_up, bool can_move_down) override;
  void ShowStatus(const std::string& text, bool stays) override;
  void ShowReferenceInfo(const std::string& text, std::optional<xl::Area> area) override;
  void ShowFormatInfo(const std::string& text) override;
  void ShowSample(const SampleWorkbook* sample) override;
  void ShowPreview(const std::string& lines, const std::string& note, bool failed) override;
  void RecordEdit(const std::string& name, int merge_id, const TableDocument::Contents& before,
                  Int16 before_row, const TableDocument::Contents& after, Int16 after_row) override;
  void ClearEdits() override;
  void SchedulePreview() override;
  void FocusFieldName() override;

  GridmendWindowOptions options_;
  QUndoStack* undo_ = nullptr;
  // Nonzero while the window itself changes its widgets: their change signals are then not
  // edits.
  int updating_ = 0;
  // A mouse button is held down on the sample sheet.
  bool sheetMouseDown_ = false;

  QTreeWidget* lvTable_ = nullptr;
  std::unique_ptr<QtListView> list_;
  QPushButton* cmdAdd_ = nullptr;
  QPushButton* cmdDelete_ = nullptr;
  QPushButton* cmdUp_ = nullptr;
  QPushButton* cmdDown_ = nullptr;
  QPushButton* cmdSample_ = nullptr;
  QCheckBox* chkHeader_ = nullptr;
  QAction* mnuEditDelete_ = nullptr;
  QAction* mnuEditUp_ = nullptr;
  QAction* mnuEditDown_ = nullptr;
  QWidget* fieldPanel_ = nullptr;
  QLineEdit* txtField_ = nullptr;
  QLineEdit* txtReference_ = nullptr;
  QLabel* lblReference_ = nullptr;
  QComboBox* cboFormat_ = nullptr;
  QLabel* lblFormat_ = nullptr;
  QCheckBox* chkKey_ = nullptr;
  QWidget* samplePanel_ = nullptr;
  QLabel* lblSample_ = nullptr;
  QTableView* tblSheet_ = nullptr;
  SheetTableModel* sheetModel_ = nullptr;
  QTreeWidget* lvNames_ = nullptr;
  QWidget* previewPanel_ = nullptr;
  QPlainTextEdit* txtPreview_ = nullptr;
  QLabel* lblPreview_ = nullptr;
  QTimer* previewTimer_ = nullptr;

  std::unique_ptr<CommonDialog> own_dialog_;
  std::unique_ptr<GridmendEditor> editor_;
};

}  // namespace sheaver
