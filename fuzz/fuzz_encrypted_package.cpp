// Fuzz target: the two streams of an encrypted .xlsx, decrypted with the seeds' password. The
// input is the EncryptionInfo stream's length (two bytes, little-endian), that stream, then the
// EncryptedPackage stream. Only the engine's Error may come out.
#include <cstdint>
#include <span>
#include <string>

#include "runtime/error.h"
#include "spreadsheet/encrypted_package.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t info_size = std::min<std::size_t>(data[0] | (data[1] << 8), size - 2);
  const std::span<const std::uint8_t> info(data + 2, info_size);
  const std::span<const std::uint8_t> package(data + 2 + info_size, size - 2 - info_size);
  try {
    (void)sheaver::xl::DecryptPackage(info, package, std::string("Fixture-Secret-42"));
  } catch (const sheaver::Error&) {
  }
  return 0;
}
