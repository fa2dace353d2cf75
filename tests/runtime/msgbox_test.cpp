#include <fcntl.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "runtime/msgbox.h"
#include "support/recording_message_box.h"

namespace sheaver {
namespace {

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

TEST(FatalEnd, RaisesWhatTheEntryPointShowsBeforeEndingWithStatusOne) {
  // Through the console service: the message reaches standard error before the end.
  EXPECT_EXIT(
      {
        try {
          FatalEnd("clsDatFile.Load: Filename not set");
        } catch (const FatalError& fatal) {
          std::exit(ReportFatal(fatal));
        }
      },
      ::testing::ExitedWithCode(1), "^Sheaver: clsDatFile\\.Load: Filename not set\n$");
}

}  // namespace
}  // namespace sheaver
