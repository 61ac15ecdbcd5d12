#include <windows.h>

#include "platform/base/gb_text.h"
#include "platform/base/utf8.h"

namespace brivo {
namespace {

constexpr UINT kGb18030 = 54936;
constexpr UINT kGbk = 936;

bool InRange(unsigned char c, unsigned char low, unsigned char high) {
  return c >= low && c <= high;
}

// The length of the character starting at `at`: 1 for ASCII, 2 or 4 for a well-formed GB18030
// sequence, 0 where the bytes form none.
std::size_t CharacterLength(std::string_view bytes, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
  const std::size_t left = bytes.size() - at;
  if (byte(0) < 0x80) return 1;
  if (!InRange(byte(0), 0x81, 0xFE) || left < 2) return 0;
  if (InRange(byte(1), 0x40, 0xFE) && byte(1) != 0x7F) return 2;
  if (left >= 4 && InRange(byte(1), 0x30, 0x39) && InRange(byte(2), 0x81, 0xFE) &&
      InRange(byte(3), 0x30, 0x39)) {
    return 4;
  }
  return 0;
}

// The one character `bytes` encode in the code page, or 0 when Windows refuses it.
int Convert(UINT code_page, std::string_view bytes, wchar_t* out) {
  return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(),
                             static_cast<int>(bytes.size()), out, 2);
}

}  // namespace

std::string DecodeGb18030(std::string_view bytes) {
  wchar_t probe[2];
  const UINT code_page =
      Convert(kGb18030, "\xcb\xab", probe) == 0 && GetLastError() == ERROR_INVALID_PARAMETER
          ? kGbk
          : kGb18030;
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = CharacterLength(bytes, at);
    if (length == 0) {
      AppendUtf8(0xFFFD, &out);
      ++at;
      continue;
    }
    if (length == 1) {
      out.push_back(bytes[at++]);
      continue;
    }
    wchar_t units[2];
    const int n = Convert(code_page, bytes.substr(at, length), units);
    if (n == 1) {
      AppendUtf8(units[0], &out);
    } else if (n == 2 && units[0] >= 0xD800 && units[0] < 0xDC00) {
      AppendUtf8(0x10000 + ((static_cast<char32_t>(units[0]) - 0xD800) << 10) +
                     (static_cast<char32_t>(units[1]) - 0xDC00),
                 &out);
    } else {
      AppendUtf8(0xFFFD, &out);
    }
    at += length;
  }
  return out;
}

}  // namespace brivo
