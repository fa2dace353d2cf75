// Helpers for the desktop program's tests: answering a modal dialog that the code under test is
// about to show, doubles of the file dialog and folder browser, and a launcher that records the
// programs it is asked to start.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "datafiles/clsPath.h"
#include "runtime/error.h"

namespace sheaver::test {

// Acts on the next modal widget of type T as soon as it shows (a QMessageBox or QFileDialog
// opened by the code under test), from inside its event loop. `Acted()` tells whether it ran;
// a modal widget that never shows fails the test after a few seconds, closing whatever is open.
template <typename T>
class WhenModal {
 public:
  explicit WhenModal(std::function<void(T&)> act) : state_(std::make_shared<State>()) {
    state_->act = std::move(act);
    state_->clock.start();
    Poll(state_);
  }
  bool Acted() const { return state_->acted; }

 private:
  struct State {
    std::function<void(T&)> act;
    QElapsedTimer clock;
    bool acted = false;
  };
  static void Poll(const std::shared_ptr<State>& state) {
    QTimer::singleShot(10, [state] {
      if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
          widget != nullptr && widget->isVisible()) {
        state->acted = true;
        state->act(*widget);
        return;
      }
      if (state->clock.elapsed() > 5000) {
        ADD_FAILURE() << "no modal " << T::staticMetaObject.className() << " showed";
        if (QWidget* other = QApplication::activeModalWidget()) other->close();
        return;
      }
      Poll(state);
    });
  }

  std::shared_ptr<State> state_;
};

// Types a name into a file dialog's file name box and accepts the dialog, as a user does.
inline void TypeAndAccept(QFileDialog& dialog, const QString& name) {
  auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
  if (edit == nullptr) {
    ADD_FAILURE() << "the file dialog has no file name box";
    dialog.reject();
    return;
  }
  // Typing goes to the focused box: the dialog then lets the typed name replace the file that
  // was selected in its list.
  QApplication::setActiveWindow(&dialog);
  edit->setFocus(Qt::OtherFocusReason);
  edit->setText(name);
  static_cast<QDialog&>(dialog).accept();
}

// A file dialog that answers from a script: each ShowOpen takes the next answer, a path (the
// chosen file) or nullopt (cancel). It records what it was set up with at each ShowOpen.
class ScriptedFileDialog : public CommonDialog {
 public:
  struct Shown {
    std::string title, filter, init_dir, file_name;
    long flags = 0;
    bool cancel_error = false;
  };
  std::deque<std::optional<std::string>> answers;
  std::vector<Shown> shown;

  void CancelError(bool raise) override { current_.cancel_error = raise; }
  void DialogTitle(const std::string& title) override { current_.title = title; }
  void Filter(const std::string& filter) override { current_.filter = filter; }
  void InitDir(const std::string& dir) override { current_.init_dir = dir; }
  void Flags(long flags) override { current_.flags = flags; }
  void FileName(const std::string& name) override { current_.file_name = name; }
  std::string FileName() const override { return current_.file_name; }
  void ShowOpen() override {
    shown.push_back(current_);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected file dialog \"" << current_.title << "\"";
      answers.push_back(std::nullopt);
    }
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    if (!answer) {
      if (current_.cancel_error) Raise(kErrDialogCancelled, kDialogCancelledText);
      return;
    }
    current_.file_name = *answer;
  }

 private:
  Shown current_;
};

// A folder browser that answers from a script likewise, recording title and starting folder.
class ScriptedFolderBrowser : public FolderBrowser {
 public:
  struct Shown {
    std::string title, starting_folder;
  };
  std::deque<std::optional<std::string>> answers;
  std::vector<Shown> shown;

  void Title(const std::string& title) override { current_.title = title; }
  void StartingFolder(const std::string& folder) override { current_.starting_folder = folder; }
  bool Browse() override {
    shown.push_back(current_);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected folder browser \"" << current_.title << "\"";
      return false;
    }
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    if (!answer) return false;
    selected_ = *answer;
    return true;
  }
  std::string SelectedFolder() const override { return selected_; }

 private:
  Shown current_;
  std::string selected_;
};

// A program start as the window asked for it.
struct Launched {
  std::string program;
  std::string argument;
  bool operator==(const Launched&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Launched& l) {
  return os << "{" << l.program << ", [" << l.argument << "]}";
}

}  // namespace sheaver::test
