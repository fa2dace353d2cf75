#include "platform/version_info.h"

#include "version_info_values.h"

namespace sheaver {

const VersionInfo& ProgramVersionInfo() {
  static const VersionInfo info{SHEAVER_PRODUCT_NAME, SHEAVER_FILE_DESCRIPTION, SHEAVER_COMMENTS,
                                SHEAVER_COPYRIGHT,    SHEAVER_VERSION_MAJOR,    SHEAVER_VERSION_MINOR,
                                SHEAVER_VERSION_BUILD};
  return info;
}

}  // namespace sheaver
