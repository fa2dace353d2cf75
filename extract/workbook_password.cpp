#include "extract/workbook_password.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/filesystem.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

constexpr std::string_view kPasswordKey = "password=";
constexpr std::string_view kPasswordFileKey = "password-file=";

std::optional<std::string>& Current() {
  static std::optional<std::string> password;
  return password;
}

}  // namespace

const std::optional<std::string>& CurrentWorkbookPassword() {
  return Current();
}

std::optional<std::string> SetWorkbookPassword(std::optional<std::string> password) {
  std::optional<std::string> previous = std::move(Current());
  Current() = std::move(password);
  return previous;
}

std::optional<std::string> SettingsLinePassword(std::string_view line) {
  if (line.starts_with(kPasswordKey)) return std::string(line.substr(kPasswordKey.size()));
  if (!line.starts_with(kPasswordFileKey)) return std::nullopt;
  const std::string path = ExpandHome(line.substr(kPasswordFileKey.size()));
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const int number = errno == EACCES ? err::kPermissionDenied : err::kFileNotFound;
    Raise(number, "the password file " + path + " named by the settings file cannot be read (" +
                      (number == err::kPermissionDenied ? "Permission denied" : "File not found") +
                      ")");
  }
  std::string first;
  std::getline(in, first);
  if (first.starts_with("\xEF\xBB\xBF")) first.erase(0, 3);
  if (!first.empty() && first.back() == '\r') first.pop_back();
  return first;
}

std::optional<std::string> RunPassword(const std::optional<std::string>& commandLine,
                                       std::string_view settingsLine) {
  if (commandLine) return commandLine->empty() ? std::nullopt : commandLine;
  if (const char* env = std::getenv(kPasswordVariable); env && *env) return std::string(env);
  return SettingsLinePassword(settingsLine);
}

}  // namespace sheaver
