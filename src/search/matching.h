#pragma once

#include <cstdint>
#include <string>

#include "platform/db/database.h"
#include "search/criteria.h"

// Marking the draws whose pattern-side draw shows the pattern, inside the database: the
// look-back refills, the shift passes and one UPDATE per selected position.
namespace brivo::search {

// Free-position mode on the earlier-draw basis: every draw k >= n gets, as txtHisPreLst + the
// kind's suffix and txtHisPreLst, the txtHisLst texts of draw k - n + 1 (the lists of draw
// k - n); the first n - 1 draws get "".
Status LookBackPreparation(Database& db, store::Kind kind, int n);

// Previous-draw basis: column + "S" of every draw gets the own `column` of the draw before it,
// 0 for the oldest.
Status ShiftPassPreceding(Database& db, const std::string& column);

// Earlier-draw basis: column + "P" of draw k gets the own `column` of draw k - n (0 for the
// oldest n), and txtHisPreLst gets the txtHisLst of draw k - n + 1 ("" before it). An empty
// column refills txtHisPreLst alone.
Status ShiftPassEarlier(Database& db, const std::string& column, int n);

// The range query: the draws of the issue range meeting `condition` (" AND [intTh] = 3"), in
// issue order.
std::string RangeQuery(std::int64_t start, std::int64_t end, const std::string& condition);

// The statement that resets the match counter, and the one that resets the combination flag.
inline constexpr char kResetCounter[] = "UPDATE [Lishi] SET [intTh]=0";

// The statements that add 1 to the match counter of the draws whose `column` holds the token
// somewhere (a Jet LIKE "*token*"), or equals the value.
std::string CountTokenMatches(const std::string& column, const std::string& token);
std::string CountValueMatches(const std::string& column, int value);

// The compared column of free-position mode: the tagged list of the pattern-side draw.
std::string SearchTextColumn(const SearchCriteria& criteria);

}  // namespace brivo::search
