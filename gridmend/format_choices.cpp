#include "gridmend/format_choices.h"

#include "extract/FormatValue.h"
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
    {"text", Kind::kText, "text, in double quotes"}, {"0", Kind::kNumber, "whole number"},
    {"0.0", Kind::kNumber, "number, 1 decimal"},     {"0.00", Kind::kNumber, "number, 2 decimals"},
    {"0.000", Kind::kNumber, "number, 3 decimals"},  {"dmy", Kind::kDate, "date, day month year"},
    {"mdy", Kind::kDate, "date, month day year"},    {"ymd", Kind::kDate, "date, yyyymmdd"},
};

// The records a "+" code's example shows.
constexpr Int16 kOffsetExampleRecords = 3;

std::string LowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

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
  if (const FixedCode* fixed = FindFixed(key)) {
    if (fixed->kind == Kind::kText)
      return Meaning(*fixed, false) + ": " + samples.text + " \u2192 " +
             Example(samples.text, code, false, locale);
    const std::string& sample = SampleOf(fixed->kind, samples);
    return Meaning(*fixed, offset) + ": " + sample + " \u2192 " +
           Example(sample, code, offset, locale);
  }
  return "pattern: " + samples.number + " \u2192 " + Result(samples.number, code, 0, locale) +
         "; " + samples.date + " \u2192 " + Result(samples.date, code, 0, locale);
}

}  // namespace sheaver
