#include "app/command_line.h"

#include <cstdio>
#include <cstdlib>

#include "platform/version_info.h"
#include "runtime/ascii.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"

namespace sheaver {
namespace {

constexpr char kQuote = '"';

}  // namespace

std::string CommandLine::argv(Int16 x) const {
  if (!args_ || x < 0 || x >= kMaxArgs) Raise(err::kSubscript);
  return (*args_)[static_cast<std::size_t>(x)];
}

std::string CommandLine::arg(Int16 x) const {
  return RmQuotes(argv(x));
}

std::string CommandLine::RmQuotes(const std::string& s) {
  if (s.empty() || s.front() != kQuote) return s;
  if (s.size() < 2) return "";
  return s.substr(1, s.size() - 2);
}

// Scan positions are not 16-bit: a command line on this platform may be far longer than 32767
// characters, and only the number of arguments is bounded.
void CommandLine::Cmdline(const std::string& pCmdline) {
  argc = 0;
  cmdline_ = pCmdline;
  args_.emplace();
  // The appended space ends the last plain argument.
  const std::string line = pCmdline + ' ';
  std::size_t pos = 0;
  for (;;) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size()) return;
    std::string argument;
    if (line[pos] == kQuote) {
      argument += kQuote;
      ++pos;
      bool closed = false;
      while (pos < line.size()) {
        if (line[pos] == kQuote && pos + 1 < line.size() && line[pos + 1] == kQuote) {
          argument += kQuote;
          pos += 2;
        } else if (line[pos] == kQuote) {
          argument += kQuote;
          ++pos;
          closed = true;
          break;
        } else {
          argument += line[pos++];
        }
      }
      if (!closed) return;  // an unterminated quote ends the line
    } else {
      std::size_t end = line.find(' ', pos);
      argument = line.substr(pos, end - pos);
      pos = end;
    }
    if (argc < kMaxArgs) {
      (*args_)[static_cast<std::size_t>(argc)] = std::move(argument);
      Inc16(argc);
    }
  }
}

std::string JoinCommandLine(const std::vector<std::string>& args) {
  std::string line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i > 0) line += ' ';
    if (!a.empty() && a.find_first_of(" \"") == std::string::npos) {
      line += a;
      continue;
    }
    line += kQuote;
    for (char c : a) {
      if (c == kQuote) line += kQuote;
      line += c;
    }
    line += kQuote;
  }
  return line;
}

std::string JoinCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
  return JoinCommandLine(args);
}

StartupOptions ScanStartupOptions(const std::string& command_line) {
  StartupOptions found;
  CommandLine cl;
  cl.Cmdline(command_line);
  for (Int16 i = 0; i < cl.argc; ++i) {
    const std::string option = LowerAscii(cl.arg(i));
    std::string* value = nullptr;
    if (option == "/type") {
      value = &found.form_type;
    } else if (option == "/in") {
      value = &found.in_dir;
    } else if (option == "/out") {
      value = &found.out_dir;
    } else if (option == "/data") {
      value = &found.data_file;
    } else if (option == "/open") {
      value = &found.settings_file;
    } else if (option == "/autorun") {
      found.autorun = true;
    } else {
      Inc16(found.unrecognised);
    }
    if (value != nullptr) {
      ++i;
      // A value option in the last slot of the table has no stored value after it.
      *value = i < CommandLine::kMaxArgs ? cl.arg(i) : std::string();
    }
  }
  return found;
}

bool RunStartup(const std::string& command_line, const std::function<StartupWindow&()>& show_window,
                const std::function<void()>& show_usage) {
  const StartupOptions options = ScanStartupOptions(command_line);
  if (options.unrecognised > 0) {
    show_usage();
    return false;
  }
  StartupWindow& window = show_window();
  if (!options.settings_file.empty()) window.AppCmd("Open", {options.settings_file});
  if (!options.form_type.empty()) window.SetFormType(options.form_type);
  if (!options.in_dir.empty()) window.SetInDir(options.in_dir);
  if (!options.out_dir.empty()) window.SetOutDir(options.out_dir);
  if (!options.data_file.empty()) window.SetExportTo(options.data_file);
  if (options.autorun) window.AppCmd("Go", {});
  return true;
}

std::string UsageText() {
  return "Usage: \r\n" + ProgramVersionInfo().product_name +
         " [/open settings] [/type formtype] [/in inPath] [/out outPath] [/data dataFile]" +
         " [/autorun]";
}

void ShowUsage() {
  MsgBox(UsageText(), MsgButtons::kOk, MsgIcon::kNone, ProgramVersionInfo().file_description);
  std::fflush(nullptr);
  std::_Exit(2);
}

}  // namespace sheaver
