// Helpers for the desktop programs' tests: finding and working a window's controls by name,
// reading a list as rows, and answering a modal dialog that the code under test is about to
// show.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace sheaver::test {

// The child of `root` named `name`; a missing one ends the test with an exception naming it.
template <typename T = QWidget>
T& Find(const QObject& root, const char* name) {
  T* found = root.findChild<T*>(name);
  if (found == nullptr) throw std::runtime_error(std::string("no control ") + name);
  return *found;
}
// Clicks a button with the mouse; triggers a menu item.
inline void Click(const QObject& root, const char* button) {
  QTest::mouseClick(&Find<QPushButton>(root, button), Qt::LeftButton);
}
inline void Choose(const QObject& root, const char* menu_item) {
  Find<QAction>(root, menu_item).trigger();
}

// Every row of a list as its columns' texts joined by "|".
inline std::vector<std::string> TreeRows(const QTreeWidget& tree) {
  std::vector<std::string> rows;
  for (int i = 0; i < tree.topLevelItemCount(); ++i) {
    std::string row;
    for (int c = 0; c < tree.columnCount(); ++c)
      row += (c > 0 ? "|" : "") + tree.topLevelItem(i)->text(c).toStdString();
    rows.push_back(row);
  }
  return rows;
}

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

}  // namespace sheaver::test
