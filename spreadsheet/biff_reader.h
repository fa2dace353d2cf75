// Reading a BIFF5/7 (Excel 5.0/95) or BIFF8 (Excel 97-2003) workbook stream into the workbook
// model: one pass over the workbook globals (sheets, strings, formats, names, date system,
// active sheet), then one pass per sheet when its cells are first asked for. Excel 2.x, 3.0 and
// 4.0 worksheets (BIFF2/3/4, one sheet per file) are read the same way, their one stream being
// both the globals and the sheet.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/model.h"

namespace sheaver::xl {

// Reads the globals of a workbook stream ("Workbook" or "Book" of a compound file, or a bare
// BIFF file); the stream is kept for the sheets read later. `stream_name` names the stream in
// error texts; `file_name` is put in front of errors raised while a sheet is read later.
// An encrypted stream is decrypted first, with `password` or Excel's default one. Raises 1005
// when the stream is damaged, 1006 when it is password-protected and the password does not open
// it, 1007 when it is not a BIFF5/8 workbook.
std::shared_ptr<WorkbookModel> ReadBiffWorkbook(std::vector<std::uint8_t> stream,
                                                std::string stream_name, std::string file_name,
                                                const std::optional<std::string>& password = {});

// Reads a bare Excel 2.x, 3.0 or 4.0 worksheet file: one sheet named after `file_name` without
// its folder and extension. Raises 1005 when it is damaged, 1006 when it is password-protected,
// 1007 for an Excel 4.0 workbook of bound sheets, a chart or a macro sheet.
std::shared_ptr<WorkbookModel> ReadOldBiffWorksheet(std::vector<std::uint8_t> stream,
                                                    std::string file_name);

}  // namespace sheaver::xl
