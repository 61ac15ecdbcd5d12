// The official results service's answer, as the online update reads it, on any bytes: a read
// answer holds only seven-digit issues, each with a valid draw or zeros.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "acquire/cwl_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 256 * 1024) return 0;  // a page of 100 draws is about 75 KB
  brivo::acquire::CwlNoticePage page;
  const brivo::Status s = brivo::acquire::ParseCwlNotices(
      std::string(reinterpret_cast<const char*>(data), size), &page);
  if (!s.ok() && !page.draws.empty()) std::abort();
  for (const brivo::acquire::SourcedDraw& draw : page.draws) {
    if (draw.issue < 1000000 || draw.issue > 9999999) std::abort();
    if (draw.numbers != brivo::store::DrawNumbers{} && !brivo::acquire::IsValidDraw(draw.numbers)) {
      std::abort();
    }
  }
  return 0;
}
