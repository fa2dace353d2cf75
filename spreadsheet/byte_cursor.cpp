#include "spreadsheet/byte_cursor.h"

#include "runtime/error.h"

namespace sheaver::xl {

void RaiseDamaged(std::string_view what, std::string_view where, std::uint64_t offset) {
  throw Error(err::kWorkbookUnreadable, "damaged workbook: " + std::string(what) + " (" +
                                            std::string(where) + ", offset " +
                                            std::to_string(offset) + ")")
      .Record({.part = std::string(where), .offset = offset});
}

void RaiseDamaged(std::string_view what) {
  Raise(err::kWorkbookUnreadable, "damaged workbook: " + std::string(what));
}

}  // namespace sheaver::xl
