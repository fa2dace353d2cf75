// Where the programs find their files. Run from the build tree (or any folder that holds the
// program files beside the executable: Help/, App.def) everything is beside the executable, as
// it always was. Installed, they follow the file-system hierarchy: the programs in bin, the help
// pages, bundled form types and example settings in <datadir>/sheaver, the site's App.def in
// <sysconfdir>/sheaver (/etc/sheaver), and the user's own form types and settings in the XDG
// directories.
#pragma once

#include <string>

namespace sheaver {

struct ProgramPaths {
  std::string programs;  // the folder of the executables (Gridmend is started from there)
  std::string data;      // Help/, FormTypes/, Settings/, the icon
  std::string config;    // App.def
  bool installed = false;
};

// The paths for the running program, decided once by whether its program files lie beside it.
ProgramPaths FindProgramPaths();

// $XDG_CONFIG_HOME/sheaver (~/.config/sheaver): the user's settings files.
std::string UserConfigDirectory();
// $XDG_DATA_HOME/sheaver (~/.local/share/sheaver): the user's own form types.
std::string UserDataDirectory();

// The example forms, form types and settings shipped with the program: the source tree's
// examples/ when run from the build tree, else <datadir>/sheaver/examples.
std::string ExamplesDirectory();

}  // namespace sheaver
