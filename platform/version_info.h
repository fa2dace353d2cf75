// Version information of the running program, as the platform's version resource carries it.
#pragma once

#include <string>

namespace sheaver {

struct VersionInfo {
  std::string product_name;
  std::string file_description;
  std::string comments;
  std::string legal_copyright;
  int major = 0;
  int minor = 0;
  int build = 0;
};

// The version information compiled into this program.
const VersionInfo& ProgramVersionInfo();

// What --version prints, the GNU way: "sheaver-cli (Sheaver) 1.0.0", the copyright and the
// licence, each on a line of its own.
std::string VersionText(const std::string& program);

}  // namespace sheaver
