// The 17500 history file, as the online update reads it, on any bytes: a read file holds only
// seven-digit issues, each with a valid draw or zeros.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "acquire/ssq_asc_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<brivo::acquire::SourcedDraw> draws;
  const brivo::Status s =
      brivo::acquire::ParseSsqAsc(std::string(reinterpret_cast<const char*>(data), size), &draws);
  if (!s.ok()) return 0;
  for (const brivo::acquire::SourcedDraw& draw : draws) {
    if (draw.issue < 1000000 || draw.issue > 9999999) std::abort();
    if (draw.numbers != brivo::store::DrawNumbers{} && !brivo::acquire::IsValidDraw(draw.numbers)) {
      std::abort();
    }
  }
  return 0;
}
