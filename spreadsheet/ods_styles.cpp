#include "spreadsheet/ods_styles.h"

#include <algorithm>
#include <charconv>

namespace sheaver::xl {

namespace {

bool IsDataStyle(std::string_view local) {
  return local == "number-style" || local == "date-style" || local == "time-style" ||
         local == "percentage-style" || local == "currency-style" || local == "boolean-style" ||
         local == "text-style";
}

int IntAttribute(const XmlAttributes& a, std::string_view local, int fallback) {
  std::string_view v = a.Get(Ns::kNumber, local, "");
  int n = fallback;
  auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
  if (ec != std::errc() || end != v.data() + v.size() || n < 0) return fallback;
  return std::min(n, 30);  // more digits than a number has are a damaged file's
}

bool IsLong(const XmlAttributes& a) {
  return a.Get(Ns::kNumber, "style", "") == "long";
}

// Literal text of a format: characters that separate date and number parts stand as they are;
// anything else is quoted, so that its letters are not read as date parts.
std::string Literal(std::string_view text) {
  if (text.find_first_not_of(" /-.:,()%") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text)
    if (c != '"') quoted += c;
  return quoted + '"';
}

std::string NumberPart(const XmlAttributes& a, int default_integers) {
  const int decimals = IntAttribute(a, "decimal-places", 0);
  const int integers = IntAttribute(a, "min-integer-digits", default_integers);
  std::string code;
  if (a.Get(Ns::kNumber, "grouping", "false") == "true")
    code = integers > 0 ? "#,##" + std::string(static_cast<std::size_t>(std::max(integers, 1)), '0')
                        : "#,###";
  else
    code = integers > 0 ? std::string(static_cast<std::size_t>(integers), '0') : "#";
  if (decimals > 0) code += '.' + std::string(static_cast<std::size_t>(decimals), '0');
  return code;
}

}  // namespace

void OdsNumberStyles::StartElement(const XmlName& name, const XmlAttributes& a) {
  if (name.Is(Ns::kStyle, "style")) {
    if (a.Get(Ns::kStyle, "family", "") == "table-cell") {
      cell_style_ = std::string(a.Get(Ns::kStyle, "name", ""));
      cell_styles_[cell_style_] = {std::string(a.Get(Ns::kStyle, "data-style-name", "")),
                                   std::string(a.Get(Ns::kStyle, "parent-style-name", ""))};
    }
    return;
  }
  if (name.ns != Ns::kNumber) return;
  if (depth_ == 0) {
    if (!IsDataStyle(name.local)) return;
    data_style_ = std::string(a.Get(Ns::kStyle, "name", ""));
    code_.clear();
    depth_ = 1;
    // A time style whose hours do not wrap at 24 shows a duration: [HH]:MM:SS.
    duration_ = a.Get(Ns::kNumber, "truncate-on-overflow", "true") == "false";
    if (name.local == "boolean-style") code_ = "BOOLEAN";
    return;
  }
  ++depth_;
  if (depth_ != 2) return;  // the parts of a data style are its children
  const std::string_view n = name.local;
  if (n == "number") {
    code_ += NumberPart(a, 1);
  } else if (n == "scientific-number") {
    code_ += NumberPart(a, 1) + "E+" +
             std::string(static_cast<std::size_t>(IntAttribute(a, "min-exponent-digits", 2)), '0');
  } else if (n == "fraction") {
    const int integers = IntAttribute(a, "min-integer-digits", 0);
    const auto numerator = static_cast<std::size_t>(IntAttribute(a, "min-numerator-digits", 1));
    const auto denominator = static_cast<std::size_t>(IntAttribute(a, "min-denominator-digits", 1));
    code_ += (integers > 0 ? std::string(static_cast<std::size_t>(integers), '0') : "#") + " " +
             std::string(numerator, '?') + "/" + std::string(denominator, '?');
  } else if (n == "day") {
    code_ += IsLong(a) ? "DD" : "D";
  } else if (n == "month") {
    const bool textual = a.Get(Ns::kNumber, "textual", "false") == "true";
    code_ += textual ? (IsLong(a) ? "MMMM" : "MMM") : (IsLong(a) ? "MM" : "M");
  } else if (n == "year") {
    code_ += IsLong(a) ? "YYYY" : "YY";
  } else if (n == "day-of-week") {
    code_ += IsLong(a) ? "NNNN" : "NN";
  } else if (n == "hours") {
    code_ += duration_ ? (IsLong(a) ? "[HH]" : "[H]") : (IsLong(a) ? "HH" : "H");
  } else if (n == "minutes") {
    code_ += IsLong(a) ? "MM" : "M";
  } else if (n == "seconds") {
    code_ += IsLong(a) ? "SS" : "S";
    if (int decimals = IntAttribute(a, "decimal-places", 0); decimals > 0)
      code_ += '.' + std::string(static_cast<std::size_t>(decimals), '0');
  } else if (n == "am-pm") {
    code_ += "AM/PM";
  } else if (n == "text-content") {
    code_ += '@';
  } else if (n == "text" || n == "currency-symbol") {
    in_text_ = true;
    in_currency_ = n == "currency-symbol";
    text_.clear();
  }
}

void OdsNumberStyles::EndElement(const XmlName& name) {
  if (depth_ == 0 || name.ns != Ns::kNumber) return;
  if (depth_ == 2 && in_text_) {
    code_ += in_currency_ ? "[$" + text_ + "]" : Literal(text_);
    in_text_ = false;
  }
  if (--depth_ > 0) return;
  data_styles_[data_style_] = code_;
}

void OdsNumberStyles::Characters(std::string_view text) {
  if (in_text_) text_ += text;
}

std::string_view OdsNumberStyles::CodeOfDataStyle(std::string_view data_style) const {
  auto it = data_styles_.find(std::string(data_style));
  return it != data_styles_.end() ? std::string_view(it->second) : std::string_view();
}

std::string_view OdsNumberStyles::CodeOfCellStyle(std::string_view cell_style) const {
  std::string name(cell_style);
  // Parents are followed a few steps only: a loop of styles is a damaged file's.
  for (int step = 0; step < 8 && !name.empty(); ++step) {
    auto it = cell_styles_.find(name);
    if (it == cell_styles_.end()) return {};
    if (!it->second.data_style.empty()) return CodeOfDataStyle(it->second.data_style);
    name = it->second.parent;
  }
  return {};
}

}  // namespace sheaver::xl
