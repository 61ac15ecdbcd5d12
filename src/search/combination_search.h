#pragma once

#include <vector>

namespace brivo::search {

// The k-element subsets of positions 1..pool in ascending lexicographic order, as the
// combination search tries them; none for k outside 1..6 or above the pool.
std::vector<std::vector<int>> PositionCombinations(int pool, int k);

}  // namespace brivo::search
