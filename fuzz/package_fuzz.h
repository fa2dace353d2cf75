// Shared by the package fuzz targets: turns fuzz input into a zip package and reads everything
// the engine reads from a workbook. Input that starts with "PK" is taken as a zip archive as it
// is; any other input is split at NUL bytes into the parts `names` lists, in order, which are
// packed into a zip archive first, so that mutations reach the XML of the parts rather than
// only breaking the archive's checksums.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "spreadsheet/package_workbook.h"
#include "tests/spreadsheet/package_builder.h"

namespace sheaver::xl::fuzzing {

inline std::vector<std::uint8_t> PackageOf(const std::uint8_t* data, std::size_t size,
                                           const std::vector<std::string>& names) {
  if (size >= 2 && data[0] == 'P' && data[1] == 'K') return {data, data + size};
  std::vector<testing::Part> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= size && parts.size() < names.size(); ++i) {
    if (i == size || data[i] == 0) {
      parts.push_back({names[parts.size()],
                       std::string(reinterpret_cast<const char*>(data) + start, i - start), true});
      start = i + 1;
    }
  }
  return testing::MakeZip(parts);
}

// Opens the package and reads every sheet's cells and every name; only the engine's own error
// may come out.
inline void ReadEverything(std::vector<std::uint8_t> bytes) {
  try {
    // The password of the encrypted seed (an .ods), so that its decryption is fuzzed too.
    auto book = OpenPackageWorkbook(std::move(bytes), "fuzz", std::string("letmein"));
    if (book->sheets.empty() || book->active_sheet >= book->sheets.size()) std::abort();
    for (const NameInfo& n : book->names)
      if (n.target.is_range && (n.target.sheet >= book->sheets.size() ||
                                n.target.area.last_row >= book->sheets[n.target.sheet].max_rows ||
                                n.target.area.last_col >= book->sheets[n.target.sheet].max_cols))
        std::abort();
    for (std::size_t i = 0; i < book->sheets.size(); ++i) {
      if (book->sheets[i].kind != SheetKind::kWorksheet) continue;
      try {
        const SheetCells& cells = book->Cells(i);
        std::size_t count = 0;
        cells.ForEach(book->strings, [&](std::uint32_t row, std::uint32_t col, const Value& v) {
          if (row >= book->sheets[i].max_rows || col >= book->sheets[i].max_cols) std::abort();
          count += v.kind != Value::Kind::kEmpty;
        });
        if (count != cells.CellCount()) std::abort();
      } catch (const Error&) {
        // A damaged sheet; the others may still read.
      }
    }
  } catch (const Error&) {
  }
}

}  // namespace sheaver::xl::fuzzing
