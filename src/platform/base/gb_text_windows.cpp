#include <windows.h>

#include "platform/base/gb_text.h"

namespace brivo {
namespace {

constexpr UINT kGb18030 = 54936;
constexpr UINT kGbk = 936;

// The UTF-16 units of the one character `bytes` encode in the code page, or 0 when Windows
// refuses it.
int Convert(UINT code_page, std::string_view bytes, wchar_t* out) {
  return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(),
                             static_cast<int>(bytes.size()), out, 2);
}

UINT ChineseCodePage() {
  static const UINT code_page = [] {
    wchar_t probe[2];
    return Convert(kGb18030, "\xcb\xab", probe) == 0 && GetLastError() == ERROR_INVALID_PARAMETER
               ? kGbk
               : kGb18030;
  }();
  return code_page;
}

}  // namespace

std::optional<char32_t> DecodeGbCharacter(std::string_view sequence) {
  wchar_t units[2];
  const int n = Convert(ChineseCodePage(), sequence, units);
  if (n == 1) return static_cast<char32_t>(units[0]);
  if (n == 2 && units[0] >= 0xD800 && units[0] < 0xDC00 && units[1] >= 0xDC00 &&
      units[1] < 0xE000) {
    return 0x10000 + ((static_cast<char32_t>(units[0]) - 0xD800) << 10) +
           (static_cast<char32_t>(units[1]) - 0xDC00);
  }
  return std::nullopt;
}

}  // namespace brivo
