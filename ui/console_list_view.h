// The report list of the command-line tool: a list view held in memory that shows a run's
// progress on the console as the run sets each workbook's status. On a terminal it keeps one
// live line ("[3/100] Processing /forms/week07.xls"); otherwise it writes one line per workbook
// when its status becomes "Done", "Rejected" or "Failed" ("Done<TAB>/forms/week01.xls"), and
// Finish writes any row a run left "Processing". Names are escaped (EscapeForLine), so one
// workbook is always one line. The run writes the list only through
// ReportListView; this control only watches the status column.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "ui/memory_list_view.h"

namespace sheaver {

class ConsoleListView : public MemoryListView {
 public:
  enum class Mode {
    kLive,    // one progress line, redrawn in place (a terminal)
    kLines,   // one line per finished workbook (a file or pipe)
    kSilent,  // nothing
  };

  // Shows progress on out (not owned; it must outlive the control) in the given mode.
  ConsoleListView(std::FILE* out, Mode mode);

  // kLive when out is a terminal, kLines otherwise, kSilent when quiet.
  static Mode ModeFor(std::FILE* out, bool quiet);

  // Ends the display of the current run: the live line is cleared, and in kLines mode every row
  // still "Processing" is written with that status. Call once after each run, even a failed one.
  void Finish();

  // Rows that reached "Done" since the control was made, over all runs.
  std::uint64_t DoneCount() const { return done_; }

 private:
  void CellChanged(int position, int column, const std::string& text);
  void DrawLiveLine(int position, const std::string& status);

  std::FILE* out_;
  Mode mode_;
  std::uint64_t done_ = 0;
  int doneThisRun_ = 0;
  bool liveLineShown_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace sheaver
