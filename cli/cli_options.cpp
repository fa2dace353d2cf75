#include "cli/cli_options.h"

#include <string_view>

namespace sheaver::cli {
namespace {

struct OptionDef {
  const char* name;
  bool takesValue;
  std::optional<std::string> CliOptions::*value;  // where a value option goes
  bool CliOptions::*flag;                         // where a flag goes
};

constexpr OptionDef kOptions[] = {
    {"type", true, &CliOptions::type, nullptr},
    {"in", true, &CliOptions::in, nullptr},
    {"out", true, &CliOptions::out, nullptr},
    {"data", true, &CliOptions::data, nullptr},
    {"open", true, &CliOptions::open, nullptr},
    {"preview", true, &CliOptions::preview, nullptr},
    {"cells", true, &CliOptions::cells, nullptr},
    {"reject", true, &CliOptions::reject, nullptr},
    {"report", true, &CliOptions::report, nullptr},
    {"watch", false, nullptr, &CliOptions::watch},
    {"copy-examples", true, &CliOptions::copyExamples, nullptr},
    {"separator", true, &CliOptions::separator, nullptr},
    {"sheet", true, &CliOptions::sheet, nullptr},
    {"password", true, &CliOptions::password, nullptr},
    {"format", true, &CliOptions::format, nullptr},
    {"refile", false, nullptr, &CliOptions::refile},
    {"bom", false, nullptr, &CliOptions::bom},
    {"neutralise-formulas", false, nullptr, &CliOptions::neutraliseFormulas},
    {"all-sheets", false, nullptr, &CliOptions::allSheets},
    {"json", false, nullptr, &CliOptions::json},
    {"all", false, nullptr, &CliOptions::all},
    {"quiet", false, nullptr, &CliOptions::quiet},
    {"durable", false, nullptr, &CliOptions::durable},
    {"help", false, nullptr, &CliOptions::help},
    {"version", false, nullptr, &CliOptions::version},
};

// The option a name stands for: an exact name, else the one option it is a prefix of; null with
// the error set when there is none or more than one.
const OptionDef* FindOption(std::string_view name, std::string& error) {
  const OptionDef* found = nullptr;
  int matches = 0;
  std::string candidates;
  for (const OptionDef& candidate : kOptions) {
    const std::string_view full = candidate.name;
    if (full == name) return &candidate;
    if (!name.empty() && full.starts_with(name)) {
      candidates += " '--" + std::string(full) + "'";
      found = &candidate;
      ++matches;
    }
  }
  if (matches == 0) error = "unrecognized option '--" + std::string(name) + "'";
  if (matches > 1)
    error = "option '--" + std::string(name) + "' is ambiguous; possibilities:" + candidates;
  return matches == 1 ? found : nullptr;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine parsed;
  CliOptions& o = parsed.options;
  auto fail = [&](std::string error) {
    parsed.error = std::move(error);
    return parsed;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      if (i + 1 < args.size()) return fail("unexpected argument '" + args[i + 1] + "'");
      break;
    }
    if (arg == "-h") {
      o.help = true;
      continue;
    }
    if (arg == "-V") {
      o.version = true;
      continue;
    }
    if (arg == "-q") {
      o.quiet = true;
      continue;
    }
    if (!arg.starts_with("--") || arg.size() == 2) {
      if (arg.starts_with("-") && arg.size() > 1)
        return fail("invalid option -- '" + arg.substr(1) + "'");
      return fail("unexpected argument '" + arg + "'");
    }
    const std::size_t equals = arg.find('=');
    const std::string name =
        arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    std::string error;
    const OptionDef* option = FindOption(name, error);
    if (option == nullptr) return fail(error);
    if (!option->takesValue) {
      if (equals != std::string::npos)
        return fail("option '--" + std::string(option->name) + "' doesn't allow an argument");
      o.*(option->flag) = true;
      continue;
    }
    if (equals != std::string::npos) {
      o.*(option->value) = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      o.*(option->value) = args[++i];
    } else {
      return fail("option '--" + std::string(option->name) + "' requires an argument");
    }
  }
  if (o.preview && o.cells) return fail("--preview and --cells cannot be used together");
  if ((o.sheet || o.allSheets || o.json) && !o.cells)
    return fail("--sheet, --all-sheets and --json go with --cells");
  if (o.sheet && o.allSheets) return fail("--sheet and --all-sheets cannot be used together");
  if (o.data && *o.data == "-" && o.format && *o.format == "sqlite")
    return fail("--data - writes CSV: an SQLite database needs a file name");
  return parsed;
}

std::string ApplyDataFileOptions(const CliOptions& options, DataFileOptions& dataFile) {
  if (options.separator) {
    const std::optional<char> separator = ParseSeparator(*options.separator);
    if (!separator) return "invalid separator '" + *options.separator + "': use ',', ';' or tab";
    dataFile.separator = *separator;
  }
  if (options.format) {
    if (*options.format == "csv") {
      dataFile.format = DataFormat::kCsv;
    } else if (*options.format == "sqlite") {
      dataFile.format = DataFormat::kSqlite;
    } else {
      return "invalid format '" + *options.format + "': use csv or sqlite";
    }
  }
  if (options.refile) dataFile.refile = true;
  if (options.bom) dataFile.byteOrderMark = true;
  if (options.neutraliseFormulas) dataFile.neutraliseFormulas = true;
  return {};
}

std::string UsageText() {
  return R"(Usage: sheaver-cli --type FORMTYPE --in DIR --data FILE [--out DIR] [--reject DIR]
                   [--open SETTINGS] [--all | --watch] [--durable] [--report FILE]
                   [--quiet] [--separator CHAR] [--bom] [--neutralise-formulas]
                   [--format csv|sqlite] [--refile] [--password TEXT]
       sheaver-cli --preview WORKBOOK --type FORMTYPE [--password TEXT] [data file options]
       sheaver-cli --cells WORKBOOK [--sheet NAME | --all-sheets] [--json] [--password TEXT]
       sheaver-cli --copy-examples DIR
Files filled-in spreadsheet forms: every workbook (*.xls) of the input directory, up to 100 a
run, becomes records appended to the data file, and is moved to the output directory if given.

  --type FORMTYPE    the form type (a .dat table: field name, cell reference, format code)
  --in DIR           the input directory, or a pattern such as DIR/week*.xls
  --data FILE        the export data file (CSV); its header line is written when it is new;
                     - writes the CSV to standard output (messages go to standard error);
                     a name ending in .sqlite or .db is an SQLite database
  --format KIND      csv or sqlite, whatever the data file's name
  --refile           SQLite: file a workbook again that is already filed byte for byte
  --out DIR          move each filed workbook here, replacing a file of the same name
  --reject DIR       move each workbook that cannot be filed here, with NAME.error.txt
                     saying why, and go on; without it the run stops at the first one
  --open SETTINGS    take the paths from a settings file (lines: form type, input
                     directory, output directory, data file, rejected-forms directory,
                     password=TEXT or password-file=FILE); the options above override it
  --all              repeat runs until the input directory has no workbook left (needs --out)
  --watch            file what is there, then keep running and file each workbook that
                     arrives, until SIGINT or SIGTERM (needs --out; --reject recommended)
  --report FILE      append one JSON line per workbook to FILE as it is done: time,
                     workbook, status (filed, rejected, failed, recovered), records,
                     error, message
  --durable          flush each workbook's records and move to the disk before the next one,
                     so that a power cut cannot undo a filed workbook (slower)
  --password TEXT    open encrypted workbooks with this password (else SHEAVER_PASSWORD,
                     else the settings file's sixth line); workbooks Excel encrypted with
                     its default password open without one; --password= gives none
  -q, --quiet        print errors only
  --preview WORKBOOK print the header and records the workbook would give; no file is touched
  --cells WORKBOOK   list the workbook's sheets, defined names and the active sheet's cells
  --copy-examples DIR  copy the example forms, form types and settings into DIR (a new or
                     empty folder), ready to try: cd DIR && sheaver-cli --open Settings/Example.set
  --sheet NAME       with --cells: list that sheet's cells instead
  --all-sheets       with --cells: list the cells of every sheet
  --json             with --cells: print the listing as JSON (types, ISO dates, number formats)

Data file options (defaults from App.def: separator, bom, neutraliseformulas):
  --separator CHAR   separate values with , ; or tab (default ,); an existing data file must
                     use the same one
  --bom              start a new data file with a UTF-8 byte-order mark
  --neutralise-formulas
                     put ' before text that starts with = + - @ tab or CR, so that spreadsheets
                     do not run it as a formula
  -h, --help         show this help and exit
  -V, --version      show the version and exit

A path may start with ~/ for the home directory.

Exit status: 0 every workbook filed (also when there was nothing to file), 1 a run, preview
or listing stopped at an error (the message names the file and the error), 2 a usage error
or a mistaken path (a missing form type, input, output or rejected-forms directory, or data
file folder; a pipe, device or folder where a file belongs), 3 the run finished but some
workbooks were rejected.
)";
}

}  // namespace sheaver::cli
