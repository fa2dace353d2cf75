// A window and its controls held in memory, for the layout's tests and for window logic that is
// tested without a display. Every property is a public field that a test sets and reads; the
// failure switches make a read or write raise, as a real control can.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ui/window_system.h"

namespace sheaver {

class MemoryWindow;

class MemoryControl : public WindowControl {
 public:
  MemoryControl(MemoryWindow& parent, std::string type_name, std::string tag)
      : type_name(std::move(type_name)), tag(std::move(tag)), parent_(parent) {}

  std::string TypeName() const override;
  std::string Tag() const override;
  double Left() const override { return Read(left); }
  void Left(double twips) override { Write("Left", left, twips); }
  double Top() const override { return Read(top); }
  void Top(double twips) override { Write("Top", top, twips); }
  double Width() const override { return Read(width); }
  void Width(double twips) override { Write("Width", width, twips); }
  double Height() const override { return Read(height); }
  void Height(double twips) override { Write("Height", height, twips); }
  Window& Parent() const override;

  std::string type_name;
  std::string tag;
  double left = 0, top = 0, width = 0, height = 0;
  // false for a control without a position (a menu item): every geometry read and write raises.
  bool has_position = true;
  // Names of the geometry properties ("Left", "Top", "Width", "Height") whose writes raise.
  std::set<std::string> refused_writes;
  // When true, reading the type name or the Tag raises.
  bool unreadable = false;
  // Number of geometry writes that took effect.
  int writes = 0;

 private:
  MemoryWindow& parent_;
  double Read(double value) const;
  void Write(const char* name, double& field, double value);
};

class MemoryWindow : public Window {
 public:
  MemoryWindow(double width_twips, double height_twips)
      : width(width_twips), height(height_twips) {}

  double Width() const override;
  double Height() const override;
  std::vector<WindowControl*> Controls() override;

  // Adds a control with a position and size.
  MemoryControl& Add(const std::string& type_name, const std::string& tag, double left, double top,
                     double width, double height);
  // Adds a control without a position (a menu item).
  MemoryControl& AddMenu(const std::string& tag = "");

  double width, height;
  // When true, reading the window's size raises.
  bool size_unreadable = false;
  std::vector<std::unique_ptr<MemoryControl>> controls;
};

}  // namespace sheaver
