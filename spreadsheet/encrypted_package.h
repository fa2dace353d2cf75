// Decrypting an encrypted Excel workbook (.xlsx, .xlsm): Excel stores it as a compound file
// whose EncryptionInfo stream says how the key is made from the password and whose
// EncryptedPackage stream holds the encrypted zip package. Standard encryption (AES in ECB mode,
// a key from SHA-1) and agile encryption (AES in CBC mode, a key from SHA-1 or SHA-2 with a salt
// and a spin count, described in XML) are read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sheaver::xl {

// The zip package held by `encrypted_package`, decrypted with `password` (or, failing that or
// without one, Excel's default password). Raises 1006 when the password does not open it (saying
// whether one was given) or the encryption is of a kind not read here, 1005 when either stream
// is damaged.
std::vector<std::uint8_t> DecryptPackage(std::span<const std::uint8_t> encryption_info,
                                         std::span<const std::uint8_t> encrypted_package,
                                         const std::optional<std::string>& password);

}  // namespace sheaver::xl
