#pragma once

#include <string>
#include <vector>

#include "platform/db/database.h"
#include "search/criteria.h"

namespace brivo::search {

// The k-element subsets of positions 1..pool in ascending lexicographic order; none for k
// outside 1..6 or above the pool.
std::vector<std::vector<int>> PositionCombinations(int pool, int k);

// The combination search from start to end as one transaction: marks (bolOk) every draw whose
// pattern-side draw carries all k pattern values of at least one combination of the position
// pool, then tallies and ranks the marked draws of the issue range as the position search does.
Status RunCombinationSearch(Database& db, const SearchCriteria& criteria, SearchResult* result);

}  // namespace brivo::search
