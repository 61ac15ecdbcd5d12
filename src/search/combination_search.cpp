#include "search/combination_search.h"

#include <optional>

#include "search/kind_ranges.h"
#include "search/matching.h"
#include "search/ranking.h"
#include "store/attributes.h"
#include "store/draw_record.h"

namespace brivo::search {
namespace {

// Unlike the position search, the number kind counts occurrences here too.
std::optional<ValueRange> CombinationCounters(const SearchCriteria& c) {
  if (c.search_kind == store::Kind::kHm) return ValueRange{1, 33};
  return OccurrenceRange(c.search_kind, c.sx_ini, c.ds_ini);
}

std::string CombinationToken(store::Kind kind, int v, int count) {
  const bool two_digits =
      kind == store::Kind::kHm || kind == store::Kind::kSx || kind == store::Kind::kHe;
  return std::to_string(count) + "X" + (two_digits ? store::TwoDigits(v) : std::to_string(v));
}

Status MarkFree(Database& db, const SearchCriteria& c, const std::vector<int>& combination) {
  const std::optional<ValueRange> counted = CombinationCounters(c);
  std::vector<int> counters(
      counted ? static_cast<std::size_t>(counted->high - counted->low + 1) : 0, 0);
  if (Status s = db.Execute(kResetCounter); !s.ok()) return s;
  for (int position : combination) {
    const int v = c.pattern[position];
    if (counted && counted->Contains(v)) ++counters[static_cast<std::size_t>(v - counted->low)];
  }
  for (int position : combination) {
    const int v = c.pattern[position];
    if (!counted || !counted->Contains(v)) continue;  // can be in no list: nothing to look for
    const int count = counters[static_cast<std::size_t>(v - counted->low)];
    const std::string update =
        CountTokenMatches("txtHisP6", CombinationToken(c.search_kind, v, count));
    if (Status s = db.Execute(update); !s.ok()) return s;
  }
  return Status::Ok();
}

Status MarkFixed(Database& db, const SearchCriteria& c, const std::vector<int>& combination,
                 int pool) {
  if (Status s = db.Execute(kResetCounter); !s.ok()) return s;
  store::ByPosition<bool> flagged{};
  for (int position : combination) flagged[position] = true;
  const std::string_view suffix = c.basis == Basis::kEarlier ? store::kEarlier : store::kPreceding;
  for (int m = 1; m <= 7; ++m) {
    if (!flagged[m] || (m == 7 && pool != 7)) continue;
    const std::string update =
        CountValueMatches(store::ColumnName(m, c.search_kind, suffix), c.pattern[m]);
    if (Status s = db.Execute(update); !s.ok()) return s;
  }
  return Status::Ok();
}

Status MarkCombinations(Database& db, const SearchCriteria& c) {
  const int n = c.Distance();
  const std::string text_column = SearchTextColumn(c);
  if (c.free_mode && c.basis == Basis::kEarlier) {
    if (Status s = LookBackPreparation(db, c.search_kind, n); !s.ok()) return s;
  }
  if (Status s = db.Execute("UPDATE [Lishi] SET [bolOk]= FALSE"); !s.ok()) return s;
  const int pool = c.red_pool_only ? 6 : 7;
  if (c.free_mode) {
    const std::string copy = c.count_blue ? "UPDATE [Lishi] SET [txtHisP6]= [" + text_column + "]"
                                          : "UPDATE [Lishi] SET [txtHisP6]= LEFT([" + text_column +
                                                "],LEN([" + text_column + "])-4)";
    if (Status s = db.Execute(copy); !s.ok()) return s;
  } else {
    for (int m = 1; m <= 7; ++m) {
      const std::string column = store::ColumnName(m, c.search_kind, store::kOwn);
      Status s = c.basis == Basis::kEarlier ? ShiftPassEarlier(db, column, n)
                                            : ShiftPassPreceding(db, column);
      if (!s.ok()) return s;
    }
  }
  const std::string mark =
      "UPDATE [Lishi] SET [bolOk]= TRUE WHERE [intTh] = " + std::to_string(c.combination_size);
  for (const std::vector<int>& combination : PositionCombinations(pool, c.combination_size)) {
    Status s = c.free_mode ? MarkFree(db, c, combination) : MarkFixed(db, c, combination, pool);
    if (!s.ok()) return s;
    if (Status m = db.Execute(mark); !m.ok()) return m;
  }
  return Status::Ok();
}

}  // namespace

std::vector<std::vector<int>> PositionCombinations(int pool, int k) {
  std::vector<std::vector<int>> all;
  if (k < 1 || k > 6 || k > pool) return all;
  std::vector<int> current(static_cast<std::size_t>(k));
  for (int j = 0; j < k; ++j) current[static_cast<std::size_t>(j)] = j + 1;
  for (;;) {
    all.push_back(current);
    // The rightmost position that can still move up, then everything after it just above it.
    int j = k - 1;
    while (j >= 0 && current[static_cast<std::size_t>(j)] == pool - k + j + 1) --j;
    if (j < 0) return all;
    ++current[static_cast<std::size_t>(j)];
    for (int i = j + 1; i < k; ++i) {
      current[static_cast<std::size_t>(i)] = current[static_cast<std::size_t>(i - 1)] + 1;
    }
  }
}

Status RunCombinationSearch(Database& db, const SearchCriteria& criteria, SearchResult* result) {
  Database::Transaction transaction(db);
  if (!transaction.status().ok()) return transaction.status();
  if (Status s = MarkCombinations(db, criteria); !s.ok()) return s;
  SearchResult found;
  if (Status s = TallyAndRank(db, criteria, " AND [bolOk]= TRUE", &found); !s.ok()) return s;
  if (Status c = transaction.Commit(); !c.ok()) return c;
  *result = std::move(found);
  return Status::Ok();
}

}  // namespace brivo::search
