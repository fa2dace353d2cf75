// The window-system facts the resizing layout needs, from Qt widgets: a window's size, its
// controls (those inside frames included) and each control's type name, Tag, position and size,
// all in twips.
//
// A window is a top-level widget with a container widget (a main window's central widget) whose
// child widgets are its controls; a group box among them is a frame, and its own child widgets
// are controls too, placed relative to it. Widgets that a control makes for itself (a list's
// scroll bars and header) are not controls. The actions of the window's menu bar are controls
// without a position. A control's Tag is the widget's dynamic property "Tag" (kTagProperty).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/window_system.h"

class QAction;
class QObject;
class QWidget;

namespace sheaver {

// The dynamic property that holds a control's layout options.
inline constexpr const char* kTagProperty = "Tag";

// The twips scale of the screen the widget is on (the primary screen before it is shown).
ScreenScale ScaleOf(const QWidget& widget);

// The type name the layout knows for a widget or action: "Toolbar" (QToolBar), "Frame"
// (QGroupBox), "TextBox" (QLineEdit, QPlainTextEdit, QTextEdit), "CommandButton" (QPushButton,
// QToolButton), "CheckBox", "OptionButton" (QRadioButton), "ComboBox", "ListView" (QTreeWidget
// and other item views), "Label" (QLabel), "Menu" (an action); any other widget gives its Qt
// class name without the leading "Q".
std::string QtTypeName(const QObject& object);

class QtWindow;

// One control: a child widget, or a menu action (no position: every geometry access raises
// 438). Writes refuse a negative width or height with 380, as a control does.
class QtWindowControl : public WindowControl {
 public:
  QtWindowControl(QtWindow& window, QWidget* widget, QAction* action);

  std::string TypeName() const override;
  std::string Tag() const override;
  double Left() const override;
  void Left(double twips) override;
  double Top() const override;
  void Top(double twips) override;
  double Width() const override;
  void Width(double twips) override;
  double Height() const override;
  void Height(double twips) override;
  Window& Parent() const override;

  QWidget* Widget() const { return widget_; }
  QAction* Action() const { return action_; }

 private:
  QWidget& Positioned() const;
  ScreenScale Scale() const;

  QtWindow& window_;
  QWidget* widget_;
  QAction* action_;
};

class QtWindow : public Window {
 public:
  // `window` is the top-level widget, `container` the widget that holds the controls (not owned;
  // both must outlive this object).
  QtWindow(QWidget& window, QWidget& container);
  ~QtWindow() override;

  // The window's width and height without the window manager's frame: the frame is known only
  // once the window is shown, and only the growth of the size matters to the layout.
  double Width() const override;
  double Height() const override;
  // Controls in creation order: each child widget of the container, a frame followed by its own
  // child widgets; then the actions of the menu bar's menus. The objects stay valid for the
  // life of this QtWindow.
  std::vector<WindowControl*> Controls() override;

  QWidget& TopLevel() const { return window_; }

 private:
  WindowControl* ControlFor(QWidget* widget, QAction* action);

  QWidget& window_;
  QWidget& container_;
  std::vector<std::unique_ptr<QtWindowControl>> controls_;
};

}  // namespace sheaver
