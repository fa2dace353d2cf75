// sheaver-cli: files a folder of spreadsheet forms into a CSV data file without a window.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_tool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return sheaver::cli::RunCli(args, stdout, stderr);
}
