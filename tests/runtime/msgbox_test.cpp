#include <fcntl.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "runtime/msgbox.h"
#include "support/recording_message_box.h"

namespace sheaver {
namespace {

using test::ShownMessage;

TEST(ConsoleMessageBox, WithoutATerminalTakesTheCautiousDefault) {
  const struct {
    MsgButtons buttons;
    MsgAnswer answer;
  } cases[] = {
      {MsgButtons::kOk, MsgAnswer::kOk},
      {MsgButtons::kOkCancel, MsgAnswer::kCancel},
      {MsgButtons::kYesNo, MsgAnswer::kNo},
      {MsgButtons::kYesNoCancel, MsgAnswer::kCancel},
  };
  // Standard input from /dev/null, so that a test run from a terminal is not asked.
  const int saved = ::dup(STDIN_FILENO), devNull = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(devNull, 0);
  ::dup2(devNull, STDIN_FILENO);
  ConsoleMessageBox console;
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    const MsgAnswer answer =
        console.Show("/out/a.xls already exists.", c.buttons, MsgIcon::kQuestion, "Sheaver");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Sheaver: /out/a.xls already exists.\n");
    EXPECT_EQ(answer, c.answer) << test::ToString(c.buttons);
  }
  ::dup2(saved, STDIN_FILENO);
  ::close(saved);
  ::close(devNull);
}

TEST(MsgBox, CaptionsEveryMessageThatNamesNoTitleWithTheAppTitle) {
  const std::string previous = AppTitle();
  test::ScopedMessageBox messages;
  MsgBox("first");
  SetAppTitle("Payroll");
  MsgBox("second", MsgButtons::kOk, MsgIcon::kInformation);
  messages->answers.push_back(MsgAnswer::kYes);
  EXPECT_EQ(MsgBox("third?", MsgButtons::kYesNo, MsgIcon::kQuestion, "Own"), MsgAnswer::kYes);
  SetAppTitle(previous);
  EXPECT_EQ(messages->shown, (std::vector<ShownMessage>{
                                 {"first", MsgButtons::kOk, MsgIcon::kNone, "Sheaver"},
                                 {"second", MsgButtons::kOk, MsgIcon::kInformation, "Payroll"},
                                 {"third?", MsgButtons::kYesNo, MsgIcon::kQuestion, "Own"}}));
  // The test double answers a question nobody queued an answer for with "No", and fails.
  MsgAnswer answer = MsgAnswer::kYes;
  EXPECT_NONFATAL_FAILURE(answer = MsgBox("Replace?", MsgButtons::kYesNo), "unexpected question");
  EXPECT_EQ(answer, MsgAnswer::kNo);
}

TEST(FatalEnd, ShowsTheMessageThenEndsWithStatusOne) {
  // Through the console service: the message reaches standard error before the end.
  EXPECT_EXIT(FatalEnd("clsDatFile.Load: Filename not set"), ::testing::ExitedWithCode(1),
              "^Sheaver: clsDatFile\\.Load: Filename not set\n$");
  test::ScopedMessageBox messages;
  messages->echoToStderr = true;
  EXPECT_EXIT(
      {
        FatalEnd("boom");
        std::cerr << "still running\n";
      },
      ::testing::ExitedWithCode(1), "^\\[Sheaver\\|OK\\|no icon\\] boom\n$");
}

}  // namespace
}  // namespace sheaver
