#include "cli/run_report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <nlohmann/json.hpp>

#include "platform/filesystem.h"

namespace sheaver::cli {
namespace {

// "2026-12-07T11:58:03Z": when a workbook was done, in UTC.
std::string UtcTimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

RunReport::RunReport(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd_ < 0) throw FileError(errno, path);
}

RunReport::~RunReport() {
  if (fd_ >= 0) ::close(fd_);
}

std::string RunReport::Line(const WorkbookOutcome& outcome, const std::string& time) {
  nlohmann::ordered_json line;
  line["time"] = time;
  line["workbook"] = outcome.workbook;
  line["status"] = outcome.status;
  line["records"] = outcome.records;
  line["error"] = outcome.errorNumber != 0 ? nlohmann::ordered_json(outcome.errorNumber)
                                           : nlohmann::ordered_json(nullptr);
  line["message"] = outcome.message.empty() ? nlohmann::ordered_json(nullptr)
                                            : nlohmann::ordered_json(outcome.message);
  return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void RunReport::Add(const WorkbookOutcome& outcome) {
  const std::string text = Line(outcome, UtcTimeStamp()) + "\n";
  // One write per line: lines of a report never interleave, even with another writer.
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError(errno, path_);
    }
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace sheaver::cli
