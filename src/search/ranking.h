#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/database.h"
#include "search/criteria.h"

// Tallying the matched draws, rewriting Carcu and reading the ranking back.
namespace brivo::search {

// The query of the ranking; equal counts in ascending value order.
inline constexpr char kRankingQuery[] = "SELECT * FROM Carcu ORDER BY Count DESC, Nmb";

// Reads every matched draw of the set (oldest first) with its values of the result kind and the
// list of its pattern-side draw, and tallies those values at the positions of the result scope.
// *counts gets a count for each value of the tally range (index: value - TallyRange low).
Status ReadAndTally(Recordset& matched, const SearchCriteria& criteria,
                    std::vector<MatchedDraw>* draws, std::vector<std::int64_t>* counts,
                    std::int64_t* total);

// Empties Carcu through a table recordset and appends one row per value of the written range.
Status RewriteTally(Database& db, const SearchCriteria& criteria,
                    const std::vector<std::int64_t>& counts);

// The ranked rows of Carcu.
Status ReadRanking(Database& db, std::vector<RankedValue>* out);

// count * 100 / total with three decimals, rounded half away from zero, followed by "%";
// "" when the total is 0.
std::string Percentage(std::int64_t count, std::int64_t total);

// Matching done: tally, Carcu and ranking for the matched set of `condition`, into *result.
Status TallyAndRank(Database& db, const SearchCriteria& criteria, const std::string& condition,
                    SearchResult* result);

}  // namespace brivo::search
