#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brivo {

// GB18030 text (which GBK and GB2312 text, Chinese Windows' code page 936, also is) as UTF-8.
// Bytes that form no character become U+FFFD, one for each byte that starts none.
std::string DecodeGb18030(std::string_view bytes);

// The code point of one well-formed two- or four-byte GB18030 sequence, or nullopt where the
// system cannot decode it. On Windows through its own code pages, as Qt has no ICU there and
// knows no Chinese charset: code page 54936 (GB18030) where Windows has it, else 936 (GBK; Wine
// has only that one). Elsewhere through Qt's decoder.
std::optional<char32_t> DecodeGbCharacter(std::string_view sequence);

}  // namespace brivo
