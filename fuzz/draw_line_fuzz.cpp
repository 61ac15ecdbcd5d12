// The import's line rules on any bytes: a line parses, and a complete draw formats and parses
// back to itself.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "acquire/draw_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const brivo::acquire::DrawLine parsed = brivo::acquire::ParseDrawLine(line);
  if (parsed.numbers.size() > 7) std::abort();
  if (parsed.has_issue && brivo::acquire::IsCompleteDraw(parsed.numbers)) {
    brivo::store::DrawNumbers numbers{};
    for (std::size_t i = 0; i < 7; ++i) numbers[i] = parsed.numbers[i];
    const auto again =
        brivo::acquire::ParseDrawLine(brivo::acquire::FormatDrawLine(parsed.issue, numbers));
    if (again.issue != parsed.issue || again.numbers != parsed.numbers) std::abort();
  }
  return 0;
}
