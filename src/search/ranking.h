#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/database.h"
#include "search/criteria.h"

// Tallying the matched draws, rewriting Carcu and reading the ranking back.
namespace brivo::search {

// The query of the ranking; equal counts in ascending value order.
inline constexpr char kRankingQuery[] = "SELECT * FROM Carcu ORDER BY Count DESC, Nmb";

// count * 100 / total with three decimals, rounded half away from zero, followed by "%";
// "" when the total is 0.
std::string Percentage(std::int64_t count, std::int64_t total);

// Matching done: tally, Carcu and ranking for the matched set of `condition`, into *result.
Status TallyAndRank(Database& db, const SearchCriteria& criteria, const std::string& condition,
                    SearchResult* result);

}  // namespace brivo::search
