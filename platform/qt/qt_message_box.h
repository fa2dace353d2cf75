// Message boxes on screen: the message-box service as QMessageBox, modal over the active window.
#pragma once

#include <string>

#include "runtime/msgbox.h"

namespace sheaver {

// Object name of the message boxes, for finding them among the application's widgets.
inline constexpr const char* kMessageBoxName = "MsgBox";

// Shows the text as plain text (CR LF shown as one line break) with the buttons, icon and title
// given; the first button is the default, and Escape (or the close box) answers Cancel, or No
// when there is no Cancel button.
class QtMessageBox : public MessageBoxService {
 public:
  MsgAnswer Show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                 const std::string& title) override;
};

}  // namespace sheaver
