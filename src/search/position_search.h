#pragma once

#include "platform/db/database.h"
#include "search/criteria.h"

namespace brivo::search {

// The position search from start to end as one transaction: marks the matched draws, tallies
// them into Carcu and ranks them. On failure nothing of it is kept.
Status RunPositionSearch(Database& db, const SearchCriteria& criteria, SearchResult* result);

}  // namespace brivo::search
