// Helpers for the desktop programs' tests: answering a modal dialog that the code under test is
// about to show, the scripted file dialog and folder browser, and what a launcher that records
// the programs it is asked to start records.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "support/dialog_doubles.h"

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
