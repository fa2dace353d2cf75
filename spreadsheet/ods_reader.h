// Reading an OpenDocument spreadsheet package (.ods, .ots) into the workbook model. All sheets
// live in one part, content.xml: a first streaming pass reads the sheet names, the named ranges
// and expressions, and the cells of the active sheet (the one references are resolved on);
// another sheet's cells are streamed out of the part when that sheet is first asked for.
//
// Repeated rows and columns are never expanded when empty, so a sheet padded with a million
// repeated empty rows costs nothing. A repeated cell that holds a value is stored once per cell
// it covers, up to kMaxRepeatedCells extra cells per sheet; a sheet that repeats values over
// more cells than that is refused with a clear error rather than filling memory. Cells beyond
// the sheet's 1048576 rows and 16384 columns are ignored.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "spreadsheet/model.h"
#include "spreadsheet/zip_package.h"

namespace sheaver::xl {

// Extra cells a sheet may gain from repeated cells that hold values (about 32 MiB of cells):
// a whole column of one value is a million cells, far below it.
inline constexpr std::uint64_t kMaxRepeatedCells = std::uint64_t{1} << 22;

// Reads the package's spreadsheet. `file_name` is put in front of errors raised while a sheet is
// read later. Raises 1005 when the package is another OpenDocument kind (a text document, a
// drawing) or content.xml is missing or damaged; 1006 when the package is encrypted
// (password-protected) and `password` does not open it; 1007 for an OpenOffice.org 1.x
// spreadsheet (.sxc).
std::shared_ptr<WorkbookModel> ReadOdsWorkbook(std::shared_ptr<ZipPackage> package,
                                               std::string file_name,
                                               const std::optional<std::string>& password = {});

}  // namespace sheaver::xl
