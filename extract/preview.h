// Previewing one workbook under a form type: the lines a new export data file would receive,
// made by the extraction itself (ExtractWorkbookData) with the data file kept in memory, so that
// a preview can never differ from what a run writes. No file is written, created or moved.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "datafiles/data_table.h"
#include "runtime/error.h"

namespace sheaver {

// What the extraction of one workbook appended, and the error that stopped it, if any.
struct PreviewResult {
  // The header line, then one line per record, without line ends; a failed extraction keeps the
  // lines it appended before the failure (none when the form type or workbook cannot be read).
  std::vector<std::string> lines;
  // The error that ended the extraction, with its number and its full description ("Week.xls:
  // field Day (B3, +dmy), record 4: Type mismatch: ..."); empty when it ran to the end.
  std::optional<Error> error;
};

// The preview of the workbook at workbookPath under the form type file at formTypePath.
PreviewResult PreviewWorkbookData(const std::string& workbookPath, const std::string& formTypePath);

// The preview under a form type held in memory, unsaved changes and all: its rows and columns
// are read as the extraction reads a form type file, whatever its layout. Its FileName names it
// in messages ("Untitled.dat" when empty); that file is neither read nor written.
PreviewResult PreviewWorkbookData(const std::string& workbookPath, const DataTable& formType);

}  // namespace sheaver
