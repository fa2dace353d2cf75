// Times the engine over zip-packaged workbooks (.xlsx, .ods): opening the workbook and reading
// every cell of its active sheet, as an extraction of a whole sheet would, best of N runs.
// Prints one line per workbook:
//   <file> cells=<n> seconds=<best> peak_rss_mib=<peak> cells_mib=<memory of the cells read>
// Usage: bench_packages [-n RUNS] WORKBOOK...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "spreadsheet/package_workbook.h"

using namespace sheaver;
using namespace sheaver::xl;

namespace {

// The process's peak resident memory (VmHWM): unlike getrusage's, it starts afresh at exec, so
// it does not include the memory of the script that started the program.
double PeakRssMib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.starts_with("VmHWM:")) return std::atof(line.c_str() + 6) / 1024.0;  // in kB
  return 0;
}

struct Run {
  std::size_t cells = 0;
  double seconds = 0;
  std::size_t memory = 0;
};

Run ReadActiveSheet(const char* path) {
  auto start = std::chrono::steady_clock::now();
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  auto book = OpenPackageWorkbook(std::move(bytes), path);
  const SheetCells& cells = book->Cells(book->active_sheet);
  Run run;
  // Every value decoded, as the extraction would hand them out.
  cells.ForEach(book->strings, [&](std::uint32_t, std::uint32_t, const Value& v) {
    if (v.kind != Value::Kind::kEmpty) ++run.cells;
  });
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.memory = cells.MemoryUsed() + book->strings.MemoryUsed();
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3, first = 1;
  if (argc > 2 && std::strcmp(argv[1], "-n") == 0) {
    runs = std::max(1, std::atoi(argv[2]));
    first = 3;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: bench_packages [-n RUNS] WORKBOOK...\n");
    return 2;
  }
  for (int i = first; i < argc; ++i) {
    try {
      Run best;
      for (int r = 0; r < runs; ++r) {
        Run run = ReadActiveSheet(argv[i]);
        if (r == 0 || run.seconds < best.seconds) best = run;
      }
      std::printf("%s cells=%zu seconds=%.4f peak_rss_mib=%.1f cells_mib=%.1f\n", argv[i],
                  best.cells, best.seconds, PeakRssMib(),
                  static_cast<double>(best.memory) / (1 << 20));
    } catch (const Error& e) {
      std::printf("%s error=%d %s\n", argv[i], e.Number(), e.Description().c_str());
      return 1;
    }
  }
  return 0;
}
