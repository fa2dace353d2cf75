#include "cli/cli_tool.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

#include "app/batch_run.h"
#include "cli/cells_listing.h"
#include "cli/cli_options.h"
#include "cli/run_report.h"
#include "cli/stdout_data_file.h"
#include "datafiles/settings_file.h"
#include "extract/data_sink.h"
#include "extract/extraction.h"
#include "extract/preview.h"
#include "extract/workbook_password.h"
#include "platform/directory_watch.h"
#include "platform/filesystem.h"
#include "platform/program_paths.h"
#include "platform/textfile.h"
#include "platform/version_info.h"
#include "product/product_info.h"
#include "runtime/error.h"
#include "runtime/line_text.h"
#include "runtime/msgbox.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/reference.h"
#include "spreadsheet/workbook.h"
#include "ui/console_list_view.h"
#include "ui/report_list_view.h"

namespace sheaver::cli {
namespace {

constexpr const char* kProgram = "sheaver-cli";

// Message boxes of a tool that runs in scripts: the run's "nothing to do" message is ordinary
// output (none when quiet); every other message goes to the error stream. A question is never
// put to anyone: it gets its cautious default (No, Cancel).
class CliMessageBox : public MessageBoxService {
 public:
  CliMessageBox(std::FILE* out, std::FILE* err, bool quiet) : out_(out), err_(err), quiet_(quiet) {}
  MsgAnswer Show(const std::string& text, MsgButtons buttons, MsgIcon,
                 const std::string&) override {
    if (text == kAllFormsProcessed) {
      if (!quiet_) std::fprintf(out_, "%s\n", text.c_str());
    } else {
      std::fprintf(err_, "%s: %s\n", kProgram, text.c_str());
    }
    std::fflush(nullptr);
    return EscapeAnswer(buttons);
  }

 private:
  std::FILE* out_;
  std::FILE* err_;
  bool quiet_;
};

// Installs a message-box service for one scope.
class ScopedMessageBoxes {
 public:
  explicit ScopedMessageBoxes(std::shared_ptr<MessageBoxService> service)
      : previous_(SetMessageBoxService(std::move(service))) {}
  ~ScopedMessageBoxes() { SetMessageBoxService(std::move(previous_)); }
  ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
  ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

 private:
  std::shared_ptr<MessageBoxService> previous_;
};

// Seconds with three decimals, whatever the process's locale.
std::string Seconds(double seconds) {
  char buffer[32];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 3);
  return std::string(buffer, result.ptr);
}

std::string ErrorText(const Error& e) {
  return "error " + std::to_string(e.Number()) + ": " + e.Description();
}

// The paths of a run: a settings file's four lines (missing lines empty), each replaced by the
// option given for it.
FormsPaths RunPaths(const CliOptions& o) {
  FormsPaths paths;
  if (o.open) {
    SettingsFile settings;
    settings.fn(ExpandHome(*o.open));
    settings.Load();
    auto line = [&](Int16 i) { return i < settings.Rows() ? settings.Data(i) : std::string(); };
    paths.formType = line(0);
    paths.inputDirectory = line(1);
    paths.outputDirectory = line(2);
    paths.dataFile = line(3);
    paths.rejectDirectory = line(4);
  }
  if (o.type) paths.formType = *o.type;
  if (o.in) paths.inputDirectory = *o.in;
  if (o.out) paths.outputDirectory = *o.out;
  if (o.data) paths.dataFile = *o.data;
  if (o.reject) paths.rejectDirectory = *o.reject;
  paths.formType = ExpandHome(paths.formType);
  paths.inputDirectory = ExpandHome(paths.inputDirectory);
  paths.outputDirectory = ExpandHome(paths.outputDirectory);
  paths.dataFile = ExpandHome(paths.dataFile);
  paths.rejectDirectory = ExpandHome(paths.rejectDirectory);
  return paths;
}

// What is wrong with a path that must name a regular file, "" when nothing is: missing, not a
// regular file (a pipe would hang the run, a device be read without end), or too large to be a
// form type or settings file.
std::string FileProblem(const std::string& what, const std::string& path, bool mustExist,
                        bool sizeLimited) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT && !mustExist) return {};
    return what + " " + path + " does not exist";
  }
  if (S_ISDIR(st.st_mode)) return what + " " + path + " is a folder, not a file";
  if (!S_ISREG(st.st_mode))
    return what + " " + path + " is not a regular file (a pipe or a device)";
  if (sizeLimited && static_cast<std::size_t>(st.st_size) > kMaxTextFileBytes)
    return what + " " + path + " is too large to be one (" + std::to_string(st.st_size >> 20) +
           " MB)";
  return {};
}

// The settings file's sixth line, which may give the password of encrypted workbooks; "" without
// a settings file (or one that cannot be read: the run says so itself) or such a line.
std::string SettingsPasswordLine(const CliOptions& o) {
  if (!o.open) return {};
  const std::string path = ExpandHome(*o.open);
  if (!FileProblem("the settings file", path, true, true).empty()) return {};
  SettingsFile settings;
  settings.fn(path);
  settings.Load();
  return settings.Rows() > kSettingsPasswordLine ? settings.Data(kSettingsPasswordLine)
                                                 : std::string();
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder a directory text stands for: spaces and one trailing separator dropped.
std::string DirectoryPath(const std::string& text) {
  std::string path = text;
  while (!path.empty() && path.back() == ' ') path.pop_back();
  while (!path.empty() && path.front() == ' ') path.erase(0, 1);
  if (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
  return path;
}

// What is wrong with the paths of a run, "" when nothing is. A mistyped path would otherwise
// pass as "nothing to file" (a missing input directory finds no workbook) or fail only after
// workbooks were read.
std::string PathsProblem(const FormsPaths& paths) {
  if (std::string p = FileProblem("the form type", paths.formType, true, true); !p.empty())
    return p;
  const std::string in = DirectoryPath(paths.inputDirectory);
  if (HasWildcards(in)) {
    const std::string pattern = SearchPattern(in);
    const std::string folder = pattern.substr(0, pattern.rfind(kPathSeparator));
    if (!IsDirectory(folder.empty() ? "/" : folder))
      return "the folder " + folder + " of the input pattern " + in + " does not exist";
  } else if (!IsDirectory(in)) {
    struct stat st;
    if (::stat(in.c_str(), &st) == 0)
      return "the input directory " + in +
             " is a file: give the folder that holds the workbooks (--in DIR) or a pattern "
             "(--in 'DIR/*.xls')";
    return "the input directory " + in + " does not exist";
  }
  const std::string& data = paths.dataFile;
  const std::size_t slash = data.rfind(kPathSeparator);
  const std::string dataFolder = slash == std::string::npos ? "."
                                 : slash == 0               ? "/"
                                                            : data.substr(0, slash);
  if (!IsDirectory(dataFolder))
    return "the folder " + dataFolder + " of the data file " + data + " does not exist";
  if (std::string p = FileProblem("the data file", data, false, false); !p.empty()) return p;
  for (const auto& [what, dir] :
       {std::pair<std::string, std::string>{"the output directory", paths.outputDirectory},
        {"the rejected-forms directory", paths.rejectDirectory}}) {
    const std::string folder = DirectoryPath(dir);
    if (!folder.empty() && !IsDirectory(folder))
      return what + " " + folder + " does not exist or is not a folder";
  }
  return {};
}

bool Blank(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

int UsageError(const std::string& message, std::FILE* err) {
  std::fprintf(err, "%s: %s\nTry '%s --help' for more information.\n", kProgram, message.c_str(),
               kProgram);
  return kExitUsage;
}

// Thrown by the progress hook of a watching run once a stop has been asked for, between
// workbooks: the run ends there, with everything before it filed.
struct StopAsked {};

// How long a file in a drop folder must stay unchanged before it is filed.
constexpr int kSettleMs = 1000;
// The data file options a run starts from: the site's, from App.def beside the program.
DataFileOptions SiteDataFileOptions() {
  ProductInfo site;
  site.Load();
  return site.dataFile;
}

int Filing(const CliOptions& o, FormsPaths& paths, std::FILE* out, std::FILE* err) {
  ConsoleListView view(out, ConsoleListView::ModeFor(out, o.quiet));
  ReportListView list;
  list.LV(&view);
  list.cols(2);
  list.ColumnHeaderWidth(0, "File", 85);
  list.ColumnHeaderWidth(1, "Status", 15);

  const auto start = std::chrono::steady_clock::now();
  RunSummary total;
  const bool rejecting = !Blank(paths.rejectDirectory);
  auto summary = [&] {
    if (o.quiet) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string rejected;
    if (rejecting) rejected = ", " + std::to_string(total.rejected) + " rejected";
    std::fprintf(out, "%llu workbook%s done%s, %llu record%s appended, %s s\n",
                 static_cast<unsigned long long>(view.DoneCount()),
                 view.DoneCount() == 1 ? "" : "s", rejected.c_str(),
                 static_cast<unsigned long long>(total.records), total.records == 1 ? "" : "s",
                 Seconds(seconds).c_str());
  };
  std::optional<RunReport> report;
  if (o.report) report.emplace(ExpandHome(*o.report));
  RunOptions run;
  run.durable = o.durable;
  run.notice = [&](const std::string& message) {
    if (!o.quiet) std::fprintf(out, "%s\n", EscapeField(message).c_str());
  };
  run.outcome = [&](const WorkbookOutcome& outcome) {
    if (outcome.status == std::string_view("filed")) ++total.filed;
    if (outcome.status == std::string_view("rejected")) ++total.rejected;
    total.records += outcome.records;
    if (report) report->Add(outcome);
  };
  std::optional<DirectoryWatch> watch;
  RunHook hook;
  if (o.watch) {
    const std::string pattern = SearchPattern(paths.inputDirectory);
    watch.emplace(pattern.substr(0, pattern.rfind(kPathSeparator)));
    run.ready = [](const std::string& path) { return FileIsSettled(path, kSettleMs); };
    hook = [&](Int16, std::string_view status) {
      if (status != kStatusProcessing && watch->StopRequested()) throw StopAsked{};
    };
  }
  try {
    for (;;) {
      RunSummary last;
      do {
        last = ProcessForms(paths, list, hook, run);
        view.Finish();
        // A run of nothing but rejected workbooks has moved them all out of the way: go on.
      } while ((o.all || o.watch) && list.Rows() > 0);
      if (!watch) break;
      // Files still being written are looked at again shortly; otherwise wait for the kernel.
      if (watch->Wait(last.waiting > 0 ? kSettleMs / 2 : -1) == DirectoryWatch::Event::kStop) break;
    }
  } catch (const StopAsked&) {
    view.Finish();
  } catch (const Error& e) {
    view.Finish();
    summary();
    std::fprintf(err, "%s: %s\n", kProgram, ErrorText(e).c_str());
    return kExitFailed;
  }
  summary();
  if (o.watch) return kExitOk;
  return total.rejected > 0 ? kExitRejected : kExitOk;
}

}  // namespace

std::string EscapeField(std::string_view text) {
  return EscapeForLine(text);
}

void WritePreview(const std::string& workbookPath, const std::string& formTypePath,
                  std::FILE* out) {
  const PreviewResult preview = PreviewWorkbookData(workbookPath, formTypePath);
  for (const std::string& line : preview.lines) {
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputs("\r\n", out);
  }
  if (preview.error) throw *preview.error;
}

void WriteCells(const std::string& workbookPath, std::FILE* out) {
  ListCells(workbookPath, {}, out, nullptr);
}

int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.error.empty()) return UsageError(parsed.error, err);
  const CliOptions& o = parsed.options;
  if (o.help) {
    std::fputs(UsageText().c_str(), out);
    return kExitOk;
  }
  if (o.version) {
    std::fputs(VersionText(kProgram).c_str(), out);
    return kExitOk;
  }

  if (o.copyExamples) {
    const std::string target = ExpandHome(*o.copyExamples);
    std::error_code ec;
    if (std::filesystem::exists(target, ec) && !std::filesystem::is_empty(target, ec))
      return UsageError("the folder " + target + " is not empty: give a new or empty folder", err);
    const std::string source = ExamplesDirectory();
    std::filesystem::create_directories(target, ec);
    for (const char* part : {"forms", "claims", "expected", "FormTypes", "Settings", "README.md"}) {
      std::filesystem::copy(JoinPath(source, part), JoinPath(target, part),
                            std::filesystem::copy_options::recursive, ec);
      if (ec) {
        std::fprintf(err, "%s: cannot copy %s to %s: %s\n", kProgram,
                     JoinPath(source, part).c_str(), target.c_str(), ec.message().c_str());
        return kExitFailed;
      }
    }
    // The output directory each shipped settings file names (relative, such as processed/), so
    // that the settings run as they are.
    for (const auto& entry :
         std::filesystem::directory_iterator(JoinPath(target, "Settings"), ec)) {
      const std::vector<std::string> lines = ReadTextLines(entry.path().string(), 3);
      if (lines.size() == 3 && !lines[2].empty() && lines[2][0] != kPathSeparator)
        std::filesystem::create_directories(JoinPath(target, lines[2]), ec);
    }
    if (!o.quiet)
      std::fprintf(out,
                   "Copied the examples to %s. Try:\n  cd %s && sheaver-cli --open "
                   "Settings/Example.set\n",
                   target.c_str(), target.c_str());
    return kExitOk;
  }

  // With the records on standard output, everything else the run prints goes to the error stream.
  const bool toStdout = o.data && *o.data == kStdoutDataFile;
  ScopedMessageBoxes boxes(
      std::make_shared<CliMessageBox>(toStdout ? err : out, err, o.quiet || o.watch));
  try {
    const ScopedWorkbookPassword password(RunPassword(o.password, SettingsPasswordLine(o)));
    if (o.cells) {
      ListCells(*o.cells, {o.sheet, o.allSheets, o.json}, out, err);
      return kExitOk;
    }
    if (o.open) {
      if (std::string p = FileProblem("the settings file", ExpandHome(*o.open), false, true);
          !p.empty())
        return UsageError(p, err);
    }
    DataFileOptions dataOptions = SiteDataFileOptions();
    if (const std::string error = ApplyDataFileOptions(o, dataOptions); !error.empty())
      return UsageError(error, err);
    const ScopedDataFileOptions scopedDataOptions(dataOptions);
    // A workbook an SQLite data file skips is reported on the error stream, as a warning.
    const FilingNoticeHandler previousNotice = SetFilingNoticeHandler(
        [err](const std::string& text) { std::fprintf(err, "%s: %s\n", kProgram, text.c_str()); });
    struct RestoreNotice {
      FilingNoticeHandler handler;
      ~RestoreNotice() { SetFilingNoticeHandler(std::move(handler)); }
    } restoreNotice{previousNotice};
    FormsPaths paths = RunPaths(o);
    if (o.preview) {
      if (paths.formType.empty()) return UsageError("--preview needs --type", err);
      WritePreview(*o.preview, paths.formType, out);
      return kExitOk;
    }
    if (paths.formType.empty()) return UsageError("no form type given (--type)", err);
    if (paths.inputDirectory.empty()) return UsageError("no input directory given (--in)", err);
    if (paths.dataFile.empty()) return UsageError("no data file given (--data)", err);
    if (o.watch && Blank(paths.outputDirectory))
      return UsageError(
          "--watch needs an output directory (--out): filed workbooks must leave the "
          "folder watched",
          err);
    if (o.watch && o.all) return UsageError("--watch and --all cannot be used together", err);
    if (o.all && Blank(paths.outputDirectory))
      return UsageError(
          "--all needs an output directory (--out): without one the same "
          "workbooks would be filed again and again",
          err);
    if (std::string p = PathsProblem(paths); !p.empty()) return UsageError(p, err);
    if (toStdout) {
      // A pipe's reader has the records; the workbooks stay put unless --out says otherwise.
      if (!o.out) paths.outputDirectory.clear();
      const ScopedStdoutDataFile stdoutData(out);
      return Filing(o, paths, err, err);
    }
    return Filing(o, paths, out, err);
  } catch (const Error& e) {
    std::fflush(out);
    std::fprintf(err, "%s: %s\n", kProgram, ErrorText(e).c_str());
    return kExitFailed;
  } catch (const std::exception& e) {
    std::fflush(out);
    std::fprintf(err, "%s: internal error: %s\n", kProgram, e.what());
    return kExitFailed;
  } catch (const FatalError& fatal) {
    std::fflush(out);
    return ReportFatal(fatal);
  }
}

}  // namespace sheaver::cli
