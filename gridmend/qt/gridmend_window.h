// Gridmend's window: a table file as a grid (a list view in report mode driven through
// ReportListView), and for a form type the current field's name, reference and format code, a
// sample form to pick references from (its active sheet and its defined names), and the preview
// of the lines the form type gives for that sample, made by the extraction itself.
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

#include "gridmend/sample_workbook.h"
#include "gridmend/table_document.h"
#include "ui/path_chooser.h"
#include "ui/report_list_view.h"

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

class GridmendWindow : public QMainWindow {
 public:
  explicit GridmendWindow(const GridmendWindowOptions& options = {});
  ~GridmendWindow() override;

  // Starts on a path as the program does with its argument: "" a new form type without a name;
  // a path where no file is yet a new form type that Save writes there; otherwise the file.
  // A file that cannot be read is reported, and a new form type without a name is shown.
  void Start(const std::string& path);

  // The commands of the menus and buttons. The file commands ask first when there are unsaved
  // changes; Save and Save As return whether the table was written.
  void FileNew();
  void FileOpen();
  // Opens the file at path (after the unsaved-changes question); false when it was not opened.
  bool OpenFile(const std::string& path);
  bool FileSave();
  bool FileSaveAs();
  void AddRow();
  void DeleteRow();
  void MoveUp();
  void MoveDown();
  // Chooses a sample workbook with the file dialog and opens it.
  void ChooseSample();
  // Opens the sample workbook at path; false, with a message, when it cannot be read.
  bool OpenSample(const std::string& path);
  // Runs the preview now rather than when typing pauses.
  void RefreshPreview();

  // The table being edited, the current row (-1 for none) and the sample (null for none).
  const TableDocument& Document() const { return doc_; }
  Int16 CurrentRow() const;
  void SelectRow(Int16 row);
  const SampleWorkbook* Sample() const { return sample_.get(); }
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
  void BuildMenus();
  // Runs a command; an error that leaves it is shown and the window goes on.
  void Guarded(const std::string& what, const std::function<void()>& command);
  // Asks Save / Discard / Cancel when there are unsaved changes; true when the caller may go on.
  bool MayDiscard();
  // Opens the file without asking; a file that cannot be read is reported, and false.
  bool Load(const std::string& path);
  void Show(TableDocument doc);
  void FillGrid();
  void MakeEditable();
  void ShowCurrentRow();
  void SetCell(Int16 row, Int16 col, const std::string& text);
  void SetCurrentCell(Int16 col, const std::string& text);
  void SetReference(const std::string& reference, const std::string& name);
  void PickFromSheet();
  void PickName(QTreeWidgetItem* item);
  // After every edit of the table: records it for Undo (a typed run of one cell as one step)
  // and updates the caption, commands and preview.
  void Changed();
  // Shows the table again after Undo or Redo put back `contents`, with `row` current.
  void Restored(const TableDocument::Contents& contents, Int16 row);
  void ShowSample();
  void UpdateReferenceInfo();
  void UpdateFormatInfo();
  void UpdateCaption();
  void UpdateCommands();
  bool ChooseSavePath(std::string& path);

  QUndoStack* undo_ = nullptr;
  // The contents and current row as the last recorded edit left them: the next edit's "before".
  TableDocument::Contents recorded_;
  Int16 recorded_row_ = -1;
  // Nonzero while typing into one cell of the field panel: its edits merge into one step. A new
  // value starts each time typing ends, so that separate visits stay separate steps.
  int typing_cell_ = -1;
  int typing_session_ = 0;

  GridmendWindowOptions options_;
  TableDocument doc_;
  std::unique_ptr<SampleWorkbook> sample_;
  // Nonzero while the window itself changes its widgets: their change signals are then not
  // edits.
  int updating_ = 0;
  // A mouse button is held down on the sample sheet.
  bool sheetMouseDown_ = false;

  QTreeWidget* lvTable_ = nullptr;
  std::unique_ptr<QtListView> list_;
  std::unique_ptr<ReportListView> rpt_;
  QPushButton* cmdAdd_ = nullptr;
  QPushButton* cmdDelete_ = nullptr;
  QPushButton* cmdUp_ = nullptr;
  QPushButton* cmdDown_ = nullptr;
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
  CommonDialog* dialog_ = nullptr;
  PathChooser tableChooser_;
  PathChooser sampleChooser_;
};

}  // namespace sheaver
