// sheaver-cli: files a folder of spreadsheet forms into a CSV data file without a window.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_tool.h"

int main(int argc, char** argv) {
  // A data file that reaches the file-size limit must be a reported Disk full (61) with the
  // append undone, not a process killed half-way through a write.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return sheaver::cli::RunCli(args, stdout, stderr);
}
