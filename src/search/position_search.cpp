#include "search/position_search.h"

#include <optional>
#include <vector>

#include "search/kind_ranges.h"
#include "search/matching.h"
#include "search/ranking.h"
#include "store/draw_record.h"

namespace brivo::search {
namespace {

std::string SuffixOf(const SearchCriteria& c) {
  return std::string(c.basis == Basis::kEarlier ? store::kEarlier : store::kPreceding);
}

// Resets intTh and adds 1 to it for every selected position the pattern-side draw agrees at;
// *required gets the number of selected positions. Stops at the first failing statement.
Status MarkPositionMatches(Database& db, const SearchCriteria& c, int* required) {
  const int n = c.Distance();
  *required = 0;
  if (c.free_mode && c.basis == Basis::kEarlier) {
    if (Status s = LookBackPreparation(db, c.search_kind, n); !s.ok()) return s;
  }
  if (Status s = db.Execute(kResetCounter); !s.ok()) return s;
  if (c.free_mode) {
    const std::string text_column = SearchTextColumn(c);
    std::string compared = text_column;
    if (!c.count_blue) {
      const std::string copy =
          "UPDATE [Lishi] SET [txtHisP6]= LEFT([" + text_column + "],LEN([" + text_column + "])-4)";
      if (Status s = db.Execute(copy); !s.ok()) return s;
      compared = "txtHisP6";
    }
    const std::optional<ValueRange> counted = OccurrenceRange(c.search_kind, c.sx_ini, c.ds_ini);
    std::vector<int> occurrences(
        counted ? static_cast<std::size_t>(counted->high - counted->low + 1) : 0);
    for (int i = 1; i <= 7; ++i) {
      if (!c.selected[i]) continue;
      ++*required;
      const int v = c.pattern[i];
      int k = 0;
      if (counted) {
        // A value without a counter cannot be in any list: it still counts as required.
        if (!counted->Contains(v)) continue;
        k = ++occurrences[static_cast<std::size_t>(v - counted->low)];
      }
      if (Status s = db.Execute(CountTokenMatches(compared, MatchToken(c.search_kind, v, k)));
          !s.ok()) {
        return s;
      }
    }
    return Status::Ok();
  }
  const std::string suffix = SuffixOf(c);
  bool shifted = false;
  for (int i = 1; i <= 7; ++i) {
    if (!c.selected[i]) continue;
    const std::string column = store::ColumnName(i, c.search_kind, store::kOwn);
    Status s = c.basis == Basis::kEarlier ? ShiftPassEarlier(db, column, n)
                                          : ShiftPassPreceding(db, column);
    if (!s.ok()) return s;
    shifted = true;
    ++*required;
    const std::string update = CountValueMatches(column + suffix, c.pattern[i]);
    if (Status u = db.Execute(update); !u.ok()) return u;
  }
  // The matched-draw grid shows txtHisPreLst: keep it in step even when no pass ran.
  if (c.basis == Basis::kEarlier && !shifted) return ShiftPassEarlier(db, "", n);
  return Status::Ok();
}

}  // namespace

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
