#include "runtime/msgbox.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>

#include "runtime/ascii.h"

namespace sheaver {
namespace {

std::shared_ptr<MessageBoxService>& Service() {
  static std::shared_ptr<MessageBoxService> service = std::make_shared<ConsoleMessageBox>();
  return service;
}

std::string& Title() {
  static std::string title = "Sheaver";
  return title;
}

}  // namespace

MsgAnswer EscapeAnswer(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::kOk:
      return MsgAnswer::kOk;
    case MsgButtons::kYesNo:
      return MsgAnswer::kNo;
    case MsgButtons::kOkCancel:
    case MsgButtons::kYesNoCancel:
      break;
  }
  return MsgAnswer::kCancel;
}

MsgAnswer ConsoleMessageBox::Show(const std::string& text, MsgButtons buttons, MsgIcon,
                                  const std::string& title) {
  std::cerr << (title.empty() ? std::string() : title + ": ") << text << '\n';
  if (buttons == MsgButtons::kOk) return MsgAnswer::kOk;
  // Nobody to ask, or no answer: the same answer as a window's box closed without a choice, so
  // that a question about unsaved work keeps it (Cancel) instead of dropping it (No).
  const MsgAnswer fallback = EscapeAnswer(buttons);
  if (!isatty(STDIN_FILENO)) return fallback;
  const char* prompt = buttons == MsgButtons::kOkCancel ? "[ok/cancel] "
                       : buttons == MsgButtons::kYesNo  ? "[yes/no] "
                                                        : "[yes/no/cancel] ";
  for (;;) {
    std::cerr << prompt << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) return fallback;
    answer = LowerAscii(answer);
    if (buttons == MsgButtons::kOkCancel) {
      if (answer == "ok" || answer == "o") return MsgAnswer::kOk;
      if (answer == "cancel" || answer == "c") return MsgAnswer::kCancel;
    } else {
      if (answer == "yes" || answer == "y") return MsgAnswer::kYes;
      if (answer == "no" || answer == "n") return MsgAnswer::kNo;
      if (buttons == MsgButtons::kYesNoCancel && (answer == "cancel" || answer == "c"))
        return MsgAnswer::kCancel;
    }
  }
}

std::shared_ptr<MessageBoxService> SetMessageBoxService(
    std::shared_ptr<MessageBoxService> service) {
  return std::exchange(Service(), std::move(service));
}

MessageBoxService& MessageBoxes() {
  return *Service();
}

MsgAnswer MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                 const std::string& title) {
  return MessageBoxes().Show(text, buttons, icon, title.empty() ? AppTitle() : title);
}

const std::string& AppTitle() {
  return Title();
}
void SetAppTitle(std::string title) {
  Title() = std::move(title);
}

void FatalEnd(const std::string& text) {
  throw FatalError(text);
}

int ReportFatal(const FatalError& fatal) {
  MsgBox(fatal.Text(), MsgButtons::kOk, MsgIcon::kNone);
  std::fflush(nullptr);
  return 1;
}

}  // namespace sheaver
