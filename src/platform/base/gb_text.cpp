#include "platform/base/gb_text.h"

#include "platform/base/utf8.h"

namespace brivo {
namespace {

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

}  // namespace

std::string DecodeGb18030(std::string_view bytes) {
  // Character by character, so that a broken sequence costs one U+FFFD and never the line end
  // or the digit after it.
  constexpr char32_t kReplacement = 0xFFFD;
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = CharacterLength(bytes, at);
    if (length == 1) {
      out.push_back(bytes[at++]);
      continue;
    }
    if (length == 0) {
      AppendUtf8(kReplacement, &out);
      ++at;
      continue;
    }
    AppendUtf8(DecodeGbCharacter(bytes.substr(at, length)).value_or(kReplacement), &out);
    at += length;
  }
  return out;
}

}  // namespace brivo
