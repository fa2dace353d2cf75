#include "product/product_info.h"

#include <charconv>
#include <cstdlib>
#include <utility>

#include "datafiles/line_splitter.h"
#include "platform/filesystem.h"
#include "platform/textfile.h"
#include "platform/version_info.h"
#include "product/browse_to.h"
#include "runtime/ascii.h"
#include "runtime/error.h"
#include "runtime/numbers.h"

namespace sheaver {
namespace {

constexpr const char* kDefinitionFile = "App.def";

// n in at least `digits` digits, leading zeros after the sign.
std::string ZeroPadded(int n, int digits) {
  char buffer[16];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::abs(n));
  std::string text(buffer, end);
  if (static_cast<int>(text.size()) < digits) {
    text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
  }
  return n < 0 ? "-" + text : text;
}

// A yes/no entry of App.def.
bool Switch(const std::string& key, const std::string& value) {
  const std::string v = LowerAscii(value);
  if (v == "yes" || v == "true" || v == "1" || v == "on") return true;
  if (v == "no" || v == "false" || v == "0" || v == "off") return false;
  Raise(err::kInvalidCall,
        "Invalid procedure call or argument: " + key + " is yes or no, not '" + value + "'");
}

}  // namespace

ProductInfo::ProductInfo() : ProductInfo(ProgramDirectory()) {}

ProductInfo::ProductInfo(std::string program_directory)
    : program_directory(std::move(program_directory)) {
  const VersionInfo& v = ProgramVersionInfo();
  name = v.product_name;
  major = ToInt16(v.major);
  minor = ToInt16(v.minor);
  build = ToInt16(v.build);
  title = v.product_name;
  description = v.comments;
  copyright = v.legal_copyright;
  help = this->program_directory + kPathSeparator + "Help" + kPathSeparator + "index.html";
}

void ProductInfo::Load() {
  const std::string path = (config_directory.empty() ? program_directory : config_directory) +
                           kPathSeparator + kDefinitionFile;
  if (!OrdinaryFileExists(path)) return;
  const std::vector<std::string> lines = ReadTextLines(path);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!line.empty() && line.front() == '#') continue;
    const WordList words = GetWords(line);
    if (words.size() < 4 || words[2] != "=") continue;
    try {
      Properties(words[1], words[3]);
    } catch (Error& e) {
      throw e.Within(path + " line " + std::to_string(i + 1) + ", " + words[1]);
    }
  }
}

void ProductInfo::Properties(const std::string& key, const std::string& value) {
  const std::string k = LowerAscii(key);
  if (k == "name") {
    name = value;
  } else if (k == "major") {
    major = CInt(Val(value));
  } else if (k == "minor") {
    minor = CInt(Val(value));
  } else if (k == "build") {
    build = CInt(Val(value));
  } else if (k == "title") {
    title = value;
  } else if (k == "description") {
    description = value;
  } else if (k == "copyright") {
    copyright = value;
  } else if (k == "site") {
    site = value;
  } else if (k == "help") {
    help = value;
  } else if (k == "faqurl") {
    faqurl = value;
  } else if (k == "supporturl") {
    supporturl = value;
  } else if (k == "durable") {
    // A site that files onto disks without a battery-backed cache turns this on for every run.
    const std::string v = LowerAscii(value);
    durable = v == "yes" || v == "true" || v == "on" || v == "1";
  } else if (k == "separator") {
    const std::optional<char> separator = ParseSeparator(value);
    if (!separator)
      Raise(err::kInvalidCall,
            "Invalid procedure call or argument: the separator is , ; or tab, "
            "not '" +
                value + "'");
    dataFile.separator = *separator;
  } else if (k == "bom") {
    dataFile.byteOrderMark = Switch(k, value);
  } else if (k == "neutraliseformulas") {
    dataFile.neutraliseFormulas = Switch(k, value);
  } else if (k == "icon") {
    icon = program_directory + kPathSeparator + value;
  }
}

std::string ProductInfo::Version() const {
  return ZeroPadded(major, 1) + "." + ZeroPadded(minor, 2) + "." + ZeroPadded(build, 4);
}

AboutBoxContent MakeAboutBox(const ProductInfo& info) {
  AboutBoxContent about;
  about.caption = "About " + info.title;
  about.icon = info.icon;
  about.title = info.title;
  about.version = info.Version();
  about.description = info.description;
  about.copyright_label = info.copyright;
  if (!info.site.empty()) {
    if (!about.copyright_label.empty()) about.copyright_label += '\n';
    about.copyright_label += info.site;
  }
  about.site = info.site;
  return about;
}

void CopyrightClicked(const AboutBoxContent& about) {
  BrowseTo(about.site);
}

}  // namespace sheaver
