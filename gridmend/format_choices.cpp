#include "gridmend/format_choices.h"

#include "extract/format_value.h"
#include "runtime/ascii.h"
#include "runtime/convert.h"
#include "runtime/date.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

enum class Kind { kText, kNumber, kDate };

struct FixedCode {
  const char* key;
  Kind kind;
  const char* meaning;
};

constexpr FixedCode kFixedCodes[] = {
    {"text", Kind::kText, "text, in double quotes"},
    {"0", Kind::kNumber, "whole number"},
    {"0.0", Kind::kNumber, "number, 1 decimal"},
    {"0.00", Kind::kNumber, "number, 2 decimals"},
    {"0.000", Kind::kNumber, "number, 3 decimals"},
    {"dmy", Kind::kDate, "date, day month year"},
    {"mdy", Kind::kDate, "date, month day year"},
    {"ymd", Kind::kDate, "date, yyyymmdd"},
    {"iso", Kind::kDate, "date, yyyy-mm-dd (and the time)"},
};

// The records a "+" code's example shows.
constexpr Int16 kOffsetExampleRecords = 3;

const FixedCode* FindFixed(std::string_view key) {
  const std::string lower = LowerAscii(key);
  for (const FixedCode& fixed : kFixedCodes)
    if (lower == fixed.key) return &fixed;
  return nullptr;
}

const std::string& SampleOf(Kind kind, const FormatSamples& samples) {
  switch (kind) {
    case Kind::kNumber:
      return samples.number;
    case Kind::kDate:
      return samples.date;
    case Kind::kText:
      break;
  }
  return samples.text;
}

// FormatValue's result, or the error it raises, in words.
std::string Result(std::string_view cell, std::string_view code, Int16 record,
                   const Locale& locale) {
  try {
    return FormatValue(cell, code, record, locale);
  } catch (const Error& e) {
    return "(" + e.Description() + ")";
  }
}

std::string Example(std::string_view cell, std::string_view code, bool offset,
                    const Locale& locale) {
  std::string example = Result(cell, code, 0, locale);
  if (offset)
    for (Int16 record = 1; record < kOffsetExampleRecords; ++record)
      example += ", " + Result(cell, code, record, locale);
  return example;
}

std::string Meaning(const FixedCode& fixed, bool offset) {
  std::string meaning = fixed.meaning;
  if (offset) meaning += fixed.kind == Kind::kDate ? ", + 1 day per record" : ", + record number";
  return meaning;
}

}  // namespace

FormatSamples SamplesFor(const Locale& locale) {
  return {NumberToText(1234.5678, locale), DateToText(DateSerial(2024, 1, 31), locale), "Smith"};
}

std::vector<FormatChoice> FormatChoices(const Locale& locale) {
  const FormatSamples samples = SamplesFor(locale);
  std::vector<FormatChoice> choices;
  for (bool offset : {false, true}) {
    for (const FixedCode& fixed : kFixedCodes) {
      if (offset && fixed.kind == Kind::kText) continue;
      const std::string code = (offset ? "+" : "") + std::string(fixed.key);
      choices.push_back({code, Meaning(fixed, offset),
                         Example(SampleOf(fixed.kind, samples), code, offset, locale)});
    }
  }
  return choices;
}

std::string DescribeFormat(std::string_view code, const Locale& locale) {
  const FormatSamples samples = SamplesFor(locale);
  if (code.empty()) return "no code: the cell text as it stands, without quotes";
  const bool offset = code.front() == '+';
  const std::string_view key = offset ? code.substr(1) : code;
  std::string description;
  std::string written;  // what the code writes for the samples, unquoted
  if (const FixedCode* fixed = FindFixed(key)) {
    const bool text = fixed->kind == Kind::kText;
    const std::string& sample = SampleOf(fixed->kind, samples);
    const std::string example = Example(sample, code, offset && !text, locale);
    description = Meaning(*fixed, offset && !text) + ": " + sample + " \u2192 " + example;
    if (!text) written = Result(sample, code, 0, locale);
  } else {
    const std::string number = Result(samples.number, code, 0, locale);
    const std::string date = Result(samples.date, code, 0, locale);
    description = "pattern: " + samples.number + " \u2192 " + number + "; " + samples.date +
                  " \u2192 " + date;
    written = number + date;
    // A fixed code with a blank around it is a pattern of its own: say so.
    const std::size_t first = code.find_first_not_of(' ');
    if (first != std::string_view::npos && first + 1 < code.size()) {
      const std::string_view trimmed = code.substr(first, code.find_last_not_of(' ') - first + 1);
      const std::string_view trimmedKey = trimmed.front() == '+' ? trimmed.substr(1) : trimmed;
      if (trimmed != code && FindFixed(trimmedKey) != nullptr)
        description += " (not the code " + std::string(trimmed) + ": the spaces count)";
    }
  }
  if (written.find(',') != std::string::npos)
    description += "; in double quotes where the data file separates with commas";
  return description;
}

}  // namespace sheaver
