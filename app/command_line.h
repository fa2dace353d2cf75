// The program's command line: splitting it into arguments (CommandLine), joining the arguments
// the platform delivers back into one line, and the start-up scan of the options
// [/open settings] [/type formtype] [/in inPath] [/out outPath] [/data dataFile] [/autorun].
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/int16.h"

namespace sheaver {

// Splits a command line into at most 20 arguments. Only the space separates arguments (a tab is
// part of one). An argument that begins with a double quote runs to its closing quote, spaces
// included, with two double quotes inside standing for one; it ends at the closing quote even
// when no space follows. A double quote inside a plain argument is an ordinary character. An
// unterminated quote and everything after it are dropped; arguments past the 20th are dropped.
class CommandLine {
 public:
  // Size of the argument table.
  static constexpr Int16 kMaxArgs = 20;

  // Number of arguments stored, 0 to 20.
  Int16 argc = 0;

  // Argument x (from 0) as it appeared, a quoted one with its enclosing quotes. "" for x at or
  // above argc; subscript error (9) for x outside 0..19 or before the first Cmdline.
  std::string argv(Int16 x) const;
  // argv(x) without its enclosing quotes (RmQuotes); same errors.
  std::string arg(Int16 x) const;

  // Splits this command line, replacing argc and every stored argument.
  void Cmdline(const std::string& pCmdline);

  // s without its first and last character when it begins with a double quote, else s. A lone
  // double quote gives "".
  static std::string RmQuotes(const std::string& s);

 private:
  std::string cmdline_;
  std::optional<std::array<std::string, kMaxArgs>> args_;  // absent until the first Cmdline
};

// Joins arguments, as the platform hands them to main (without the program's name), into one
// command line that CommandLine splits back into the same arguments: an argument that is empty
// or holds a space or a double quote is enclosed in double quotes, its double quotes doubled.
std::string JoinCommandLine(const std::vector<std::string>& args);
// The same for main's argc and argv, skipping argv[0].
std::string JoinCommandLine(int argc, const char* const* argv);

// What the start-up scan found on the command line. A value option given as the last argument
// gets an empty value, which leaves its field as it was. A value option standing as the 20th
// argument does too: its value would be the 21st argument, which is never stored.
struct StartupOptions {
  std::string settings_file;  // /open
  std::string form_type;      // /type
  std::string in_dir;         // /in
  std::string out_dir;        // /out
  std::string data_file;      // /data
  bool autorun = false;       // /autorun
  Int16 unrecognised = 0;     // arguments that are neither an option nor an option's value
};

// Scans a command line: option names are compared in lower case (with their quotes removed);
// the argument after a value option is its value whatever it looks like (so "/in /out" makes
// "/out" the input directory); a repeated option keeps its last value.
StartupOptions ScanStartupOptions(const std::string& command_line);

// The main window as start-up drives it.
class StartupWindow {
 public:
  virtual ~StartupWindow() = default;
  // The window's command entry point: "Open" with a settings file, "Go" to start a run.
  virtual void AppCmd(const std::string& pCmd, const std::vector<std::string>& pArg) = 0;
  // Replace the text of the form type, input directory, output directory and data file fields.
  virtual void SetFormType(const std::string& text) = 0;
  virtual void SetInDir(const std::string& text) = 0;
  virtual void SetOutDir(const std::string& text) = 0;
  virtual void SetExportTo(const std::string& text) = 0;
};

// Starts the program from its command line. When any argument is not understood, calls
// show_usage and returns false (no window is shown). Otherwise calls show_window (which shows
// the main window, loaded, and returns it), then AppCmd("Open", settings file) when one was
// given, then sets each field whose option gave a non-empty value (so the command line overrides
// the settings file field by field), then AppCmd("Go") when /autorun was given, without checking
// the fields; returns true. Errors of the window's commands reach the caller.
bool RunStartup(const std::string& command_line, const std::function<StartupWindow&()>& show_window,
                const std::function<void()>& show_usage);

// The usage message: "Usage: ", CR LF, the product name, then the options.
std::string UsageText();

// Shows the usage message (OK only, no icon, titled with the program's file description) and
// ends the program at once with exit status 2, without unloading anything.
[[noreturn]] void ShowUsage();

}  // namespace sheaver
