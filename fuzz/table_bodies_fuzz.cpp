// The table-body text of any page, as the online update reads it through libxml2.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/web/html_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Results pages are a few dozen kilobytes; the parser's own cost grows with nesting depth.
  if (size > 64 * 1024) return 0;
  brivo::TableBodyTexts(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
