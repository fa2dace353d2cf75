// A file dialog and a folder browser that answer from a script, as a user would: each showing
// takes the next answer, a path (the chosen one) or nullopt (cancel), and records what the dialog
// was set up with when it showed.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "ui/path_chooser.h"

namespace sheaver::test {

class ScriptedFileDialog : public CommonDialog {
 public:
  struct Shown {
    std::string title, filter, init_dir, file_name;
    long flags = 0;
    bool cancel_error = false;
    friend std::ostream& operator<<(std::ostream& os, const Shown& s) {
      return os << "{" << s.title << " | " << s.filter << " | " << s.init_dir << " | "
                << s.file_name << " | flags " << s.flags
                << (s.cancel_error ? " | cancel error}" : "}");
    }
  };
  std::deque<std::optional<std::string>> answers;
  std::vector<Shown> shown;
  bool broken = false;  // ShowOpen fails with an error of its own (5)

  void CancelError(bool raise) override { current_.cancel_error = raise; }
  void DialogTitle(const std::string& title) override { current_.title = title; }
  void Filter(const std::string& filter) override { current_.filter = filter; }
  void InitDir(const std::string& dir) override { current_.init_dir = dir; }
  void Flags(long flags) override { current_.flags = flags; }
  void FileName(const std::string& name) override { current_.file_name = name; }
  std::string FileName() const override { return current_.file_name; }
  void ShowOpen() override {
    shown.push_back(current_);
    if (broken) Raise(err::kInvalidCall);
    if (answers.empty()) ADD_FAILURE() << "unexpected file dialog " << current_;
    const std::optional<std::string> answer = answers.empty() ? std::nullopt : answers.front();
    if (!answers.empty()) answers.pop_front();
    if (answer) {
      current_.file_name = *answer;
    } else if (current_.cancel_error) {
      Raise(kErrDialogCancelled, kDialogCancelledText);
    }
  }

 private:
  Shown current_;
};

class ScriptedFolderBrowser : public FolderBrowser {
 public:
  std::deque<std::optional<std::string>> answers;
  std::vector<std::string> shown;  // "title|starting folder" at each Browse
  bool broken = false;             // Browse fails with an error of its own (5)

  void Title(const std::string& title) override { title_ = title; }
  void StartingFolder(const std::string& folder) override { start_ = folder; }
  bool Browse() override {
    shown.push_back(title_ + "|" + start_);
    if (broken) Raise(err::kInvalidCall);
    if (answers.empty()) ADD_FAILURE() << "unexpected folder browser " << shown.back();
    const std::optional<std::string> answer = answers.empty() ? std::nullopt : answers.front();
    if (!answers.empty()) answers.pop_front();
    if (answer) selected_ = *answer;
    return answer.has_value();
  }
  std::string SelectedFolder() const override { return selected_; }

 private:
  std::string title_, start_, selected_;
};

}  // namespace sheaver::test
