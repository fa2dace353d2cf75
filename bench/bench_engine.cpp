// Times the engine opening workbooks and reading them, and measures the memory it takes.
//   bench_engine form FILE [REPEAT]   open, list the names, read A1:J40 of the active sheet as
//                                     cell texts through the workbook interface (a form's fields)
//   bench_engine all FILE [REPEAT]    open and read every cell of every worksheet
// Prints: median microseconds per run, peak memory added by the first run, the file size.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/workbook.h"

using namespace sheaver;
using namespace sheaver::xl;

namespace {

// Resident memory figures of this process in bytes (Linux): current and peak.
long long StatusBytes(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + std::strlen(field)) * 1024;
  return 0;
}

std::size_t RunForm(const std::string& path) {
  const Workbook book = OpenWorkbook(path);
  std::size_t chars = 0;
  for (const DefinedName& n : book.GetNames()) chars += n.GetName().size();
  Range area = book.ActiveSheet().GetRange("A1:J40");
  Range rows = area.Rows();
  for (Int16 r = 1; r <= rows.Count(); ++r) {
    Range cols = rows.Item(r).Columns();
    for (Int16 c = 1; c <= cols.Count(); ++c) {
      try {
        chars += ValueToText(cols.Item(c).Value()).size();
      } catch (const Error&) {
      }
    }
  }
  return chars;
}

std::size_t RunAll(const std::string& path) {
  auto book = OpenWorkbookFile(path);
  std::size_t cells = 0;
  for (std::size_t i = 0; i < book->sheets.size(); ++i) {
    if (book->sheets[i].kind != SheetKind::kWorksheet) continue;
    book->Cells(i).ForEach(book->strings, [&](std::uint32_t, std::uint32_t, const Value& v) {
      cells += v.kind != Value::Kind::kEmpty;
    });
  }
  return cells;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_engine form|all FILE [REPEAT]\n");
    return 2;
  }
  std::string mode = argv[1], path = argv[2];
  int repeat = argc > 3 ? std::atoi(argv[3]) : 100;
  auto run = [&] { return mode == "form" ? RunForm(path) : RunAll(path); };
  try {
    long long before = StatusBytes("VmRSS:");
    std::size_t work = run();
    long long peak = StatusBytes("VmHWM:") - before;
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
      auto t0 = std::chrono::steady_clock::now();
      work += run();
      auto t1 = std::chrono::steady_clock::now();
      times.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("time_us=%.1f peak_bytes=%lld file_bytes=%lld work=%zu\n", times[times.size() / 2],
                peak, static_cast<long long>(std::filesystem::file_size(path)), work);
  } catch (const Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
