#include "store/scratch_columns.h"

#include <map>
#include <unordered_map>

#include "store/history_db.h"
#include "store/history_ops.h"

namespace brivo::store {
namespace {

// The columns stored in one table, by their index in the columns given.
using ColumnsByTable = std::map<std::string, std::vector<std::size_t>>;

Status WriteTable(Database& db, const LishiLayout& layout, const std::string& table,
                  const std::vector<std::size_t>& which, const std::vector<std::int64_t>& ids,
                  const std::vector<ColumnValues>& columns) {
  const std::string key = layout.key();
  std::string select = "SELECT " + key;
  std::string update = "UPDATE " + table + " SET ";
  for (std::size_t c = 0; c < which.size(); ++c) {
    const std::string& name = columns[which[c]].column;
    select += ", [" + name + "]";
    update += (c == 0 ? "[" : ", [") + name + "]=?" + std::to_string(c + 1);
  }
  select += " FROM " + table;
  update += " WHERE " + key + "=?" + std::to_string(which.size() + 1);

  std::unordered_map<std::int64_t, std::size_t> row_of;
  row_of.reserve(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) row_of.emplace(ids[i], i);
  std::vector<std::size_t> changed;
  Status s = db.ReadRows(select, [&](const Database::Row& row) {
    const auto it = row_of.find(row.Int(0));
    if (it == row_of.end()) return Status::Ok();
    for (std::size_t c = 0; c < which.size(); ++c) {
      if (row.Get(static_cast<int>(c) + 1) != columns[which[c]].values[it->second]) {
        changed.push_back(it->second);
        break;
      }
    }
    return Status::Ok();
  });
  if (!s.ok()) return s;
  std::vector<Value> bound(which.size() + 1);
  for (std::size_t i : changed) {
    for (std::size_t c = 0; c < which.size(); ++c) bound[c] = columns[which[c]].values[i];
    bound.back() = ids[i];
    if (Status w = db.ExecuteBound(update, bound); !w.ok()) return w;
  }
  return Status::Ok();
}

}  // namespace

Status WriteColumns(Database& db, const std::vector<std::int64_t>& ids,
                    const std::vector<ColumnValues>& columns) {
  LishiLayout layout;
  if (Status s = ReadLishiLayout(db, &layout); !s.ok()) return s;
  ColumnsByTable by_table;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    by_table[layout.TableOf(columns[c].column)].push_back(c);
  }
  for (const auto& [table, which] : by_table) {
    if (Status s = WriteTable(db, layout, table, which, ids, columns); !s.ok()) return s;
  }
  return Status::Ok();
}

Status WriteTally(Database& db, const std::vector<std::pair<std::int64_t, std::int64_t>>& rows) {
  std::vector<std::pair<std::int64_t, std::int64_t>> stored;
  bool readable = true;
  Status s =
      db.ReadRows("SELECT Nmb, Count FROM Carcu ORDER BY rowid", [&](const Database::Row& row) {
        readable = readable && !row.IsNull(0) && !row.IsNull(1);
        stored.emplace_back(row.Int(0), row.Int(1));
        return Status::Ok();
      });
  if (!s.ok()) return s;
  if (readable && stored == rows) return Status::Ok();
  if (Status d = db.Execute("DELETE FROM Carcu"); !d.ok()) return d;
  for (const auto& [value, count] : rows) {
    if (Status w =
            db.ExecuteBound("INSERT INTO Carcu (Nmb, Count) VALUES (?1, ?2)", {value, count});
        !w.ok()) {
      return w;
    }
  }
  return Status::Ok();
}

}  // namespace brivo::store
