// Removing the password protection of an .xls workbook stream: XOR obfuscation (Excel 5.0/95 and
// 97-2003), RC4 and RC4 CryptoAPI encryption (Excel 97-2003), as the FILEPASS record in the
// workbook globals names it. The stream is decrypted in place, so that the record reader sees
// an ordinary workbook.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheaver::xl {

// Decrypts `stream` in place when its globals hold a FILEPASS record, with `password` when one is
// given and with Excel's default password; `biff5` for an Excel 5.0/95 stream. Returns what the
// protection was ("RC4 encryption") or an empty text when the stream is not protected. Raises
// 1006 when neither password opens it (saying whether one was given), 1005 when the FILEPASS
// record is damaged.
std::string DecryptBiffStream(std::vector<std::uint8_t>& stream, bool biff5,
                              const std::optional<std::string>& password, std::string_view where);

}  // namespace sheaver::xl
