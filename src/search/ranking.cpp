#include "search/ranking.h"

namespace brivo::search {

std::string Percentage(std::int64_t count, std::int64_t total) {
  if (total <= 0) return "";
  // Thousandths of a percent, rounded half away from zero on the exact quotient.
  const std::int64_t scaled = count * 100000;
  const std::int64_t magnitude = ((scaled < 0 ? -scaled : scaled) * 2 + total) / (2 * total);
  const std::string digits = std::to_string(magnitude / 1000);
  std::string fraction = std::to_string(magnitude % 1000);
  fraction.insert(fraction.begin(), 3 - fraction.size(), '0');
  return (scaled < 0 && magnitude != 0 ? "-" : "") + digits + "." + fraction + "%";
}

}  // namespace brivo::search
