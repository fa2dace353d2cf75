// Test doubles for the file dialog and the folder browser: they record what they are told and
// answer as a scripted user would.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "datafiles/clsPath.h"
#include "runtime/error.h"

namespace sheaver {

class FakeCommonDialog : public CommonDialog {
 public:
  void CancelError(bool raise) override {
    cancel_error = raise;
    log.push_back(std::string("CancelError=") + (raise ? "true" : "false"));
  }
  void DialogTitle(const std::string& t) override { log.push_back("DialogTitle=" + t); }
  void Filter(const std::string& f) override { log.push_back("Filter=" + f); }
  void InitDir(const std::string& d) override { log.push_back("InitDir=" + d); }
  void Flags(long flags) override { log.push_back("Flags=" + std::to_string(flags)); }
  void FileName(const std::string& name) override {
    file_name = name;
    log.push_back("FileName=" + name);
  }
  std::string FileName() const override { return file_name; }
  void ShowOpen() override {
    log.push_back("ShowOpen");
    if (broken) Raise(err::kInvalidCall);
    if (!answer) {
      if (cancel_error) Raise(kErrDialogCancelled, kDialogCancelledText);
      return;
    }
    file_name = *answer;
  }

  std::optional<std::string> answer;  // the file the user picks; none: the user cancels
  bool broken = false;                // ShowOpen fails with an error of its own
  bool cancel_error = false;
  std::string file_name;
  std::vector<std::string> log;
};

class FakeFolderBrowser : public FolderBrowser {
 public:
  void Title(const std::string& t) override { log.push_back("Title=" + t); }
  void StartingFolder(const std::string& f) override { log.push_back("StartingFolder=" + f); }
  bool Browse() override {
    log.push_back("Browse");
    if (broken) Raise(err::kInvalidCall);
    if (answer) selected = *answer;
    return answer.has_value();
  }
  std::string SelectedFolder() const override { return selected; }

  std::optional<std::string> answer;  // the folder the user picks; none: the user cancels
  bool broken = false;
  std::string selected;
  std::vector<std::string> log;
};

}  // namespace sheaver
