#include "gridmend/editor.h"

#include <algorithm>
#include <filesystem>

#include "extract/preview.h"
#include "gridmend/format_choices.h"
#include "platform/filesystem.h"
#include "runtime/msgbox.h"

namespace sheaver {
namespace {

constexpr const char* kProgramName = "Gridmend";

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

// Marks changes the editor makes to its own grid and panels, so that the window does not take
// the widget signals they cause for the user's edits.
class UpdateScope {
 public:
  explicit UpdateScope(int& count) : count_(count) { ++count_; }
  ~UpdateScope() { --count_; }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  int& count_;
};

}  // namespace

std::string EditName(const TableDocument::Contents& before, const TableDocument::Contents& after) {
  if (before.layout != after.layout) return "Header Line";
  if (after.cells.size() > before.cells.size()) return "Add Row";
  if (after.cells.size() < before.cells.size()) return "Delete Row";
  if (before.cols != after.cols) return "Key";
  std::vector<std::vector<std::string>> a = before.cells, b = after.cells;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b ? "Move Row" : "Edit";
}

GridmendEditor::GridmendEditor(EditorView& view, std::function<ListViewControl*()> fresh_grid,
                               CommonDialog& dialog, std::string program_directory)
    : view_(view),
      fresh_grid_(std::move(fresh_grid)),
      program_directory_(std::move(program_directory)) {
  table_chooser_.CommonDialogControl(&dialog);
  sample_chooser_.CommonDialogControl(&dialog);
}

void GridmendEditor::Guarded(const std::string& what, const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    MsgBox("Could not " + what + ".\n\n" + ErrorText(AsError(e)), MsgButtons::kOk,
           MsgIcon::kCritical);
  }
}

// ---- Files ----

void GridmendEditor::Start(const std::string& path) {
  if (path.empty()) {
    Show(TableDocument());
  } else if (!PathExists(path)) {
    Show(TableDocument(path));
    view_.ShowStatus("A new form type: Save writes it to " + path + ".", true);
  } else if (!Load(path)) {
    Show(TableDocument());
  }
}

bool GridmendEditor::MayDiscard() {
  if (!doc_.Modified()) return true;
  const std::string name =
      doc_.Path().empty() ? "The new form type" : std::string(FileNameOf(doc_.Path()));
  switch (MsgBox(name + " has changes that are not saved.\nDo you want to save them?\n\n"
                        "Yes saves them, No discards them, Cancel goes back to editing.",
                 MsgButtons::kYesNoCancel, MsgIcon::kExclamation)) {
    case MsgAnswer::kYes:
      return Save();
    case MsgAnswer::kNo:
      return true;
    default:
      return false;
  }
}

void GridmendEditor::New() {
  if (MayDiscard()) Show(TableDocument());
}

std::string GridmendEditor::StartFolder() const {
  return doc_.Path().empty() ? JoinPath(program_directory_, "FormTypes") : FolderOf(doc_.Path());
}

void GridmendEditor::Open() {
  if (!MayDiscard()) return;
  table_chooser_.Title("Open Table File");
  table_chooser_.Filter(kTableFilter);
  table_chooser_.InitDir(StartFolder());
  table_chooser_.Path(doc_.Path());
  if (!table_chooser_.ChooseExistingFile()) return;
  Load(table_chooser_.Path());
}

bool GridmendEditor::OpenFile(const std::string& path) {
  return MayDiscard() && Load(path);
}

bool GridmendEditor::Load(const std::string& path) {
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

bool GridmendEditor::ChooseSavePath(std::string& path) {
  table_chooser_.Title("Save As");
  table_chooser_.Filter(doc_.IsFormType() ? kFormTypeFilter : kCsvFilter);
  table_chooser_.InitDir(StartFolder());
  table_chooser_.Path(doc_.Path());
  if (!table_chooser_.ChooseFile()) return false;
  std::string chosen = table_chooser_.Path();
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

bool GridmendEditor::Save() {
  if (doc_.Path().empty()) return SaveAs();
  bool saved = false;
  Guarded("save " + doc_.Path(), [&] {
    doc_.Save();
    saved = true;
  });
  if (saved) view_.ShowStatus("Saved " + doc_.Path(), false);
  UpdateCaption();
  return saved;
}

bool GridmendEditor::SaveAs() {
  std::string path;
  if (!ChooseSavePath(path)) return false;
  bool saved = false;
  Guarded("save " + path, [&] {
    doc_.SaveAs(path);
    saved = true;
  });
  if (saved) view_.ShowStatus("Saved " + doc_.Path(), false);
  UpdateCaption();
  return saved;
}

// ---- The grid ----

void GridmendEditor::Show(TableDocument doc) {
  doc_ = std::move(doc);
  {
    UpdateScope updating(updating_);
    view_.ShowTableKind(doc_.IsFormType(), doc_.HasHeader());
  }
  FillGrid();
  SelectRow(0);
  view_.ClearEdits();
  recorded_ = doc_.Current();
  recorded_row_ = CurrentRow();
  UpdateCaption();
  RefreshPreview();
}

void GridmendEditor::FillGrid() {
  UpdateScope updating(updating_);
  grid_.reset();
  grid_ = std::make_unique<ReportListView>();
  grid_->LV(fresh_grid_());
  grid_->Headers(doc_.ColumnTitles());
  if (doc_.IsFormType() && doc_.Cols() == static_cast<Int16>(kFormTypeWidths.size())) {
    grid_->ColumnWidths(kFormTypeWidths);
  } else if (doc_.IsFormType() && doc_.Cols() == static_cast<Int16>(kKeyedFormTypeWidths.size())) {
    grid_->ColumnWidths(kKeyedFormTypeWidths);
  } else {
    // Many columns stay readable: the grid scrolls sideways rather than squeezing them.
    const int each = std::max(kTableWidthPercent / doc_.Cols(), kNarrowestColumnPercent);
    grid_->ColumnWidths(
        std::vector<Int16>(static_cast<std::size_t>(doc_.Cols()), static_cast<Int16>(each)));
  }
  grid_->Resize();
  for (Int16 r = 0; r < doc_.Rows(); ++r) {
    grid_->AddRow();
    for (Int16 c = 0; c < doc_.Cols(); ++c) grid_->Data(r, c, doc_.Cell(r, c));
  }
  view_.GridChanged();
}

void GridmendEditor::GridResized() {
  if (!grid_) return;
  Guarded("size the columns", [this] { grid_->Resize(); });
}

Int16 GridmendEditor::CurrentRow() const {
  return grid_ ? grid_->SelectedRow() : Int16{-1};
}

void GridmendEditor::SelectRow(Int16 row) {
  {
    UpdateScope updating(updating_);
    grid_->SelectedRow(row);
  }
  ShowCurrentRow();
}

void GridmendEditor::ShowCurrentRow() {
  const Int16 row = CurrentRow();
  FieldShown field;
  field.editable = doc_.IsFormType() && row >= 0;
  field.name = doc_.Cell(row, 0);
  field.reference = doc_.Cell(row, 1);
  field.format = doc_.Cell(row, 2);
  field.key = doc_.IsKey(row);
  field.cols = doc_.Cols();
  {
    UpdateScope updating(updating_);
    view_.ShowField(field);
  }
  UpdateReferenceInfo();
  UpdateFormatInfo();
  UpdateCommands();
}

void GridmendEditor::SetCell(Int16 row, Int16 col, const std::string& text) {
  doc_.SetCell(row, col, text);
  {
    UpdateScope updating(updating_);
    grid_->Data(row, col, doc_.Cell(row, col));
  }
  if (row == CurrentRow()) {
    if (col == 1) UpdateReferenceInfo();
    if (col == 2) UpdateFormatInfo();
  }
  Changed();
}

void GridmendEditor::CellEdited(Int16 row, Int16 col, const std::string& text) {
  Guarded("change the cell", [&] {
    SetCell(row, col, text);
    ShowCurrentRow();
  });
}

void GridmendEditor::FieldTyped(Int16 col, const std::string& text) {
  const Int16 row = CurrentRow();
  if (row < 0 || col >= doc_.Cols()) return;
  // Typing into one cell is one undo step until the typing ends.
  typing_cell_ = (row << 4 | col) & 0xfffff;
  Guarded("change the field", [&] { SetCell(row, col, text); });
  typing_cell_ = -1;
}

void GridmendEditor::EndTyping() {
  ++typing_session_;
  ShowCurrentRow();  // what the table keeps (spaces trimmed) shows once typing is done
}

void GridmendEditor::SetKey(bool key) {
  const Int16 row = CurrentRow();
  Guarded("change the key", [&] {
    const Int16 cols = doc_.Cols();
    if (!doc_.SetKey(row, key)) return;
    if (doc_.Cols() != cols) {
      FillGrid();  // the key column is new
      SelectRow(row);
    } else {
      UpdateScope updating(updating_);
      grid_->Data(row, 3, doc_.Cell(row, 3));
    }
    Changed();
  });
}

bool GridmendEditor::SetHeader(bool has_header) {
  const Int16 row = CurrentRow();
  if (!doc_.HasHeader(has_header)) {
    {
      UpdateScope updating(updating_);
      view_.ShowTableKind(doc_.IsFormType(), doc_.HasHeader());
    }
    view_.ShowStatus("A table needs a row below its header line.", false);
    return false;
  }
  FillGrid();
  SelectRow(std::max<Int16>(0, static_cast<Int16>(row + (has_header ? -1 : 1))));
  Changed();
  return true;
}

void GridmendEditor::AddRow() {
  Guarded("add a row", [this] {
    const Int16 row = doc_.InsertRow(doc_.Rows());
    {
      UpdateScope updating(updating_);
      grid_->AddRow();
      view_.GridChanged();
    }
    SelectRow(row);
    Changed();
    if (doc_.IsFormType()) view_.FocusFieldName();
  });
}

void GridmendEditor::DeleteRow() {
  const Int16 row = CurrentRow();
  if (row < 0) return;
  Guarded("delete the row", [&] {
    const Int16 before = doc_.Rows();
    doc_.DeleteRow(row);
    {
      UpdateScope updating(updating_);
      if (doc_.Rows() < before) {
        grid_->Del();
      } else {
        for (Int16 c = 0; c < doc_.Cols(); ++c) grid_->Data(row, c, doc_.Cell(row, c));
      }
    }
    SelectRow(std::min<Int16>(row, static_cast<Int16>(doc_.Rows() - 1)));
    Changed();
  });
}

void GridmendEditor::MoveUp() {
  const Int16 row = CurrentRow();
  Guarded("move the row", [&] {
    if (!doc_.MoveRowUp(row)) return;
    {
      UpdateScope updating(updating_);
      grid_->MoveUp();
      view_.GridChanged();
    }
    ShowCurrentRow();
    Changed();
  });
}

void GridmendEditor::MoveDown() {
  const Int16 row = CurrentRow();
  Guarded("move the row", [&] {
    if (!doc_.MoveRowDown(row)) return;
    {
      UpdateScope updating(updating_);
      grid_->MoveDown();
      view_.GridChanged();
    }
    ShowCurrentRow();
    Changed();
  });
}

void GridmendEditor::Changed() {
  TableDocument::Contents now = doc_.Current();
  if (now != recorded_) {
    const int id = typing_cell_ < 0 ? -1 : (typing_session_ << 20 | typing_cell_) & 0x7fffffff;
    view_.RecordEdit(EditName(recorded_, now), id, recorded_, recorded_row_, now, CurrentRow());
    recorded_ = std::move(now);
    recorded_row_ = CurrentRow();
  }
  UpdateCaption();
  UpdateCommands();
  if (sample_ && doc_.IsFormType()) view_.SchedulePreview();
}

void GridmendEditor::Restore(const TableDocument::Contents& contents, Int16 row) {
  doc_.Restore(contents);
  recorded_ = contents;
  {
    UpdateScope updating(updating_);
    view_.ShowTableKind(doc_.IsFormType(), doc_.HasHeader());
  }
  FillGrid();
  SelectRow(std::min<Int16>(row, static_cast<Int16>(doc_.Rows() - 1)));
  recorded_row_ = CurrentRow();
  UpdateCaption();
  UpdateCommands();
  if (sample_ && doc_.IsFormType()) view_.SchedulePreview();
}

void GridmendEditor::UpdateCaption() {
  const std::string name = doc_.Path().empty() ? "Untitled" : std::string(FileNameOf(doc_.Path()));
  view_.ShowCaption(name + "[*] - " + kProgramName, doc_.Modified());
}

void GridmendEditor::UpdateCommands() {
  const Int16 row = CurrentRow();
  view_.ShowCommands(row >= 0, row > 0, row >= 0 && row < doc_.Rows() - 1);
}

// ---- The current field ----

void GridmendEditor::UpdateReferenceInfo() {
  const Int16 row = CurrentRow();
  if (!doc_.IsFormType() || row < 0) {
    view_.ShowReferenceInfo("", std::nullopt);
  } else if (!sample_) {
    view_.ShowReferenceInfo("Open a sample form to see where this reference reads.", std::nullopt);
  } else {
    const SampleWorkbook::Location where = sample_->Locate(doc_.Cell(row, 1));
    view_.ShowReferenceInfo(where.text, where.area);
  }
}

void GridmendEditor::UpdateFormatInfo() {
  const Int16 row = CurrentRow();
  if (!doc_.IsFormType() || row < 0 || doc_.Cols() < 3) {
    view_.ShowFormatInfo("");
    return;
  }
  view_.ShowFormatInfo(DescribeFormat(doc_.Cell(row, 2)));
}

// ---- The sample form ----

void GridmendEditor::ChooseSample() {
  sample_chooser_.Title("Open Sample Form");
  sample_chooser_.Filter(kWorkbookFilter);
  if (!sample_chooser_.PathIsPresent())
    sample_chooser_.InitDir(doc_.Path().empty() ? CurrentDirectory() : FolderOf(doc_.Path()));
  if (sample_chooser_.ChooseExistingFile()) OpenSample(sample_chooser_.Path());
}

bool GridmendEditor::OpenSample(const std::string& path) {
  bool opened = false;
  Guarded("open the sample form " + path, [&] {
    auto sample = std::make_unique<SampleWorkbook>(SampleWorkbook::Open(path));
    view_.ShowSample(nullptr);
    sample_ = std::move(sample);
    sample_chooser_.Path(path);
    opened = true;
  });
  if (!opened) return false;
  {
    UpdateScope updating(updating_);
    view_.ShowSample(sample_.get());
  }
  UpdateReferenceInfo();
  RefreshPreview();
  return true;
}

void GridmendEditor::PickCells(const std::vector<xl::Area>& areas) {
  if (!sample_ || !doc_.IsFormType() || areas.empty()) return;
  const std::optional<std::string> reference = StripReference(areas);
  if (!reference) {
    view_.ShowStatus("A reference is one cell, or cells along one row or one column.", false);
    return;
  }
  SetReference(*reference, {});
}

void GridmendEditor::PickName(const std::string& full_name) {
  if (!doc_.IsFormType()) return;
  const std::size_t bang = full_name.rfind('!');
  SetReference(full_name, bang == std::string::npos ? full_name : full_name.substr(bang + 1));
}

void GridmendEditor::SetReference(const std::string& reference, const std::string& name) {
  if (doc_.Cols() < 2) return;
  if (CurrentRow() < 0) AddRow();  // picking with no field starts one
  const Int16 row = CurrentRow();
  if (row < 0) return;
  Guarded("set the reference", [&] {
    SetCell(row, 1, reference);
    // A field without a name takes the name it reads.
    if (!name.empty() && doc_.Cell(row, 0).empty()) SetCell(row, 0, name);
  });
  ShowCurrentRow();
}

// ---- The preview ----

void GridmendEditor::RefreshPreview() {
  if (!doc_.IsFormType()) return;
  if (!sample_) {
    view_.ShowPreview("", "Open a sample form to see the lines this form type gives for it.",
                      false);
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
  if (preview.error) {
    view_.ShowPreview(text, "A run stops at this form: " + ErrorText(*preview.error), true);
  } else {
    const std::size_t records = preview.lines.empty() ? 0 : preview.lines.size() - 1;
    view_.ShowPreview(text,
                      "The header line and " + std::to_string(records) +
                          (records == 1 ? " record" : " records") +
                          ", as a new data file gets them.",
                      false);
  }
}

}  // namespace sheaver
