#include "spreadsheet/cipher.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <memory>

#include "runtime/error.h"
#include "spreadsheet/byte_cursor.h"

namespace sheaver::xl {
namespace {

// A library context with the default and the legacy provider, made once. When the legacy
// provider is missing (a system built without it), RC4 and Blowfish are not found and the
// workbooks that need them say so.
OSSL_LIB_CTX* Context() {
  static OSSL_LIB_CTX* ctx = [] {
    OSSL_LIB_CTX* c = OSSL_LIB_CTX_new();
    if (c) {
      OSSL_PROVIDER_load(c, "default");
      OSSL_PROVIDER_load(c, "legacy");
    }
    return c;
  }();
  return ctx;
}

[[noreturn]] void RaiseMissing(std::string_view what) {
  Raise(err::kWorkbookEncrypted, "the workbook is encrypted with " + std::string(what) +
                                     ", which this system's OpenSSL does not provide (its "
                                     "legacy provider is not installed)");
}

const char* DigestName(DigestKind kind) {
  switch (kind) {
    case DigestKind::kMd5:
      return "MD5";
    case DigestKind::kSha1:
      return "SHA1";
    case DigestKind::kSha256:
      return "SHA256";
    case DigestKind::kSha384:
      return "SHA384";
    case DigestKind::kSha512:
      return "SHA512";
  }
  return "SHA1";
}

struct MdFree {
  void operator()(EVP_MD* md) const { EVP_MD_free(md); }
};
struct CipherFree {
  void operator()(EVP_CIPHER* c) const { EVP_CIPHER_free(c); }
};
struct CtxFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
struct MdCtxFree {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

std::unique_ptr<EVP_MD, MdFree> FetchDigest(DigestKind kind) {
  std::unique_ptr<EVP_MD, MdFree> md(EVP_MD_fetch(Context(), DigestName(kind), nullptr));
  if (!md) RaiseMissing(DigestName(kind));
  return md;
}

std::unique_ptr<EVP_CIPHER, CipherFree> FetchCipher(const char* name) {
  std::unique_ptr<EVP_CIPHER, CipherFree> c(EVP_CIPHER_fetch(Context(), name, nullptr));
  if (!c) RaiseMissing(name);
  return c;
}

[[noreturn]] void RaiseFailed(std::string_view what) {
  Raise(err::kWorkbookUnreadable,
        "the workbook could not be decrypted (" + std::string(what) + " failed in OpenSSL)");
}

}  // namespace

Bytes Digest(DigestKind kind, std::initializer_list<std::span<const std::uint8_t>> parts) {
  auto md = FetchDigest(kind);
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
  if (!ctx || EVP_DigestInit_ex2(ctx.get(), md.get(), nullptr) != 1) RaiseFailed("a digest");
  for (auto part : parts)
    if (EVP_DigestUpdate(ctx.get(), part.data(), part.size()) != 1) RaiseFailed("a digest");
  Bytes out(static_cast<std::size_t>(EVP_MD_get_size(md.get())));
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), out.data(), &length) != 1) RaiseFailed("a digest");
  out.resize(length);
  return out;
}

std::size_t DigestSize(DigestKind kind) {
  return static_cast<std::size_t>(EVP_MD_get_size(FetchDigest(kind).get()));
}

Rc4::Rc4(std::span<const std::uint8_t> key) {
  auto cipher = FetchCipher("RC4");
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  if (!ctx) RaiseFailed("RC4");
  ctx_ = ctx;
  if (EVP_DecryptInit_ex2(ctx, cipher.get(), nullptr, nullptr, nullptr) != 1 ||
      EVP_CIPHER_CTX_set_key_length(ctx, static_cast<int>(key.size())) != 1 ||
      EVP_DecryptInit_ex2(ctx, nullptr, key.data(), nullptr, nullptr) != 1) {
    EVP_CIPHER_CTX_free(ctx);
    RaiseFailed("RC4");
  }
}

Rc4::~Rc4() {
  EVP_CIPHER_CTX_free(static_cast<EVP_CIPHER_CTX*>(ctx_));
}

void Rc4::Apply(std::span<std::uint8_t> data) {
  // A stream cipher: the output has the input's length, so it can be written in place.
  std::size_t done = 0;
  while (done < data.size()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(data.size() - done, 1 << 20));
    int out = 0;
    if (EVP_DecryptUpdate(static_cast<EVP_CIPHER_CTX*>(ctx_), data.data() + done, &out,
                          data.data() + done, chunk) != 1)
      RaiseFailed("RC4");
    done += static_cast<std::size_t>(chunk);
  }
}

Bytes Decrypt(CipherKind kind, std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
              std::span<const std::uint8_t> data) {
  const char* name = "AES-128-ECB";
  std::size_t block = 16;
  switch (kind) {
    case CipherKind::kAes128Ecb:
      name = "AES-128-ECB";
      break;
    case CipherKind::kAes192Ecb:
      name = "AES-192-ECB";
      break;
    case CipherKind::kAes256Ecb:
      name = "AES-256-ECB";
      break;
    case CipherKind::kAes128Cbc:
      name = "AES-128-CBC";
      break;
    case CipherKind::kAes192Cbc:
      name = "AES-192-CBC";
      break;
    case CipherKind::kAes256Cbc:
      name = "AES-256-CBC";
      break;
    case CipherKind::kBlowfishCfb:
      name = "BF-CFB";
      block = 1;
      break;
  }
  if (data.size() % block != 0)
    RaiseDamaged("the encrypted data is not a whole number of cipher blocks");
  auto cipher = FetchCipher(name);
  if (key.size() != static_cast<std::size_t>(EVP_CIPHER_get_key_length(cipher.get())) &&
      kind != CipherKind::kBlowfishCfb)
    RaiseDamaged("the key has the wrong length for the cipher");
  const std::size_t iv_length = static_cast<std::size_t>(EVP_CIPHER_get_iv_length(cipher.get()));
  if (iv_length > 0 && iv.size() < iv_length)
    RaiseDamaged("the initialisation vector is too short for the cipher");
  std::unique_ptr<EVP_CIPHER_CTX, CtxFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx || EVP_DecryptInit_ex2(ctx.get(), cipher.get(), nullptr, nullptr, nullptr) != 1 ||
      EVP_CIPHER_CTX_set_key_length(ctx.get(), static_cast<int>(key.size())) != 1 ||
      EVP_DecryptInit_ex2(ctx.get(), nullptr, key.data(), iv_length ? iv.data() : nullptr,
                          nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1)
    RaiseFailed(name);
  Bytes out(data.size() + block);
  std::size_t done = 0, written = 0;
  while (done < data.size()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(data.size() - done, 1 << 24));
    int n = 0;
    if (EVP_DecryptUpdate(ctx.get(), out.data() + written, &n, data.data() + done, chunk) != 1)
      RaiseFailed(name);
    done += static_cast<std::size_t>(chunk);
    written += static_cast<std::size_t>(n);
  }
  int n = 0;
  if (EVP_DecryptFinal_ex(ctx.get(), out.data() + written, &n) != 1) RaiseFailed(name);
  out.resize(written + static_cast<std::size_t>(n));
  return out;
}

Bytes Pbkdf2(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
             std::uint32_t iterations, DigestKind kind, std::size_t length) {
  auto md = FetchDigest(kind);
  Bytes out(length);
  if (PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(password.data()),
                        static_cast<int>(password.size()), salt.data(),
                        static_cast<int>(salt.size()), static_cast<int>(iterations), md.get(),
                        static_cast<int>(length), out.data()) != 1)
    RaiseFailed("PBKDF2");
  return out;
}

bool DecodeBase64(std::string_view text, Bytes& out) {
  std::string clean;
  for (char c : text)
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t') clean += c;
  if (clean.size() % 4 != 0) return false;
  out.assign(clean.size() / 4 * 3 + 1, 0);
  const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(clean.data()),
                                static_cast<int>(clean.size()));
  if (n < 0) return false;
  std::size_t size = static_cast<std::size_t>(n);
  // EVP_DecodeBlock keeps the bytes that the padding stands for: take them off again.
  if (!clean.empty() && clean.back() == '=') --size;
  if (clean.size() >= 2 && clean[clean.size() - 2] == '=') --size;
  out.resize(size);
  return true;
}

Bytes Utf16Le(std::string_view utf8) {
  Bytes out;
  out.reserve(utf8.size() * 2);
  auto put = [&](char32_t u) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const int extra = b < 0x80         ? 0
                      : (b >> 5) == 6  ? 1
                      : (b >> 4) == 14 ? 2
                      : (b >> 3) == 30 ? 3
                                       : -1;
    char32_t cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < utf8.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      put(0xFFFD);
      ++i;
      continue;
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

}  // namespace sheaver::xl
