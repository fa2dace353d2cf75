#include "ui/console_list_view.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include "runtime/line_text.h"

namespace sheaver {
namespace {

constexpr const char* kDone = "Done";
constexpr const char* kProcessing = "Processing";
// The statuses that end a workbook's part of a run, each written as a line.
constexpr const char* kFinalStatuses[] = {"Done", "Rejected", "Failed"};
// Redrawing a terminal line costs more than filing a small workbook: at most this often.
constexpr auto kRedrawInterval = std::chrono::milliseconds(50);

// The terminal's width in columns, 80 when it does not say.
std::size_t TerminalColumns(std::FILE* out) {
  winsize size{};
  if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 20) return size.ws_col;
  return 80;
}

// The text cut to at most `width` bytes by dropping its front, so that a path keeps its file
// name ("...rms/week07.xls").
std::string Elided(const std::string& text, std::size_t width) {
  if (text.size() <= width) return text;
  if (width <= 3) return text.substr(text.size() - width);
  return "..." + text.substr(text.size() - (width - 3));
}

}  // namespace

ConsoleListView::ConsoleListView(std::FILE* out, Mode mode) : out_(out), mode_(mode) {
  OnCellChanged([this](int position, int column, const std::string& text) {
    if (column == 1 && !text.empty()) CellChanged(position, column, text);
  });
}

ConsoleListView::Mode ConsoleListView::ModeFor(std::FILE* out, bool quiet) {
  if (quiet) return Mode::kSilent;
  return ::isatty(::fileno(out)) ? Mode::kLive : Mode::kLines;
}

void ConsoleListView::CellChanged(int position, int /*column*/, const std::string& text) {
  if (text == kDone) {
    ++done_;
    ++doneThisRun_;
  }
  for (const char* status : kFinalStatuses)
    if (text == status && mode_ == Mode::kLines)
      std::fprintf(out_, "%s\t%s\n", status, EscapeForLine(ItemText(position)).c_str());
  if (mode_ != Mode::kLive) return;
  const auto now = std::chrono::steady_clock::now();
  const bool last = text != kProcessing && position == ListItemCount();
  if (!last && liveLineShown_ && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  DrawLiveLine(position, text);
}

void ConsoleListView::DrawLiveLine(int position, const std::string& status) {
  std::string line = "[" + std::to_string(doneThisRun_) + "/" + std::to_string(ListItemCount()) +
                     "] " + status + " ";
  const std::size_t columns = TerminalColumns(out_) - 1;
  if (line.size() < columns)
    line += Elided(EscapeForLine(ItemText(position)), columns - line.size());
  std::fprintf(out_, "\r\x1b[K%s", line.c_str());
  std::fflush(out_);
  liveLineShown_ = true;
}

void ConsoleListView::Finish() {
  if (mode_ == Mode::kLive && liveLineShown_) {
    std::fputs("\r\x1b[K", out_);
    liveLineShown_ = false;
  }
  if (mode_ == Mode::kLines) {
    for (int p = 1; p <= ListItemCount(); ++p)
      if (SubItemCount(p) >= 1 && SubItemText(p, 1) == kProcessing)
        std::fprintf(out_, "%s\t%s\n", kProcessing, EscapeForLine(ItemText(p)).c_str());
  }
  std::fflush(out_);
  doneThisRun_ = 0;
}

}  // namespace sheaver
