// Gridmend's commands without a window: a table file being edited, its grid (a report list over
// any list view control), the current field, the sample form and the preview, the file commands
// with their questions, and what each edit did for Undo. The Qt window builds the widgets, hands
// their events to these commands and shows what the EditorView calls say; tests drive the same
// commands over a list view in memory.
//
// Nothing that goes wrong leaves a command: an error is shown in a message box (through the
// message-box service) and the editor goes on as it was.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gridmend/sample_workbook.h"
#include "gridmend/table_document.h"
#include "spreadsheet/model.h"
#include "ui/list_view_control.h"
#include "ui/path_chooser.h"
#include "ui/report_list_view.h"

namespace sheaver {

// The current field as the field panel shows it.
struct FieldShown {
  bool editable = false;  // a form type's field is current
  std::string name, reference, format;
  bool key = false;
  Int16 cols = 0;  // the table's columns: the reference needs 2, the format 3
};

// What the editor's window shows. Calls come while the editor changes the window itself; a
// window must not take the changes of its widgets they cause for the user's edits (Updating()).
class EditorView {
 public:
  virtual ~EditorView() = default;
  // Another table is shown: whether it is a form type (the field, sample and preview panels
  // show) and whether its first line is a header.
  virtual void ShowTableKind(bool form_type, bool has_header) = 0;
  // The grid got new rows or a new order; their cells become editable in place.
  virtual void GridChanged() = 0;
  virtual void ShowField(const FieldShown& field) = 0;
  virtual void ShowCaption(const std::string& title, bool modified) = 0;
  virtual void ShowCommands(bool can_delete, bool can_move_up, bool can_move_down) = 0;
  // A message in the status line: one that stays until the next, or a passing one.
  virtual void ShowStatus(const std::string& text, bool stays) = 0;
  // Where the current field's reference reads on the sample, with the cells to mark.
  virtual void ShowReferenceInfo(const std::string& text, std::optional<xl::Area> area) = 0;
  virtual void ShowFormatInfo(const std::string& text) = 0;
  // The sample form (null for none): its sheet and names.
  virtual void ShowSample(const SampleWorkbook* sample) = 0;
  // The preview's lines (each ending in "\n") and the note above them, a failure's in red.
  virtual void ShowPreview(const std::string& lines, const std::string& note, bool failed) = 0;
  // An edit made: what it did ("Add Row", "Edit", ...), the contents and current row before and
  // after it. Edits with the same merge id (>= 0: one typed run in one cell) are one Undo step.
  virtual void RecordEdit(const std::string& name, int merge_id,
                          const TableDocument::Contents& before, Int16 before_row,
                          const TableDocument::Contents& after, Int16 after_row) = 0;
  // Another table is shown: the recorded edits no longer apply.
  virtual void ClearEdits() = 0;
  // The table changed while a sample is open: the preview is due once typing pauses.
  virtual void SchedulePreview() = 0;
  // A row was added to a form type: the cursor goes to its name.
  virtual void FocusFieldName() = 0;
};

class GridmendEditor {
 public:
  // `fresh_grid` gives a new, empty list view control over the window's grid each time another
  // table is shown (the columns of the last one must not stay); `dialog` is the file dialog;
  // `program_directory` holds FormTypes, where the choosers start.
  GridmendEditor(EditorView& view, std::function<ListViewControl*()> fresh_grid,
                 CommonDialog& dialog, std::string program_directory);

  // Starts on a path as the program does with its argument: "" a new form type without a name;
  // a path where no file is yet a new form type that Save writes there; otherwise the file.
  // A file that cannot be read is reported, and a new form type without a name is shown.
  void Start(const std::string& path);

  // The file commands ask first when there are unsaved changes; Save and Save As return whether
  // the table was written. Open and Save As choose with the file dialog.
  void New();
  void Open();
  // Opens the file at path (after the unsaved-changes question); false when it was not opened.
  bool OpenFile(const std::string& path);
  bool Save();
  bool SaveAs();
  // Asks Save / Discard / Cancel when there are unsaved changes; true when the caller may go on
  // (close the window, show another table).
  bool MayDiscard();

  void AddRow();
  void DeleteRow();
  void MoveUp();
  void MoveDown();
  // The row the grid's selection is on (-1 for none), and selecting one.
  Int16 CurrentRow() const;
  void SelectRow(Int16 row);
  // The grid was resized: its columns keep their shares of its width.
  void GridResized();
  // The grid's selection moved: the field panel follows it.
  void ShowCurrentRow();
  // A cell edited in the grid.
  void CellEdited(Int16 row, Int16 col, const std::string& text);
  // Text typed into the field panel's box for column `col` of the current row; the typing up to
  // EndTyping is one Undo step.
  void FieldTyped(Int16 col, const std::string& text);
  void EndTyping();
  // The current field's key mark, and the table's header line; false when the table refuses
  // (a header needs a row below it), which the status line says.
  void SetKey(bool key);
  bool SetHeader(bool has_header);

  // Chooses a sample workbook with the file dialog and opens it.
  void ChooseSample();
  // Opens the sample workbook at path; false, with a message, when it cannot be read.
  bool OpenSample(const std::string& path);
  // Cells picked on the sample (one or more rectangles): one cell, or cells along one row or
  // one column, become the current field's reference (a field is added when none is current);
  // anything else is refused in the status line.
  void PickCells(const std::vector<xl::Area>& areas);
  // A defined name picked on the sample: the reference, and the name of a field without one.
  void PickName(const std::string& full_name);
  // Runs the preview now.
  void RefreshPreview();
  // Undo or Redo put back these contents, with `row` current.
  void Restore(const TableDocument::Contents& contents, Int16 row);

  const TableDocument& Document() const { return doc_; }
  const SampleWorkbook* Sample() const { return sample_.get(); }
  // Nonzero while the editor itself changes the grid or the panels.
  bool Updating() const { return updating_ != 0; }

 private:
  // Runs a command; an error that leaves it is shown and the editor goes on.
  void Guarded(const std::string& what, const std::function<void()>& command);
  bool Load(const std::string& path);
  bool ChooseSavePath(std::string& path);
  void Show(TableDocument doc);
  void FillGrid();
  void SetCell(Int16 row, Int16 col, const std::string& text);
  void SetReference(const std::string& reference, const std::string& name);
  // After every edit of the table: records it for Undo and updates the caption, commands and
  // preview.
  void Changed();
  void UpdateCaption();
  void UpdateCommands();
  void UpdateReferenceInfo();
  void UpdateFormatInfo();
  std::string StartFolder() const;

  EditorView& view_;
  std::function<ListViewControl*()> fresh_grid_;
  std::string program_directory_;
  PathChooser table_chooser_;
  PathChooser sample_chooser_;

  TableDocument doc_;
  std::unique_ptr<SampleWorkbook> sample_;
  std::unique_ptr<ReportListView> grid_;
  int updating_ = 0;

  // The contents and current row as the last recorded edit left them: the next edit's "before".
  TableDocument::Contents recorded_;
  Int16 recorded_row_ = -1;
  // The cell being typed into (-1 for none) and the typing run, which together make the merge
  // id of its edits: a new run starts each time typing ends.
  int typing_cell_ = -1;
  int typing_session_ = 0;
};

// What an edit did, for the Undo and Redo menu items, from the contents before and after it:
// "Header Line", "Add Row", "Delete Row", "Key", "Move Row" or "Edit".
std::string EditName(const TableDocument::Contents& before, const TableDocument::Contents& after);

}  // namespace sheaver
