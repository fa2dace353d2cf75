#include "ui/resize_layout.h"

#include <exception>

#include "runtime/error.h"
#include "runtime/numbers.h"

namespace sheaver {
namespace {

// Controls of this type keep their place: a toolbar docks itself to the window's edge.
constexpr std::string_view kToolbarType = "Toolbar";

// The growth of a window dimension beyond its reference, never negative.
std::int32_t Growth(double current, std::int32_t reference) {
  std::int32_t extra = CLng(current - reference);
  return extra < 0 ? 0 : extra;
}

}  // namespace

void ResizeLayout::MinWidth(float Twips) {
  min_width_ = CLng(Twips);
}
float ResizeLayout::MinWidth() const {
  return static_cast<float>(min_width_);
}
void ResizeLayout::MinHeight(float Twips) {
  min_height_ = CLng(Twips);
}
float ResizeLayout::MinHeight() const {
  return static_cast<float>(min_height_);
}

const std::vector<LayoutControl>& ResizeLayout::Entries() const {
  static const std::vector<LayoutControl> kNone;
  return entries_ ? *entries_ : kNone;
}

double ResizeLayout::GetRatio(std::string_view key, std::string_view options) {
  Int16 n = 0;
  Int16 d = 1;
  std::size_t at = options.find(key);
  if (at != std::string_view::npos) {
    std::string_view value = options.substr(at + key.size());
    value = value.substr(0, value.find(' '));
    n = CInt(Val(value));
    std::size_t slash = value.find('/');
    if (slash != std::string_view::npos) d = CInt(Val(value.substr(slash + 1)));
  }
  if (d == 0) Raise(err::kDivisionByZero);
  return static_cast<double>(n) / d;
}

void ResizeLayout::AddControl(WindowControl& ctrl, const std::string& pOpts) {
  try {
    LayoutControl entry;
    entry.ctrl = &ctrl;
    entry.xr = GetRatio("X=", pOpts);
    entry.yr = GetRatio("Y=", pOpts);
    entry.wr = GetRatio("W=", pOpts);
    entry.hr = GetRatio("H=", pOpts);
    entry.Left = CLng(ctrl.Left());
    entry.Top = CLng(ctrl.Top());
    entry.Width = CLng(ctrl.Width());
    entry.Height = CLng(ctrl.Height());
    if (!entries_) Raise(err::kObjectNotSet);
    entries_->push_back(entry);
  } catch (const std::exception&) {
    // The control simply does not follow the window.
  }
}

void ResizeLayout::SetLayout(Window& frm) {
  MinWidth(static_cast<float>(frm.Width()));
  MinHeight(static_cast<float>(frm.Height()));
  entries_.emplace();
  for (WindowControl* control : frm.Controls()) {
    if (control->TypeName() == kToolbarType) continue;
    AddControl(*control, control->Tag());
  }
}

void ResizeLayout::RedrawLayout() {
  if (!entries_) Raise(err::kObjectNotSet);
  std::int32_t dW = 0;
  std::int32_t dH = 0;
  for (const LayoutControl& e : *entries_) {
    WindowControl& c = *e.ctrl;
    if (dW == 0) dW = Growth(c.Parent().Width(), min_width_);
    if (dH == 0) dH = Growth(c.Parent().Height(), min_height_);
    // Each assignment on its own: a control that refuses one still gets the others.
    auto assign = [](auto&& set) {
      try {
        set();
      } catch (const std::exception&) {
      }
    };
    assign([&] { c.Left(e.xr * dW + e.Left); });
    assign([&] { c.Top(e.yr * dH + e.Top); });
    assign([&] { c.Width(e.wr * dW + e.Width); });
    assign([&] { c.Height(e.hr * dH + e.Height); });
  }
}

}  // namespace sheaver
