#include "spreadsheet/text_decode.h"

#include <iconv.h>

#include <cerrno>
#include <string_view>
#include <vector>

namespace sheaver::xl {
namespace {

// Windows-1252 0x80..0x9F; 0 marks the five unassigned bytes, which map to themselves.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsDoubleByte(std::uint16_t cp) {
  return cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361;
}

std::string IconvName(std::uint16_t cp) {
  switch (cp) {
    case 367:
      return "ASCII";
    case 10000:
    case 32768:
      return "MACINTOSH";
    case 10006:
      return "MACGREEK";
    case 10007:
      return "MACCYRILLIC";
    case 10029:
      return "MAC-CENTRALEUROPE";
    case 10079:
      return "MACICELAND";
    case 10081:
      return "MACTURKISH";
    case 1361:
      return "JOHAB";
    default:
      return "CP" + std::to_string(cp);
  }
}

// Converts with iconv; bytes it cannot convert become U+FFFD. Returns false when it failed
// outright.
bool IconvAppend(iconv_t cd, std::string& out, std::span<const std::uint8_t> bytes) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
  std::size_t in_left = bytes.size();
  std::vector<char> buffer(bytes.size() * 4 + 16);
  while (in_left > 0) {
    char* o = buffer.data();
    std::size_t o_left = buffer.size();
    std::size_t r = iconv(cd, &in, &in_left, &o, &o_left);
    out.append(buffer.data(), buffer.size() - o_left);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or incomplete sequence: replace one byte and go on.
      AppendUtf8(out, 0xFFFD);
      ++in;
      --in_left;
    }
  }
  return true;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16Le(std::string& out, std::span<const std::uint8_t> bytes) {
  std::size_t n = bytes.size() / 2;
  for (std::size_t i = 0; i < n; ++i) {
    char32_t c = static_cast<char32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
      char32_t d = static_cast<char32_t>(bytes[2 * i + 2] | (bytes[2 * i + 3] << 8));
      if (d >= 0xDC00 && d <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00));
        ++i;
        continue;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    AppendUtf8(out, c);
  }
}

void AppendLatin1(std::string& out, std::span<const std::uint8_t> bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    // Runs of ASCII characters, most texts entirely, are the same bytes in UTF-8.
    std::size_t ascii = i;
    while (ascii < bytes.size() && bytes[ascii] < 0x80) ++ascii;
    out.append(reinterpret_cast<const char*>(bytes.data()) + i, ascii - i);
    i = ascii;
    if (i < bytes.size()) {
      const std::uint8_t b = bytes[i++];
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
}

CodePage::CodePage(std::uint16_t code_page) : number_(code_page) {
  // 32769 is how old workbooks name Windows-1252; 1200 (UTF-16) cannot apply to byte texts.
  if (code_page == 32769 || code_page == 1200 || code_page == 0) number_ = 1252;
  if (number_ == 1252) return;
  iconv_t cd = iconv_open("UTF-8", IconvName(number_).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    number_ = 1252;
    return;
  }
  if (IsDoubleByte(number_)) {
    iconv_ = cd;
    return;
  }
  high_ = std::make_unique<std::string[]>(128);
  for (int b = 0x80; b <= 0xFF; ++b) {
    std::uint8_t byte = static_cast<std::uint8_t>(b);
    IconvAppend(cd, high_[b - 0x80], std::span(&byte, 1));
  }
  iconv_close(cd);
}

CodePage::~CodePage() {
  if (iconv_) iconv_close(static_cast<iconv_t>(iconv_));
}

void CodePage::Append(std::string& out, std::span<const std::uint8_t> bytes) const {
  if (iconv_) {
    IconvAppend(static_cast<iconv_t>(iconv_), out, bytes);
    return;
  }
  for (std::uint8_t b : bytes) {
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else if (high_) {
      out += high_[b - 0x80];
    } else if (b < 0xA0 && kCp1252High[b - 0x80] != 0) {
      AppendUtf8(out, kCp1252High[b - 0x80]);
    } else {
      AppendUtf8(out, b);
    }
  }
}

}  // namespace sheaver::xl
