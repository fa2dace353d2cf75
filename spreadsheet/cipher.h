// The ciphers and digests that encrypted workbooks use, from OpenSSL's libcrypto: thin wrappers
// that take and give byte spans, so that the decryption code reads as the steps it performs.
// RC4 and Blowfish live in OpenSSL's legacy provider; they are fetched from a library context of
// their own, so that the rest of the program keeps OpenSSL's defaults.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sheaver::xl {

using Bytes = std::vector<std::uint8_t>;

enum class DigestKind { kMd5, kSha1, kSha256, kSha384, kSha512 };

// The digest of the parts, one after the other.
Bytes Digest(DigestKind kind, std::initializer_list<std::span<const std::uint8_t>> parts);
// The digest's length in bytes.
std::size_t DigestSize(DigestKind kind);

// An RC4 key stream: each Apply XORs the next bytes of the stream into `data`.
class Rc4 {
 public:
  explicit Rc4(std::span<const std::uint8_t> key);
  ~Rc4();
  Rc4(const Rc4&) = delete;
  Rc4& operator=(const Rc4&) = delete;
  void Apply(std::span<std::uint8_t> data);

 private:
  void* ctx_;  // EVP_CIPHER_CTX, kept out of the header
};

enum class CipherKind {
  kAes128Ecb,
  kAes192Ecb,
  kAes256Ecb,
  kAes128Cbc,
  kAes192Cbc,
  kAes256Cbc,
  kBlowfishCfb,  // 64-bit cipher feedback
};

// Decrypts `data` without removing any padding (the caller knows the plain size). Block
// ciphers need whole blocks: a length that is not one is damage, raised as 1005.
Bytes Decrypt(CipherKind kind, std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
              std::span<const std::uint8_t> data);

// PBKDF2 with HMAC over the digest.
Bytes Pbkdf2(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
             std::uint32_t iterations, DigestKind kind, std::size_t length);

// Base64 text (white space allowed) to bytes; false when the text is not Base64.
bool DecodeBase64(std::string_view text, Bytes& out);

// A UTF-8 text as UTF-16LE bytes (invalid bytes become U+FFFD).
Bytes Utf16Le(std::string_view utf8);

// Views a text's bytes.
inline std::span<const std::uint8_t> AsBytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace sheaver::xl
