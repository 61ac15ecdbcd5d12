#include "acquire/online_update.h"

#include <algorithm>

#include "store/history_db.h"
#include "store/history_ops.h"

namespace brivo::acquire {
namespace {

constexpr int kFirstFetchedYear = 2013;  // older years are not fetched

struct Newest {
  std::int64_t issue = 0;  // 0 for an empty history
  store::DrawLists lists;  // of that draw; empty texts for an empty history
};

Status ReadNewest(Database& db, Newest* out) {
  std::unique_ptr<Recordset> snapshot;
  if (Status s = db.OpenSnapshot(store::kHistoryQuery, &snapshot); !s.ok()) return s;
  *out = Newest{};
  if (!snapshot->MoveLast().ok()) return Status::Ok();
  if (Status s = snapshot->GetInt("SQQH", &out->issue); !s.ok()) return s;
  store::DrawValues values{};
  if (Status s = store::ReadOwnValues(*snapshot, &values); !s.ok()) return s;
  out->lists = store::ListsOf(values);
  return Status::Ok();
}

// Deletes a history that reaches back more than the kept years; *emptied tells.
Status EnforceKeptYears(Database& db, Recordset& table, const OnlineUpdateRequest& request,
                        bool* emptied) {
  std::unique_ptr<Recordset> snapshot;
  if (Status s = db.OpenSnapshot(store::kHistoryQuery, &snapshot); !s.ok()) return s;
  *emptied = false;
  std::int64_t oldest = 0;
  if (!snapshot->MoveFirst().ok() || !snapshot->GetInt("SQQH", &oldest).ok()) return Status::Ok();
  if (request.current_year - oldest / 1000 <= request.kept_years) return Status::Ok();
  *emptied = true;
  return store::DeleteAll(table);
}

}  // namespace

Status RunOnlineUpdate(Database& db, Recordset& table, const AppendContext& context,
                       DrawSource& source, const OnlineUpdateRequest& request,
                       OnlineUpdateResult* result) {
  *result = OnlineUpdateResult{};
  const store::PrecedingMemory kept_memory = *context.memory;
  auto fail = [&](Status s) {
    *context.memory = kept_memory;
    return s;
  };
  Database::Transaction transaction(db);
  if (!transaction.status().ok()) return transaction.status();
  if (Status s = EnforceKeptYears(db, table, request, &result->history_deleted); !s.ok()) {
    return fail(s);
  }
  Newest newest;
  if (Status s = ReadNewest(db, &newest); !s.ok()) return fail(s);
  const int start_year = newest.issue == 0
                             ? request.current_year - request.kept_years
                             : std::max(static_cast<int>(newest.issue / 1000), kFirstFetchedYear);
  int restarts = 0;
  for (int year = start_year; year <= request.current_year; ++year) {
    if (request.progress) request.progress(year, start_year, request.current_year);
    std::vector<store::DrawNumbers> rows;
    if (Status s = source.YearRows(year, &rows); !s.ok()) {
      if (restarts++ < kUpdateRestarts) {
        year = start_year - 1;  // start over; the years done append nothing again
        continue;
      }
      result->failed_year = year;
      return fail(s);
    }
    if (Status s = ReadNewest(db, &newest); !s.ok()) return fail(s);
    std::optional<store::DrawLists> before = newest.lists;
    const int first = newest.issue == 0 || newest.issue / 1000 < year
                          ? 1
                          : static_cast<int>(newest.issue % 1000) + 1;
    const int count = static_cast<int>(rows.size());
    for (int j = first; j <= count; ++j) {
      const store::DrawNumbers& numbers = rows[static_cast<std::size_t>(count - j)];
      if (numbers[0] == 0) continue;  // a garbled row keeps its issue number, unstored
      const auto issue = static_cast<std::int32_t>(year * 1000 + j);
      store::DrawValues values{};
      Status s = AppendNumbers(table, context, issue, numbers, before, std::nullopt, &values);
      if (!s.ok()) return fail(s);
      before = store::ListsOf(values);
      ++result->appended;
    }
  }
  if (Status s = transaction.Commit(); !s.ok()) return fail(s);
  return Status::Ok();
}

}  // namespace brivo::acquire
