// The message-box service: every message the system shows goes through it. The window program
// installs a Qt implementation, the command-line tool and a start without a display the console
// one, tests a recording fake.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace sheaver {

enum class MsgButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class MsgIcon { kNone, kCritical, kQuestion, kExclamation, kInformation };
enum class MsgAnswer { kOk, kCancel, kYes, kNo };

// The answer of a box that is closed without a button being chosen (Escape, the window's close
// button, or no one there to ask): OK for an OK box, No for a yes/no question, Cancel where there
// is a Cancel button.
MsgAnswer EscapeAnswer(MsgButtons buttons);

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Shows text with the buttons, icon and title, waits and returns the button chosen.
  virtual MsgAnswer Show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                         const std::string& title) = 0;
};

// Writes the message to standard error and answers from standard input when it asks a question
// and standard input is a terminal; otherwise it takes the default answer (OK, or No for a
// yes/no question, so that nothing is replaced without a person saying so).
class ConsoleMessageBox : public MessageBoxService {
 public:
  MsgAnswer Show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                 const std::string& title) override;
};

// Installs the service used by MsgBox and returns the previous one. The console service is used
// until another is installed.
std::shared_ptr<MessageBoxService> SetMessageBoxService(std::shared_ptr<MessageBoxService> service);
MessageBoxService& MessageBoxes();

// Shows a message box; an empty title means the application title.
MsgAnswer MsgBox(const std::string& text, MsgButtons buttons = MsgButtons::kOk,
                 MsgIcon icon = MsgIcon::kNone, const std::string& title = {});

// The application title: the caption of every message box that names none. Process-wide; the
// main window sets it from the product information when it loads.
const std::string& AppTitle();
void SetAppTitle(std::string title);

// A fault the program cannot go on from (a table file used the wrong way). It is not an Error
// and not a std::exception, so no handler for those takes it for a reportable error: it goes up
// to the program's entry point or the window's handler, which shows it (ReportFatal) and ends
// the program with status 1. Library code never ends the process itself.
class FatalError {
 public:
  explicit FatalError(std::string text) : text_(std::move(text)) {}
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// Raises FatalError with the text: no caller sees a return.
[[noreturn]] void FatalEnd(const std::string& text);

// Shows a FatalError's text in a message box (OK only, no icon, application title); returns the
// exit status the program then ends with, 1.
int ReportFatal(const FatalError& fatal);

}  // namespace sheaver
