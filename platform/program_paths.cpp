#include "platform/program_paths.h"

#include <sys/stat.h>

#include <cstdlib>

#include "platform/filesystem.h"
#include "version_info_values.h"

namespace sheaver {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// An XDG base directory: the variable when it holds an absolute path, else the fallback below
// the home directory.
std::string XdgDirectory(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  const std::string base = value != nullptr && value[0] == kPathSeparator
                               ? std::string(value)
                               : JoinPath(UserHomeDirectory(), fallback);
  return JoinPath(base, "sheaver");
}

bool InBuildTree(const std::string& programs) {
  const std::string build = SHEAVER_BUILD_DIR;
  return programs == build || programs.starts_with(build + kPathSeparator);
}

}  // namespace

ProgramPaths FindProgramPaths() {
  const std::string programs = ProgramDirectory();
  // A folder that holds the program files beside the program (a copied or portable layout).
  if (Exists(JoinPath(programs, "Help")) || Exists(JoinPath(programs, "App.def")))
    return {programs, programs, programs, false};
  // Another program of the build tree (sheaver-cli, the tests): the files are in its bin folder.
  if (InBuildTree(programs)) {
    const std::string bin = JoinPath(SHEAVER_BUILD_DIR, "bin");
    return {bin, bin, bin, false};
  }
  return {programs, SHEAVER_INSTALL_DATADIR, SHEAVER_INSTALL_SYSCONFDIR, true};
}

std::string UserConfigDirectory() {
  return XdgDirectory("XDG_CONFIG_HOME", ".config");
}

std::string UserDataDirectory() {
  return XdgDirectory("XDG_DATA_HOME", ".local/share");
}

std::string ExamplesDirectory() {
  const ProgramPaths paths = FindProgramPaths();
  if (!paths.installed && Exists(SHEAVER_SOURCE_EXAMPLES "/forms")) return SHEAVER_SOURCE_EXAMPLES;
  return JoinPath(paths.data, "examples");
}

}  // namespace sheaver
