#include "search/history_draws.h"

#include <cstdint>
#include <optional>

#include "store/history_db.h"

namespace brivo::search {

HistoryDraws DrawsInRange(const HistoryDraws& all, std::int64_t start, std::int64_t end) {
  HistoryDraws range;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all.issues[i] < start || all.issues[i] > end) continue;
    if (range.issues.empty()) {
      range.before_oldest = i == 0 ? all.before_oldest : store::ListsOf(all.values[i - 1]);
      if (i == 0) {
        range.before_oldest_plain_null = all.before_oldest_plain_null;
        range.before_oldest_tagged_null = all.before_oldest_tagged_null;
      }
    }
    range.issues.push_back(all.issues[i]);
    range.values.push_back(all.values[i]);
    if (!all.ids.empty()) range.ids.push_back(all.ids[i]);
  }
  return range;
}

Status ReadHistoryDraws(Database& db, HistoryDraws* out) {
  store::LishiLayout layout;
  if (Status s = ReadLishiLayout(db, &layout); !s.ok()) return s;
  // Columns: key, SQQH, QQH, the own values by position and kind, then the lists before.
  std::string sql = "SELECT " + layout.key() + ", SQQH, QQH";
  for (int p = 1; p <= store::kPositionCount; ++p) {
    for (store::Kind k : store::kKinds) sql += ", " + store::ColumnName(p, k, store::kOwn);
  }
  sql += ", " + std::string(store::kPlainList);
  for (store::Kind k : store::kKinds) sql += ", " + store::ListColumn(store::kPlainList, k);
  sql += " FROM " + layout.TableOf("SQQH") + " ORDER BY SQQH";
  constexpr int kFirstValue = 3;
  constexpr int kFirstList = kFirstValue + store::kPositionCount * store::kKindCount;

  HistoryDraws read;
  // A value another program left that is no number makes the history unreadable, as it is for
  // every reading of it; a missing one (NULL, as a tool leaves columns it does not name) reads as
  // 0.
  Status unreadable;
  const auto number = [&](const Database::Row& row, int column, std::int64_t* value) {
    const Value stored = row.Get(column);
    const std::optional<std::int64_t> v = IsNull(stored) ? 0 : AsInt(stored);
    *value = v.value_or(0);
    if ((!v || *v < INT16_MIN || (column >= kFirstValue && *v > INT16_MAX)) && unreadable.ok()) {
      unreadable = Status::InvalidArgument("a stored value of issue " + AsText(row.Get(1)) +
                                           " is no number");
    }
  };
  Status s = db.ReadRows(sql, [&](const Database::Row& row) {
    if (read.issues.empty()) {
      const auto text = [&](int column, bool* null) {
        *null = row.IsNull(column);
        return AsText(row.Get(column));
      };
      read.before_oldest.plain = text(kFirstList, &read.before_oldest_plain_null);
      for (store::Kind k : store::kKinds) {
        const int column = kFirstList + 1 + store::KindIndex(k);
        read.before_oldest.tagged[k] = text(column, &read.before_oldest_tagged_null[k]);
      }
    }
    std::int64_t issue = 0;
    number(row, 1, &issue);
    read.ids.push_back(row.Int(0));
    read.issues.push_back(static_cast<std::int32_t>(issue));
    read.newest_proposed = AsInt(row.Get(2)).value_or(0);
    store::DrawValues& values = read.values.emplace_back();
    int column = kFirstValue;
    for (int p = 1; p <= store::kPositionCount; ++p) {
      for (store::Kind k : store::kKinds) {
        std::int64_t v = 0;
        number(row, column++, &v);
        values[p][k] = static_cast<std::int16_t>(v);
      }
    }
    return Status::Ok();
  });
  if (!s.ok()) return s;
  *out = std::move(read);
  return unreadable;
}

}  // namespace brivo::search
