#include "search/matching.h"

#include <deque>

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

}  // namespace

Status LookBackPreparation(Database& db, store::Kind kind, int n) {
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
  return store::ListColumn(
      criteria.basis == Basis::kEarlier ? store::kPlainPreList : store::kPlainList,
      criteria.search_kind);
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
