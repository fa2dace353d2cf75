// A message-box service for tests: records every message (text, buttons, icon, title) and answers
// questions from a queue the test fills. Install it for one test with ScopedMessageBox.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "runtime/msgbox.h"

namespace sheaver::test {

struct ShownMessage {
  std::string text;
  MsgButtons buttons;
  MsgIcon icon;
  std::string title;
  bool operator==(const ShownMessage&) const = default;
};

// The names of the buttons, icons and answers, in the order of their enumerators.
inline const char* ToString(MsgButtons b) {
  static const char* const names[] = {"OK", "OK/Cancel", "Yes/No", "Yes/No/Cancel"};
  return names[static_cast<int>(b)];
}
inline const char* ToString(MsgIcon i) {
  static const char* const names[] = {"no icon", "critical", "question", "exclamation",
                                      "information"};
  return names[static_cast<int>(i)];
}
inline const char* ToString(MsgAnswer a) {
  static const char* const names[] = {"OK", "Cancel", "Yes", "No"};
  return names[static_cast<int>(a)];
}
// Printed as: [Title|OK|no icon] text
inline std::ostream& operator<<(std::ostream& os, const ShownMessage& m) {
  return os << "[" << m.title << "|" << ToString(m.buttons) << "|" << ToString(m.icon) << "] "
            << m.text;
}
inline std::ostream& operator<<(std::ostream& os, MsgAnswer a) {
  return os << ToString(a);
}

class RecordingMessageBox : public MessageBoxService {
 public:
  // Every message shown so far, in order.
  std::vector<ShownMessage> shown;
  // Answers for the coming messages that ask a question (buttons other than OK alone). When it
  // runs dry a question fails the test and is answered Cancel (No without a Cancel button).
  std::deque<MsgAnswer> answers;
  // Also writes each message to standard error in ShownMessage's form, so that a death test can
  // see a message shown just before the program ended.
  bool echoToStderr = false;

  MsgAnswer Show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                 const std::string& title) override {
    shown.push_back({text, buttons, icon, title});
    if (echoToStderr) std::cerr << shown.back() << std::endl;
    if (buttons == MsgButtons::kOk) return MsgAnswer::kOk;
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << shown.back();
      return buttons == MsgButtons::kYesNo ? MsgAnswer::kNo : MsgAnswer::kCancel;
    }
    MsgAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

// Installs a fresh RecordingMessageBox for the lifetime of this object, then puts the previous
// service back. `->` reaches the recorder.
class ScopedMessageBox {
 public:
  ScopedMessageBox()
      : recorder_(std::make_shared<RecordingMessageBox>()),
        previous_(SetMessageBoxService(recorder_)) {}
  ~ScopedMessageBox() { SetMessageBoxService(std::move(previous_)); }
  ScopedMessageBox(const ScopedMessageBox&) = delete;
  ScopedMessageBox& operator=(const ScopedMessageBox&) = delete;

  RecordingMessageBox* operator->() const { return recorder_.get(); }
  RecordingMessageBox& operator*() const { return *recorder_; }

 private:
  std::shared_ptr<RecordingMessageBox> recorder_;
  std::shared_ptr<MessageBoxService> previous_;
};

}  // namespace sheaver::test
