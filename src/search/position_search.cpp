#include "search/position_search.h"

#include "search/matching.h"
#include "search/ranking.h"

namespace brivo::search {

Status RunPositionSearch(Database& db, const SearchCriteria& criteria, SearchResult* result) {
  Database::Transaction transaction(db);
  if (!transaction.status().ok()) return transaction.status();
  int required = 0;
  if (Status s = MarkPositionMatches(db, criteria, &required); !s.ok()) return s;
  SearchResult found;
  Status s = TallyAndRank(db, criteria, " AND [intTh] = " + std::to_string(required), &found);
  if (!s.ok()) return s;
  if (Status c = transaction.Commit(); !c.ok()) return c;
  *result = std::move(found);
  return Status::Ok();
}

}  // namespace brivo::search
