// Reading an Excel workbook package (.xlsx, .xlsm, .xltx, .xltm; Transitional and Strict) into
// the workbook model: the package relationships lead to the workbook part, whose sheets, defined
// names, active tab and date system are read at once together with the styles (which cells
// hold dates) and the shared strings; each sheet's cells are streamed from its part when the
// sheet is first asked for.
#pragma once

#include <memory>
#include <string>

#include "spreadsheet/model.h"
#include "spreadsheet/zip_package.h"

namespace sheaver::xl {

// Reads the package's workbook. `file_name` is put in front of errors raised while a sheet is
// read later. Raises 1005 when the package is not an Excel workbook (naming what it is instead
// when it can tell: a Word document, a PowerPoint presentation) or a part is missing or damaged
// (naming the part and the reason); 1007 for a binary .xlsb workbook.
std::shared_ptr<WorkbookModel> ReadXlsxWorkbook(std::shared_ptr<ZipPackage> package,
                                                std::string file_name);

}  // namespace sheaver::xl
