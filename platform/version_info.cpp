#include "platform/version_info.h"

#include "version_info_values.h"

namespace sheaver {

const VersionInfo& ProgramVersionInfo() {
  static const VersionInfo info{
      SHEAVER_PRODUCT_NAME,  SHEAVER_FILE_DESCRIPTION, SHEAVER_COMMENTS,     SHEAVER_COPYRIGHT,
      SHEAVER_VERSION_MAJOR, SHEAVER_VERSION_MINOR,    SHEAVER_VERSION_BUILD};
  return info;
}

}  // namespace sheaver

namespace sheaver {

std::string VersionText(const std::string& program) {
  const VersionInfo& v = ProgramVersionInfo();
  return program + " (" + v.product_name + ") " + std::to_string(v.major) + "." +
         std::to_string(v.minor) + "." + std::to_string(v.build) + "\n" + v.legal_copyright +
         "\nLicense MIT: <https://opensource.org/licenses/MIT>.\n"
         "This is free software: you are free to change and redistribute it.\n"
         "There is NO WARRANTY, to the extent permitted by law.\n";
}

}  // namespace sheaver
