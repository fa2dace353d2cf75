#include "ui/memory_window.h"

#include "runtime/error.h"

namespace sheaver {
namespace {

[[noreturn]] void RaiseNoSuchProperty() {
  Raise(kErrNoSuchProperty, kNoSuchPropertyText);
}

}  // namespace

std::string MemoryControl::TypeName() const {
  if (unreadable) RaiseNoSuchProperty();
  return type_name;
}

std::string MemoryControl::Tag() const {
  if (unreadable) RaiseNoSuchProperty();
  return tag;
}

Window& MemoryControl::Parent() const {
  return parent_;
}

double MemoryControl::Read(double value) const {
  if (!has_position) RaiseNoSuchProperty();
  return value;
}

void MemoryControl::Write(const char* name, double& field, double value) {
  if (!has_position) RaiseNoSuchProperty();
  if (refused_writes.count(name) != 0) Raise(err::kInvalidPropertyValue);
  field = value;
  ++writes;
}

double MemoryWindow::Width() const {
  if (size_unreadable) RaiseNoSuchProperty();
  return width;
}

double MemoryWindow::Height() const {
  if (size_unreadable) RaiseNoSuchProperty();
  return height;
}

std::vector<WindowControl*> MemoryWindow::Controls() {
  std::vector<WindowControl*> all;
  for (auto& c : controls) all.push_back(c.get());
  return all;
}

MemoryControl& MemoryWindow::Add(const std::string& type_name, const std::string& tag, double left,
                                 double top, double width, double height) {
  auto control = std::make_unique<MemoryControl>(*this, type_name, tag);
  control->left = left;
  control->top = top;
  control->width = width;
  control->height = height;
  controls.push_back(std::move(control));
  return *controls.back();
}

MemoryControl& MemoryWindow::AddMenu(const std::string& tag) {
  controls.push_back(std::make_unique<MemoryControl>(*this, "Menu", tag));
  controls.back()->has_position = false;
  return *controls.back();
}

}  // namespace sheaver
