// The password encrypted workbooks are opened with. Like the data file options it is
// process-wide: the window and the command-line tool set it before a run, and every extraction
// (previews and cell listings included) opens workbooks with it. It comes, first found first,
// from the command line (--password), the environment (SHEAVER_PASSWORD) or the settings file's
// sixth line ("password=TEXT", or "password-file=PATH" naming a file whose first line is the
// password). It is never written to any output, log, report or error text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sheaver {

// The row (from 0) of the settings file that may give the password: its sixth line.
inline constexpr int kSettingsPasswordLine = 5;

// The environment variable that gives the password.
inline constexpr const char* kPasswordVariable = "SHEAVER_PASSWORD";

// The password of later extractions; nothing until set.
const std::optional<std::string>& CurrentWorkbookPassword();

// Sets the password of later extractions; returns the one set before.
std::optional<std::string> SetWorkbookPassword(std::optional<std::string> password);

// Sets the password for one scope and puts the previous one back when it ends.
class ScopedWorkbookPassword {
 public:
  explicit ScopedWorkbookPassword(std::optional<std::string> password)
      : previous_(SetWorkbookPassword(std::move(password))) {}
  ~ScopedWorkbookPassword() { SetWorkbookPassword(std::move(previous_)); }
  ScopedWorkbookPassword(const ScopedWorkbookPassword&) = delete;
  ScopedWorkbookPassword& operator=(const ScopedWorkbookPassword&) = delete;

 private:
  std::optional<std::string> previous_;
};

// The password a settings file line gives: "password=TEXT" gives TEXT as it stands,
// "password-file=PATH" the first line of that file (its line end and a byte-order mark taken
// off; the path may start with ~/); any other line, an empty one included, gives none. Raises
// the password file's error (53 File not found, 70 Permission denied) naming the file.
std::optional<std::string> SettingsLinePassword(std::string_view line);

// The password of a run: `commandLine` when given (an empty one gives none, whatever the
// environment and the settings file say), else SHEAVER_PASSWORD when set and not empty, else
// what the settings file line gives.
std::optional<std::string> RunPassword(const std::optional<std::string>& commandLine,
                                       std::string_view settingsLine);

}  // namespace sheaver
