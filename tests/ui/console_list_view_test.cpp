#include "ui/console_list_view.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/report_list_view.h"

namespace sheaver {
namespace {

// What a control writes to its stream, kept in memory.
struct Output {
  ~Output() {
    std::fclose(file);
    std::free(data);
  }
  std::string Text() const { return std::fflush(file), std::string(data, size); }
  char* data = nullptr;
  std::size_t size = 0;
  std::FILE* file = open_memstream(&data, &size);
};

// Lines mode, the default, is checked through the command-line tool (tests/cli).

// Drives the control as a run does: rows listed "Pending", then each set to the given statuses.
void PlayRun(ConsoleListView& view, const std::vector<std::vector<const char*>>& statuses) {
  ReportListView list;
  list.LV(&view);
  if (list.cols() == 0) list.cols(2);
  list.Clear();
  for (Int16 r = 0; r < static_cast<Int16>(statuses.size()); ++r) {
    list.AddRow();
    list.Data(r, 0, "/in/" + std::to_string(r + 1) + ".xls");
    list.Data(r, 1, "Pending");
  }
  for (Int16 r = 0; r < static_cast<Int16>(statuses.size()); ++r)
    for (const char* status : statuses[static_cast<std::size_t>(r)]) list.Data(r, 1, status);
  view.Finish();
}

TEST(ConsoleListView, LiveModeRedrawsOneLineAndClearsIt) {
  Output out;
  ConsoleListView view(out.file, ConsoleListView::Mode::kLive);
  PlayRun(view, {{"Processing", "Done"}, {"Processing", "Done"}});
  const std::string text = out.Text();
  EXPECT_EQ(text.find('\n'), std::string::npos) << text;
  // The first change is drawn at once; the last row's Done always.
  EXPECT_EQ(text.substr(0, 27), "\r\x1b[K[0/1] Pending /in/1.xls") << text;
  EXPECT_NE(text.find("\r\x1b[K[2/2] Done /in/2.xls"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 4), "\r\x1b[K");
  PlayRun(view, {{"Processing", "Done"}});  // the next run counts from 0 again
  EXPECT_NE(out.Text().find("[1/1] Done /in/1.xls", text.size()), std::string::npos);
}

}  // namespace
}  // namespace sheaver
