#include "platform/qt/qt_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include "runtime/error.h"

namespace sheaver {
namespace {

void RaiseNoSuchProperty() {
  Raise(kErrNoSuchProperty, kNoSuchPropertyText);
}

}  // namespace

ScreenScale ScaleOf(const QWidget& widget) {
  const QScreen* screen = widget.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return ScreenScale(screen != nullptr ? screen->logicalDotsPerInch() : 96);
}

std::string QtTypeName(const QObject& object) {
  if (qobject_cast<const QAction*>(&object)) return "Menu";
  if (qobject_cast<const QToolBar*>(&object)) return "Toolbar";
  if (qobject_cast<const QGroupBox*>(&object)) return "Frame";
  if (qobject_cast<const QLineEdit*>(&object) || qobject_cast<const QPlainTextEdit*>(&object) ||
      qobject_cast<const QTextEdit*>(&object))
    return "TextBox";
  if (qobject_cast<const QPushButton*>(&object) || qobject_cast<const QToolButton*>(&object))
    return "CommandButton";
  if (qobject_cast<const QCheckBox*>(&object)) return "CheckBox";
  if (qobject_cast<const QRadioButton*>(&object)) return "OptionButton";
  if (qobject_cast<const QComboBox*>(&object)) return "ComboBox";
  if (qobject_cast<const QAbstractItemView*>(&object)) return "ListView";
  if (qobject_cast<const QLabel*>(&object)) return "Label";
  std::string name = object.metaObject()->className();
  if (name.size() > 1 && name[0] == 'Q') name.erase(0, 1);
  return name;
}

QtWindowControl::QtWindowControl(QtWindow& window, QWidget* widget, QAction* action)
    : window_(window), widget_(widget), action_(action) {}

std::string QtWindowControl::TypeName() const {
  if (widget_ != nullptr) return QtTypeName(*widget_);
  return QtTypeName(*action_);
}

std::string QtWindowControl::Tag() const {
  const QObject* object = widget_ != nullptr ? static_cast<const QObject*>(widget_) : action_;
  return object->property(kTagProperty).toString().toStdString();
}

QWidget& QtWindowControl::Positioned() const {
  if (widget_ == nullptr) RaiseNoSuchProperty();
  return *widget_;
}

ScreenScale QtWindowControl::Scale() const {
  return ScaleOf(Positioned());
}

double QtWindowControl::Left() const {
  return Scale().ToTwips(Positioned().x());
}
void QtWindowControl::Left(double twips) {
  QWidget& w = Positioned();
  w.move(Scale().ToPixels(twips), w.y());
}
double QtWindowControl::Top() const {
  return Scale().ToTwips(Positioned().y());
}
void QtWindowControl::Top(double twips) {
  QWidget& w = Positioned();
  w.move(w.x(), Scale().ToPixels(twips));
}
double QtWindowControl::Width() const {
  return Scale().ToTwips(Positioned().width());
}
void QtWindowControl::Width(double twips) {
  QWidget& w = Positioned();
  if (twips < 0) Raise(err::kInvalidPropertyValue);
  w.resize(Scale().ToPixels(twips), w.height());
}
double QtWindowControl::Height() const {
  return Scale().ToTwips(Positioned().height());
}
void QtWindowControl::Height(double twips) {
  QWidget& w = Positioned();
  if (twips < 0) Raise(err::kInvalidPropertyValue);
  w.resize(w.width(), Scale().ToPixels(twips));
}
Window& QtWindowControl::Parent() const {
  return window_;
}

QtWindow::QtWindow(QWidget& window, QWidget& container) : window_(window), container_(container) {}
QtWindow::~QtWindow() = default;

double QtWindow::Width() const {
  return ScaleOf(window_).ToTwips(window_.width());
}
double QtWindow::Height() const {
  return ScaleOf(window_).ToTwips(window_.height());
}

WindowControl* QtWindow::ControlFor(QWidget* widget, QAction* action) {
  for (const auto& c : controls_) {
    if (c->Widget() == widget && c->Action() == action) return c.get();
  }
  controls_.push_back(std::make_unique<QtWindowControl>(*this, widget, action));
  return controls_.back().get();
}

std::vector<WindowControl*> QtWindow::Controls() {
  std::vector<WindowControl*> out;
  auto add_children = [&](QWidget& parent, auto& self) -> void {
    for (QObject* child : parent.children()) {
      auto* widget = qobject_cast<QWidget*>(child);
      if (widget == nullptr || widget->isWindow()) continue;
      out.push_back(ControlFor(widget, nullptr));
      if (qobject_cast<QGroupBox*>(widget)) self(*widget, self);
    }
  };
  add_children(container_, add_children);
  if (QMenuBar* bar = window_.findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly)) {
    auto add_actions = [&](QWidget& menu, auto& self) -> void {
      for (QAction* action : menu.actions()) {
        if (action->isSeparator()) continue;
        out.push_back(ControlFor(nullptr, action));
        if (QMenu* sub = action->menu()) self(*sub, self);
      }
    };
    add_actions(*bar, add_actions);
  }
  return out;
}

}  // namespace sheaver
