#include "search/matching.h"

#include <deque>
#include <optional>
#include <vector>

#include "search/kind_ranges.h"
#include "store/draw_record.h"
#include "store/history_db.h"

namespace brivo::search {
namespace {

const char kQuote = '"';

// Walks the history oldest first through an updatable set, letting `visit` edit each draw.
template <typename Visit>
Status WalkHistory(Database& db, Visit visit) {
  std::unique_ptr<Recordset> rows;
  if (Status s = db.OpenUpdatable(store::kHistoryQuery, &rows); !s.ok()) return s;
  if (rows->IsEof()) return Status::Ok();
  for (std::int64_t k = 1; !rows->IsEof(); ++k, rows->MoveNext()) {
    if (Status s = rows->Edit(); !s.ok()) return s;
    if (Status s = visit(*rows, k); !s.ok()) {
      rows->CancelUpdate();
      return s;
    }
    if (Status s = rows->Update(); !s.ok()) return s;
  }
  return Status::Ok();
}

Status Read(Recordset& row, const std::string& column, Value* out) {
  return row.GetField(column, out);
}

std::string SuffixOf(const SearchCriteria& c) {
  return std::string(c.earlier_basis ? store::kEarlier : store::kPreceding);
}

}  // namespace

Status LookBackPreparation(Database& db, int kind, int n) {
  const std::string source = store::ListColumn(store::kPlainList, kind);
  const std::string target = store::ListColumn(store::kPlainPreList, kind);
  std::deque<Value> tagged, plain;  // texts of the last n draws read, the current one included
  return WalkHistory(db, [&](Recordset& row, std::int64_t k) -> Status {
    Value t, p;
    if (Status s = Read(row, source, &t); !s.ok()) return s;
    if (Status s = Read(row, std::string(store::kPlainList), &p); !s.ok()) return s;
    tagged.push_back(std::move(t));
    plain.push_back(std::move(p));
    if (static_cast<int>(tagged.size()) > n) {
      tagged.pop_front();
      plain.pop_front();
    }
    const bool reached = k >= n;
    if (Status s = row.SetField(target, reached ? tagged.front() : Value(std::string())); !s.ok()) {
      return s;
    }
    return row.SetField(store::kPlainPreList, reached ? plain.front() : Value(std::string()));
  });
}

Status ShiftPassPreceding(Database& db, const std::string& column) {
  const std::string target = column + std::string(store::kPreceding);
  Value previous = std::int64_t{0};
  return WalkHistory(db, [&](Recordset& row, std::int64_t) -> Status {
    Value own;
    if (Status s = Read(row, column, &own); !s.ok()) return s;
    if (Status s = row.SetField(target, previous); !s.ok()) return s;
    previous = std::move(own);
    return Status::Ok();
  });
}

Status ShiftPassEarlier(Database& db, const std::string& column, int n) {
  const std::string target = column + std::string(store::kEarlier);
  std::deque<Value> values;  // own values of the last n draws before the current one
  std::deque<Value> lists;   // txtHisLst of the last n draws read, the current one included
  return WalkHistory(db, [&](Recordset& row, std::int64_t k) -> Status {
    Value list;
    if (Status s = Read(row, std::string(store::kPlainList), &list); !s.ok()) return s;
    lists.push_back(std::move(list));
    if (static_cast<int>(lists.size()) > n) lists.pop_front();
    if (!column.empty()) {
      const bool reached = k > n;
      Value own;
      if (Status s = Read(row, column, &own); !s.ok()) return s;
      if (Status s = row.SetField(target, reached ? values.front() : Value(std::int64_t{0}));
          !s.ok()) {
        return s;
      }
      values.push_back(std::move(own));
      if (static_cast<int>(values.size()) > n) values.pop_front();
    }
    return row.SetField(store::kPlainPreList, k >= n ? lists.front() : Value(std::string()));
  });
}

std::string SearchTextColumn(const SearchCriteria& criteria) {
  return store::ListColumn(criteria.earlier_basis ? store::kPlainPreList : store::kPlainList,
                           criteria.search_kind);
}

Status MarkPositionMatches(Database& db, const SearchCriteria& c, int* required) {
  const int n = c.Distance();
  *required = 0;
  if (c.free_mode && c.earlier_basis) {
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
      if (!c.selected[static_cast<std::size_t>(i)]) continue;
      ++*required;
      const int v = c.pattern[static_cast<std::size_t>(i)];
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
    if (!c.selected[static_cast<std::size_t>(i)]) continue;
    const std::string column = store::ColumnName(i, c.search_kind, store::kOwn);
    Status s = c.earlier_basis ? ShiftPassEarlier(db, column, n) : ShiftPassPreceding(db, column);
    if (!s.ok()) return s;
    shifted = true;
    ++*required;
    const std::string update =
        CountValueMatches(column + suffix, c.pattern[static_cast<std::size_t>(i)]);
    if (Status u = db.Execute(update); !u.ok()) return u;
  }
  // The matched-draw grid shows txtHisPreLst: keep it in step even when no pass ran.
  if (c.earlier_basis && !shifted) return ShiftPassEarlier(db, "", n);
  return Status::Ok();
}

std::string CountTokenMatches(const std::string& column, const std::string& token) {
  return "UPDATE [Lishi] SET [intTh]=([intTh] +1) WHERE [" + column + "] LIKE " + kQuote + "*" +
         token + "*" + kQuote;
}

std::string CountValueMatches(const std::string& column, int value) {
  return "UPDATE [Lishi] SET [intTh]=([intTh] +1) WHERE [" + column +
         "] = " + std::to_string(value);
}

std::string RangeQuery(std::int64_t start, std::int64_t end, const std::string& condition) {
  return "SELECT * FROM [lishi] WHERE [SQQH] >= " + std::to_string(start) +
         " AND  [SQQH] <= " + std::to_string(end) + condition + " ORDER BY SQQH";
}

}  // namespace brivo::search
