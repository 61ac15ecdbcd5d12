#include "search/combination_search.h"

namespace brivo::search {

std::vector<std::vector<int>> PositionCombinations(int pool, int k) {
  std::vector<std::vector<int>> all;
  if (k < 1 || k > 6 || k > pool) return all;
  std::vector<int> current(static_cast<std::size_t>(k));
  for (int j = 0; j < k; ++j) current[static_cast<std::size_t>(j)] = j + 1;
  for (;;) {
    all.push_back(current);
    // The rightmost position that can still move up, then everything after it just above it.
    int j = k - 1;
    while (j >= 0 && current[static_cast<std::size_t>(j)] == pool - k + j + 1) --j;
    if (j < 0) return all;
    ++current[static_cast<std::size_t>(j)];
    for (int i = j + 1; i < k; ++i) {
      current[static_cast<std::size_t>(i)] = current[static_cast<std::size_t>(i - 1)] + 1;
    }
  }
}

}  // namespace brivo::search
