#pragma once

#include <string>
#include <string_view>

// Writing and decoding UTF-8 text.
namespace brivo {

// Appends the code point as UTF-8.
void AppendUtf8(char32_t c, std::string* out);

// UTF-16 text (without its byte-order mark) as UTF-8; a lone surrogate or an odd last byte
// becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool big_endian);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

}  // namespace brivo
