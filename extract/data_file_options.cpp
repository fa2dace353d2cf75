#include "extract/data_file_options.h"

#include "runtime/ascii.h"

namespace sheaver {
namespace {

DataFileOptions currentOptions;

bool IsSeparator(char c) {
  return c == ',' || c == ';' || c == '\t';
}

}  // namespace

const DataFileOptions& CurrentDataFileOptions() {
  return currentOptions;
}

DataFileOptions SetDataFileOptions(const DataFileOptions& options) {
  const DataFileOptions previous = currentOptions;
  currentOptions = options;
  return previous;
}

bool IsSqliteDataFile(std::string_view path, const DataFileOptions& options) {
  if (options.format != DataFormat::kByName) return options.format == DataFormat::kSqlite;
  auto endsWith = [&](std::string_view suffix) {
    return path.size() > suffix.size() &&
           EqualsIgnoringAsciiCase(path.substr(path.size() - suffix.size()), suffix);
  };
  return endsWith(".sqlite") || endsWith(".db");
}

std::optional<char> ParseSeparator(std::string_view text) {
  if (text.size() == 1 && IsSeparator(text[0])) return text[0];
  if (EqualsIgnoringAsciiCase(text, "comma")) return ',';
  if (EqualsIgnoringAsciiCase(text, "semicolon")) return ';';
  if (EqualsIgnoringAsciiCase(text, "tab") || text == "\\t") return '\t';
  return std::nullopt;
}

std::string SeparatorName(char separator) {
  if (separator == '\t') return "tab";
  return std::string(1, separator);
}

std::string CsvField(std::string_view value, char separator) {
  if (value.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string_view::npos)
    return std::string(value);
  std::string quoted;
  quoted.reserve(value.size() + 2);
  quoted += '"';
  for (char c : value) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  quoted += '"';
  return quoted;
}

bool LooksLikeFormula(std::string_view text) {
  if (text.empty()) return false;
  const char first = text.front();
  if (first == '=' || first == '@' || first == '\t' || first == '\r') return true;
  if (first == '+' || first == '-')
    return text.size() == 1 || !(IsAsciiDigit(text[1]) || text[1] == '.' || text[1] == ',');
  return false;
}

std::optional<char> HeaderSeparator(std::string_view headerLine) {
  if (headerLine.starts_with(kByteOrderMark)) headerLine.remove_prefix(kByteOrderMark.size());
  bool quoted = false;
  for (char c : headerLine) {
    if (c == '"') quoted = !quoted;
    if (!quoted && IsSeparator(c)) return c;
  }
  return std::nullopt;
}

}  // namespace sheaver
