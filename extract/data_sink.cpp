#include "extract/data_sink.h"

#include <utility>

#include "runtime/msgbox.h"

namespace sheaver {
namespace {

FilingNoticeHandler noticeHandler;

}  // namespace

std::unique_ptr<DataFileSink> OpenDataFileSink(const std::string& path,
                                               const DataFileOptions& options,
                                               const RecordAppend& append) {
  if (IsSqliteDataFile(path, options)) return SqliteDataFileSink(path, options);
  return CsvDataFileSink(path, options, append);
}

FilingNoticeHandler SetFilingNoticeHandler(FilingNoticeHandler handler) {
  return std::exchange(noticeHandler, std::move(handler));
}

void FilingNotice(const std::string& text) {
  if (noticeHandler) {
    noticeHandler(text);
  } else {
    MsgBox(text, MsgButtons::kOk, MsgIcon::kInformation);
  }
}

}  // namespace sheaver
