// Decrypting an encrypted OpenDocument spreadsheet: the manifest lists each encrypted part with
// how its key is made from the password (a SHA-1 or SHA-256 start key, then PBKDF2) and its
// cipher (Blowfish in CFB mode in OpenOffice.org's files, AES-256 in CBC mode since ODF 1.2),
// and a checksum of its first kilobyte that tells a wrong password. Each part is decrypted and
// then inflated.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sheaver::xl {

class ZipPackage;

// Replaces each encrypted part of `package` by its plain text, decrypted with `password`.
// Raises 1006 when no password is given or it does not open the spreadsheet, or the encryption
// is of a kind not read here; 1005 when a part or the manifest is damaged.
void DecryptOdsPackage(ZipPackage& package, std::string_view manifest,
                       const std::optional<std::string>& password);

}  // namespace sheaver::xl
