#include "search/search_run.h"

#include <algorithm>
#include <utility>

#include "search/search_marks.h"
#include "store/scratch_columns.h"

namespace brivo::search {
namespace {

Status ReadAndRun(Database& db, const SearchCriteria& criteria, SearchType type,
                  SearchResult* result) {
  HistoryDraws draws;
  if (Status s = ReadHistoryDraws(db, &draws); !s.ok()) return s;
  Evaluator evaluator(std::move(draws));
  return RunSearch(db, evaluator, criteria, type, result);
}

}  // namespace

Status RunSearch(Database& db, Evaluator& evaluator, const SearchCriteria& criteria,
                 SearchType type, SearchResult* result) {
  SearchResult found = evaluator.Evaluate(criteria, type);
  // Carcu holds the ranking's rows in value order.
  std::vector<std::pair<std::int64_t, std::int64_t>> tally;
  for (const RankedValue& row : found.ranking) tally.emplace_back(row.value, row.count);
  std::sort(tally.begin(), tally.end());

  Database::Transaction transaction(db);
  if (!transaction.status().ok()) return transaction.status();
  Status s = store::WriteColumns(db, evaluator.draws().ids, SearchMarks(evaluator, criteria, type));
  if (s.ok()) s = store::WriteTally(db, tally);
  if (s.ok()) s = transaction.Commit();
  if (!s.ok()) return s;
  *result = std::move(found);
  return Status::Ok();
}

Status RunPositionSearch(Database& db, const SearchCriteria& criteria, SearchResult* result) {
  return ReadAndRun(db, criteria, SearchType::kPosition, result);
}

Status RunCombinationSearch(Database& db, const SearchCriteria& criteria, SearchResult* result) {
  return ReadAndRun(db, criteria, SearchType::kCombination, result);
}

}  // namespace brivo::search
