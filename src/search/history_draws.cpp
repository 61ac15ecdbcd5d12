#include "search/history_draws.h"

#include "store/history_db.h"

namespace brivo::search {
namespace {

Status ReadListsBefore(Recordset& row, store::DrawLists* out) {
  if (Status s = row.GetText(store::kPlainList, &out->plain); !s.ok()) return s;
  for (store::Kind k : store::kKinds) {
    Status s = row.GetText(store::ListColumn(store::kPlainList, k), &out->tagged[k]);
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

}  // namespace

HistoryDraws DrawsInRange(const HistoryDraws& all, std::int64_t start, std::int64_t end) {
  HistoryDraws range;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all.issues[i] < start || all.issues[i] > end) continue;
    if (range.issues.empty()) {
      range.before_oldest = i == 0 ? all.before_oldest : store::ListsOf(all.values[i - 1]);
    }
    range.issues.push_back(all.issues[i]);
    range.values.push_back(all.values[i]);
  }
  return range;
}

Status ReadHistoryDraws(Database& db, HistoryDraws* out) {
  std::unique_ptr<Recordset> rows;
  if (Status s = db.OpenSnapshot(store::kHistoryQuery, &rows); !s.ok()) return s;
  HistoryDraws read;
  for (; !rows->IsEof(); rows->MoveNext()) {
    std::int64_t issue = 0;
    if (Status s = rows->GetInt("SQQH", &issue); !s.ok()) return s;
    store::DrawValues values{};
    if (Status s = store::ReadOwnValues(*rows, &values); !s.ok()) return s;
    if (read.issues.empty()) {
      if (Status s = ReadListsBefore(*rows, &read.before_oldest); !s.ok()) return s;
    }
    read.issues.push_back(static_cast<std::int32_t>(issue));
    read.values.push_back(values);
  }
  *out = std::move(read);
  return Status::Ok();
}

}  // namespace brivo::search
