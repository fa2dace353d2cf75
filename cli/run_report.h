// The report a program reads (--report FILE): one JSON object per line (JSON Lines) per
// workbook, written as soon as the workbook is done, so that a watching run and a killed run
// keep theirs.
#pragma once

#include <cstdio>
#include <string>

#include "app/batch_run.h"

namespace sheaver::cli {

class RunReport {
 public:
  // Opens the file for appending (creating it): reports of successive runs follow each other.
  // The file's error (Path not found, Permission denied) when it cannot be opened.
  explicit RunReport(const std::string& path);
  ~RunReport();
  RunReport(const RunReport&) = delete;
  RunReport& operator=(const RunReport&) = delete;

  // One line: {"time", "workbook", "status", "records", "error", "message"}; error and message
  // are null for a filed workbook. Written and flushed at once; a name that is not UTF-8 has
  // its bad bytes replaced (U+FFFD) rather than making the line unreadable.
  void Add(const WorkbookOutcome& outcome);

  // The line Add writes, without its newline.
  static std::string Line(const WorkbookOutcome& outcome, const std::string& time);

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace sheaver::cli
