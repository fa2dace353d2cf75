// Gridmend's commands without a window: the grid in memory, the file dialog and the message
// boxes scripted, and what the editor asks its window to show recorded. The Qt window's own
// wiring (widgets, undo stack, mouse picks) is tested on the offscreen platform in window/.
#include "gridmend/editor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/dialog_doubles.h"
#include "support/form_files.h"
#include "support/recording_message_box.h"
#include "support/temp_dir.h"
#include "ui/memory_list_view.h"

namespace sheaver {
namespace {

using test::ScopedMessageBox;
using test::TempDir;

// What the editor asked its window to show, the latest of each.
class RecordingView : public EditorView {
 public:
  struct Edit {
    std::string name;
    int merge_id;
    TableDocument::Contents before, after;
  };
  bool form_type = false;
  FieldShown field;
  std::string caption, status, reference_info, preview, preview_note;
  bool modified = false, can_delete = false, preview_failed = false;
  const SampleWorkbook* sample = nullptr;
  std::vector<Edit> edits;
  int previews_due = 0;

  void ShowTableKind(bool form, bool) override { form_type = form; }
  void GridChanged() override {}
  void ShowField(const FieldShown& f) override { field = f; }
  void ShowCaption(const std::string& title, bool is_modified) override {
    caption = title;
    modified = is_modified;
  }
  void ShowCommands(bool del, bool, bool) override { can_delete = del; }
  void ShowStatus(const std::string& text, bool) override { status = text; }
  void ShowReferenceInfo(const std::string& text, std::optional<xl::Area>) override {
    reference_info = text;
  }
  void ShowFormatInfo(const std::string&) override {}
  void ShowSample(const SampleWorkbook* s) override { sample = s; }
  void ShowPreview(const std::string& lines, const std::string& note, bool failed) override {
    preview = lines;
    preview_note = note;
    preview_failed = failed;
  }
  void RecordEdit(const std::string& name, int merge_id, const TableDocument::Contents& before,
                  Int16, const TableDocument::Contents& after, Int16) override {
    // Edits with one merge id are one step, as the window's undo stack merges them.
    if (merge_id >= 0 && !edits.empty() && edits.back().merge_id == merge_id) {
      edits.back().after = after;
      return;
    }
    edits.push_back({name, merge_id, before, after});
  }
  void ClearEdits() override { edits.clear(); }
  void SchedulePreview() override { ++previews_due; }
  void FocusFieldName() override {}
};

class EditorTest : public testing::Test {
 protected:
  EditorTest()
      : editor_(
            view_,
            [this]() -> ListViewControl* {
              grid_ = std::make_unique<MemoryListView>(9000);
              return grid_.get();
            },
            dialog_, dir_.Path()) {}

  // The grid's rows as the user sees them, cells joined by "|".
  std::vector<std::string> Grid() const {
    std::vector<std::string> rows;
    for (int i = 1; i <= grid_->ListItemCount(); ++i) {
      std::string row = grid_->ItemText(i);
      for (int c = 1; c < grid_->ColumnHeaderCount(); ++c) row += "|" + grid_->SubItemText(i, c);
      rows.push_back(row);
    }
    return rows;
  }

  std::string TimesheetType() {
    const std::string path = dir_.File("Timesheet.dat");
    test::WriteFormType(path, test::TimesheetFields());
    return path;
  }

  TempDir dir_;
  ScopedMessageBox box_;
  test::ScriptedFileDialog dialog_;
  RecordingView view_;
  std::unique_ptr<MemoryListView> grid_;
  GridmendEditor editor_;
};

TEST_F(EditorTest, EditsAreRecordedAsUndoStepsAndTypingInOneCellIsOneStep) {
  editor_.Start(TimesheetType());
  EXPECT_TRUE(view_.form_type);
  EXPECT_EQ(Grid(), (std::vector<std::string>{"Staff|B2|0", "Day|B3|+dmy", "Hours|C6:C12|0.00"}));
  EXPECT_EQ(view_.caption, "Timesheet.dat[*] - Gridmend");
  EXPECT_FALSE(view_.modified);

  editor_.AddRow();
  EXPECT_EQ(editor_.CurrentRow(), 3);
  editor_.FieldTyped(0, "N");
  editor_.FieldTyped(0, "No");
  editor_.FieldTyped(0, "Note");
  editor_.EndTyping();
  editor_.FieldTyped(1, "A1");
  editor_.EndTyping();
  editor_.SelectRow(0);
  editor_.MoveDown();
  editor_.SetKey(true);
  ASSERT_EQ(view_.edits.size(), 5u);
  EXPECT_EQ(view_.edits[0].name, "Add Row");
  EXPECT_EQ(view_.edits[1].name, "Edit");  // "N", "No", "Note": one step
  EXPECT_EQ(view_.edits[1].after.cells.back()[0], "Note");
  EXPECT_EQ(view_.edits[2].name, "Edit");  // the next visit is a step of its own
  EXPECT_EQ(view_.edits[3].name, "Move Row");
  EXPECT_EQ(view_.edits[4].name, "Key");
  EXPECT_EQ(Grid()[0], "Day|B3|+dmy|");
  EXPECT_EQ(Grid()[1], "Staff|B2|0|key");
  EXPECT_TRUE(view_.modified);

  // Undo puts the contents before an edit back.
  editor_.Restore(view_.edits[1].before, 3);
  EXPECT_EQ(Grid().back(), "||");
  EXPECT_EQ(editor_.CurrentRow(), 3);
  EXPECT_EQ(view_.field.name, "");
}

TEST_F(EditorTest, UnsavedChangesAreAskedAboutAndSaveAsAsksBeforeReplacing) {
  const std::string path = TimesheetType();
  editor_.Start(path);
  editor_.DeleteRow();

  box_->answers = {MsgAnswer::kCancel};  // back to editing
  editor_.New();
  EXPECT_EQ(editor_.Document().Path(), path);
  box_->answers = {MsgAnswer::kYes};  // saves, then shows a new form type
  editor_.New();
  EXPECT_EQ(editor_.Document().Path(), "");
  EXPECT_EQ(dir_.Read("Timesheet.dat").find("Staff"), std::string::npos);  // row 1 deleted
  EXPECT_EQ(box_->shown.size(), 2u);
  EXPECT_EQ(box_->shown[0].text,
            "Timesheet.dat has changes that are not saved.\nDo you want to save them?\n\n"
            "Yes saves them, No discards them, Cancel goes back to editing.");

  // A new form type is saved through the dialog; a name without an extension gets .dat, and an
  // existing file is replaced only when the user says so.
  editor_.AddRow();
  dialog_.answers = {dir_.File("Timesheet"), dir_.File("Other")};
  box_->answers = {MsgAnswer::kNo};
  EXPECT_FALSE(editor_.Save());
  EXPECT_EQ(box_->shown.back().text,
            dir_.File("Timesheet.dat") + " already exists.\nDo you want to replace it?");
  EXPECT_TRUE(editor_.Save());
  EXPECT_EQ(editor_.Document().Path(), dir_.File("Other.dat"));
  EXPECT_EQ(view_.status, "Saved " + dir_.File("Other.dat"));
  EXPECT_FALSE(view_.modified);
  EXPECT_EQ(dialog_.shown.front().init_dir, dir_.File("FormTypes"));
  EXPECT_TRUE(editor_.MayDiscard());  // nothing left to ask about

  // A path where no file is yet: a new form type that Save writes there.
  editor_.Start(dir_.File("Claims.dat"));
  EXPECT_EQ(view_.status, "A new form type: Save writes it to " + dir_.File("Claims.dat") + ".");
}

TEST_F(EditorTest, PicksOnTheSampleBecomeReferencesAndThePreviewFollows) {
  editor_.Start(TimesheetType());
  EXPECT_EQ(view_.preview_note, "Open a sample form to see the lines this form type gives for it.");
  ASSERT_TRUE(editor_.OpenSample(test::WeekWorkbook()));
  ASSERT_NE(view_.sample, nullptr);
  EXPECT_EQ(view_.preview_note, "The header line and 7 records, as a new data file gets them.");
  EXPECT_EQ(view_.preview.substr(0, view_.preview.find('\n')), "Staff,Day,Hours");

  // A strip along one column is a reference; a block of two columns is refused.
  editor_.SelectRow(2);
  editor_.PickCells({{5, 2, 11, 2}});
  EXPECT_EQ(Grid()[2], "Hours|C6:C12|0.00");
  editor_.PickCells({{1, 4, 2, 5}});
  EXPECT_EQ(view_.status, "A reference is one cell, or cells along one row or one column.");
  EXPECT_EQ(Grid()[2], "Hours|C6:C12|0.00");
  EXPECT_GT(view_.previews_due, 0);

  // A name picked with no field current adds one, named after the name.
  grid_->SelectNone();
  editor_.PickName("WeekStart");
  EXPECT_EQ(Grid().back(), "WeekStart|WeekStart|");
  editor_.FieldTyped(2, "+dmy");
  editor_.RefreshPreview();
  EXPECT_FALSE(view_.preview_failed);
  EXPECT_EQ(view_.preview.substr(0, view_.preview.find('\n')), "Staff,Day,Hours,WeekStart");

  // A field that cannot be converted: the preview says where a run would stop.
  editor_.FieldTyped(2, "0.00");
  editor_.FieldTyped(1, "B5");  // the error value #DIV/0!
  editor_.RefreshPreview();
  EXPECT_TRUE(view_.preview_failed);
  EXPECT_EQ(view_.preview_note.rfind("A run stops at this form: ", 0), 0u) << view_.preview_note;

  // A sample that is not a workbook leaves the sample as it was.
  EXPECT_FALSE(editor_.OpenSample(dir_.Write("notes.xls", "plain text\n")));
  EXPECT_EQ(editor_.Sample()->Path(), test::WeekWorkbook());
  EXPECT_EQ(box_->shown.back().text.rfind("Could not open the sample form ", 0), 0u);
}

}  // namespace
}  // namespace sheaver
