#include "platform/db/part_routing.h"

namespace brivo::detail {
namespace {

std::string Bracketed(const std::string& name) { return "[" + name + "]"; }

}  // namespace

std::string RouteToPart(const TableInfo& table, const SingleUpdate& u) {
  const int part = table.part_of[static_cast<std::size_t>(table.IndexOf(u.column))];
  const std::string target = Bracketed(table.parts[static_cast<std::size_t>(part)]);
  const std::string key = Bracketed(table.key);
  // Whether every column the text names lives in the target part (the key lives in all).
  auto in_part = [&](const std::string& text) {
    for (const std::string& name : NamesIn(text)) {
      const int column = table.IndexOf(name);
      if (column > 0 && table.part_of[static_cast<std::size_t>(column)] != part) return false;
    }
    return true;
  };
  std::string sql = "UPDATE " + target + " SET " + Bracketed(u.column) + "=" + u.expression;
  if (!in_part(u.expression)) {
    // The value needs columns of other parts: each row is joined to them by its key.
    std::string others;
    for (std::size_t c = 1; c < table.columns.size(); ++c) {
      if (table.part_of[c] != part) others += ", " + Bracketed(table.columns[c]);
    }
    return sql + " FROM (SELECT " + key + " AS brivo_key" + others + " FROM " +
           Bracketed(table.name) + (u.condition.empty() ? "" : " WHERE " + u.condition) +
           ") AS brivo_row WHERE brivo_row.brivo_key = " + target + "." + key;
  }
  std::string condition = u.condition;
  if (!condition.empty() && !in_part(condition)) {
    condition =
        key + " IN (SELECT " + key + " FROM " + Bracketed(table.name) + " WHERE " + condition + ")";
  }
  if (!condition.empty()) sql += " WHERE " + condition;
  if (u.reads_column) return sql;
  SingleUpdate routed = u;
  routed.column_as_written = Bracketed(u.column);
  routed.condition = condition;
  return WithUnchangedRowsSkipped(sql, routed);
}

}  // namespace brivo::detail
