#pragma once

#include "platform/db/database.h"
#include "search/criteria.h"
#include "search/evaluator.h"

// The two searches as the window runs them: the answer computed in memory by the evaluator, then
// what the search leaves in the file (the marks in Lishi, the tally in Carcu) written as one
// transaction, only where a value changes.
namespace brivo::search {

// Evaluates the search on the evaluator's draws, which must be the history of `db` as it is now,
// and stores its marks and tally. On failure nothing of it is kept and *result is unchanged.
Status RunSearch(Database& db, Evaluator& evaluator, const SearchCriteria& criteria,
                 SearchType type, SearchResult* result);

// The same on the history read from `db` first: for a single search where nothing keeps the draws.
Status RunPositionSearch(Database& db, const SearchCriteria& criteria, SearchResult* result);
Status RunCombinationSearch(Database& db, const SearchCriteria& criteria, SearchResult* result);

}  // namespace brivo::search
