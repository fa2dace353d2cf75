#include "spreadsheet/package_workbook.h"

#include "runtime/error.h"
#include "spreadsheet/ods_reader.h"
#include "spreadsheet/xlsx_reader.h"
#include "spreadsheet/zip_package.h"

namespace sheaver::xl {

std::shared_ptr<WorkbookModel> OpenPackageWorkbook(std::vector<std::uint8_t> bytes,
                                                   std::string_view name,
                                                   const std::optional<std::string>& password) {
  auto package = std::make_shared<ZipPackage>(std::move(bytes));
  // An OpenDocument package names its kind in a "mimetype" part or its manifest; an Office
  // Open XML package has a content-types part and package relationships.
  if (package->Has("mimetype") || package->Has("META-INF/manifest.xml"))
    return ReadOdsWorkbook(std::move(package), std::string(name), password);
  if (package->Has("[Content_Types].xml") || package->Has("_rels/.rels"))
    return ReadXlsxWorkbook(std::move(package), std::string(name));

  std::vector<std::string> parts = package->PartNames();
  if (parts.empty())
    Raise(err::kWorkbookUnreadable, "not a workbook: the file is an empty zip archive");
  std::string listing;
  for (const std::string& part : parts) {
    if (listing.size() > 120) {
      listing += ", ...";
      break;
    }
    listing += listing.empty() ? "" : ", ";
    for (char c : part) listing += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
  }
  Raise(err::kWorkbookUnreadable,
        "not a workbook: the file is a zip archive that holds neither an Excel nor an "
        "OpenDocument workbook (it holds " +
            listing + ")");
}

}  // namespace sheaver::xl
