// What the decryption of every format shares: Excel's default password, and the error for a
// password that does not open a workbook.
#pragma once

#include <string>
#include <string_view>

#include "runtime/error.h"

namespace sheaver::xl {

// The password Excel uses when it saves a workbook encrypted without the user giving one (as
// it does for a workbook whose structure is protected); such workbooks open without asking.
inline constexpr std::string_view kExcelDefaultPassword = "VelvetSweatshop";

// Raises 1006 "password-protected workbook (<what>): ...", saying whether a password was given.
// The password itself is never part of the text.
[[noreturn]] inline void RaisePasswordRefused(std::string_view what, bool given) {
  Raise(err::kWorkbookEncrypted,
        "password-protected workbook (" + std::string(what) + "): " +
            (given ? "the password given does not open it"
                   : "it cannot be read without its password, and none was given"));
}

}  // namespace sheaver::xl
