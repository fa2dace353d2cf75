#include "cli/cli_tool.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <utility>

#include "app/batch_run.h"
#include "cli/cells_listing.h"
#include "cli/cli_options.h"
#include "cli/stdout_data_file.h"
#include "datafiles/clsSetFile.h"
#include "extract/data_sink.h"
#include "extract/modExtractWorkbookData.h"
#include "extract/preview.h"
#include "platform/version_info.h"
#include "product/product_info.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "spreadsheet/automation.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/reference.h"
#include "ui/ConsoleListView.h"
#include "ui/clsListViewRpt.h"

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
    clsSetFile settings;
    settings.fn(*o.open);
    settings.Load();
    auto line = [&](Int16 i) { return i < settings.Rows() ? settings.Data(i) : std::string(); };
    paths.formType = line(0);
    paths.inputDirectory = line(1);
    paths.outputDirectory = line(2);
    paths.dataFile = line(3);
  }
  if (o.type) paths.formType = *o.type;
  if (o.in) paths.inputDirectory = *o.in;
  if (o.out) paths.outputDirectory = *o.out;
  if (o.data) paths.dataFile = *o.data;
  return paths;
}

bool Blank(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

int UsageError(const std::string& message, std::FILE* err) {
  std::fprintf(err, "%s: %s\nTry '%s --help' for more information.\n", kProgram, message.c_str(),
               kProgram);
  return kExitUsage;
}

// The data file options a run starts from: the site's, from App.def beside the program.
DataFileOptions SiteDataFileOptions() {
  ProductInfo site;
  site.Load();
  return site.dataFile;
}

int Filing(const CliOptions& o, FormsPaths& paths, std::FILE* out, std::FILE* err) {
  ConsoleListView view(out, ConsoleListView::ModeFor(out, o.quiet));
  clsListViewRpt list;
  list.LV(&view);
  list.cols(2);
  list.ColumnHeaderWidth(0, "File", 85);
  list.ColumnHeaderWidth(1, "Status", 15);

  const auto start = std::chrono::steady_clock::now();
  const std::uint64_t recordsBefore = RecordLinesAppended();
  auto summary = [&] {
    if (o.quiet) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(out, "%llu workbook%s done, %llu record%s appended, %s s\n",
                 static_cast<unsigned long long>(view.DoneCount()),
                 view.DoneCount() == 1 ? "" : "s",
                 static_cast<unsigned long long>(RecordLinesAppended() - recordsBefore),
                 RecordLinesAppended() - recordsBefore == 1 ? "" : "s", Seconds(seconds).c_str());
  };
  try {
    do {
      ProcessForms(paths, list);
      view.Finish();
    } while (o.all && list.Rows() > 0);
  } catch (const Error& e) {
    view.Finish();
    summary();
    std::fprintf(err, "%s: %s\n", kProgram, ErrorText(e).c_str());
    return kExitFailed;
  }
  summary();
  return kExitOk;
}

}  // namespace

std::string EscapeField(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\t':
        escaped += "\\t";
        break;
      case '\r':
        escaped += "\\r";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\\':
        escaped += "\\\\";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
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
  ListCells(workbookPath, {}, out);
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
    const VersionInfo& v = ProgramVersionInfo();
    std::fprintf(out, "%s (%s) %d.%d.%d\n", kProgram, v.product_name.c_str(), v.major, v.minor,
                 v.build);
    return kExitOk;
  }

  // With the records on standard output, everything else the run prints goes to the error stream.
  const bool toStdout = o.data && *o.data == kStdoutDataFile;
  ScopedMessageBoxes boxes(std::make_shared<CliMessageBox>(toStdout ? err : out, err, o.quiet));
  try {
    if (o.cells) {
      ListCells(*o.cells, {o.sheet, o.allSheets, o.json}, out);
      return kExitOk;
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
    if (o.all && Blank(paths.outputDirectory))
      return UsageError(
          "--all needs an output directory (--out): without one the same "
          "workbooks would be filed again and again",
          err);
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
  }
}

}  // namespace sheaver::cli
