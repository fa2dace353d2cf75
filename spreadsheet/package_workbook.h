// Opening a workbook that comes as a zip package: the package's parts decide whether it is an
// Excel workbook (.xlsx and relatives), an OpenDocument spreadsheet (.ods), or a zip archive
// that is not a workbook at all.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/model.h"

namespace sheaver::xl {

// Opens the zip package held in `bytes`; `name` is put in front of errors raised later, while a
// sheet is read. An encrypted .ods is decrypted with `password`. Raises 1005 when it is not a
// workbook (saying what it is when it can tell) or is damaged, 1006 when it is
// password-protected and the password does not open it, 1007 for a workbook format not read
// here (.xlsb, .sxc).
std::shared_ptr<WorkbookModel> OpenPackageWorkbook(std::vector<std::uint8_t> bytes,
                                                   std::string_view name,
                                                   const std::optional<std::string>& password = {});

}  // namespace sheaver::xl
