#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brivo {

// The largest stream a version 3 compound file holds (its directory keeps 31-bit sizes).
inline constexpr std::size_t kMaxCompoundStreamSize = 0x7FFFFFFF;

// The bytes of an OLE2 compound file (version 3, 512-byte sectors) whose root storage holds one
// stream, `name`, with the bytes `stream`: a stream under 4,096 bytes lies in the mini stream,
// a larger one in sectors of its own.
// REQUIRES: `name` has 1 to 31 UTF-16 units and no '/', '\\', ':' or '!';
//           stream.size() <= kMaxCompoundStreamSize.
std::string BuildCompoundFile(std::u16string_view name, std::string_view stream);

}  // namespace brivo
