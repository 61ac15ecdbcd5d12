#include "testing/search_statements.h"

#include <optional>

#include "search/combination_search.h"
#include "search/kind_ranges.h"
#include "store/draw_record.h"

namespace brivo::testing {
namespace {

using search::Basis;
using search::SearchCriteria;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

std::string Text(sqlite3_stmt* stmt, int column) {
  if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return "NULL";
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
}

// The rows of a query, every value as text; *names gets the column names.
std::vector<std::vector<std::string>> Rows(sqlite3* db, const std::string& sql,
                                           std::vector<std::string>* names = nullptr) {
  std::vector<std::vector<std::string>> rows;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return rows;
  const int columns = sqlite3_column_count(stmt);
  if (names != nullptr) {
    names->clear();
    for (int c = 0; c < columns; ++c) names->emplace_back(sqlite3_column_name(stmt, c));
  }
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    std::vector<std::string>& row = rows.emplace_back();
    for (int c = 0; c < columns; ++c) row.push_back(Text(stmt, c));
  }
  sqlite3_finalize(stmt);
  return rows;
}

HistoryTables TablesOf(sqlite3* db) {
  HistoryTables tables;
  tables.lishi = Rows(db, "SELECT * FROM Lishi ORDER BY SQQH", &tables.lishi_columns);
  tables.carcu = Rows(db, "SELECT Nmb, Count FROM Carcu ORDER BY rowid");
  return tables;
}

std::string SearchText(const SearchCriteria& c) {
  return store::ListColumn(c.basis == Basis::kEarlier ? store::kPlainPreList : store::kPlainList,
                           c.search_kind);
}

std::string CountToken(const std::string& column, const std::string& token) {
  return "UPDATE Lishi SET intTh=(intTh +1) WHERE [" + column + "] LIKE '%" + token + "%'";
}

std::string CountValue(const std::string& column, int value) {
  return "UPDATE Lishi SET intTh=(intTh +1) WHERE [" + column + "] = " + std::to_string(value);
}

// LEFT([column], LEN([column]) - 4) into txtHisP6.
std::string CopyWithoutBlue(const std::string& column) {
  return "UPDATE Lishi SET txtHisP6 = substr([" + column + "], 1, length([" + column + "]) - 4)";
}

}  // namespace

HistoryTables ReadHistoryTables(const std::string& path) {
  sqlite3* db = nullptr;
  HistoryTables tables;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    tables = TablesOf(db);
  }
  sqlite3_close(db);
  return tables;
}

std::string FirstDifference(const HistoryTables& expected, const HistoryTables& actual) {
  if (expected.lishi.size() != actual.lishi.size()) {
    return "Lishi has " + std::to_string(actual.lishi.size()) + " rows, not " +
           std::to_string(expected.lishi.size());
  }
  for (std::size_t r = 0; r < expected.lishi.size(); ++r) {
    for (std::size_t c = 0; c < expected.lishi_columns.size(); ++c) {
      const std::string& name = expected.lishi_columns[c];
      std::size_t at = 0;
      while (at < actual.lishi_columns.size() && actual.lishi_columns[at] != name) ++at;
      const std::string got = at < actual.lishi_columns.size() ? actual.lishi[r][at] : "(none)";
      if (got != expected.lishi[r][c]) {
        return "Lishi row " + std::to_string(r + 1) + " column " + name + ": \"" + got +
               "\", not \"" + expected.lishi[r][c] + "\"";
      }
    }
  }
  if (expected.carcu != actual.carcu) return "Carcu differs";
  return "";
}

StatementSearches::StatementSearches(const std::string& history_path) {
  sqlite3_open(":memory:", &db_);
  (void)Exec("ATTACH " + Quote(history_path) + " AS f");
  (void)Exec("CREATE TABLE Lishi AS SELECT * FROM f.Lishi ORDER BY SQQH");
  (void)Exec("CREATE TABLE Carcu AS SELECT Nmb, Count FROM f.Carcu ORDER BY rowid");
  (void)Exec("DETACH f");
}

StatementSearches::~StatementSearches() { sqlite3_close(db_); }

HistoryTables StatementSearches::Tables() { return TablesOf(db_); }

Status StatementSearches::Exec(const std::string& sql) {
  char* error = nullptr;
  const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
  const std::string message = error != nullptr ? error : "";
  sqlite3_free(error);
  return rc == SQLITE_OK ? Status::Ok() : Status::IoError(sql + ": " + message);
}

// Free-position mode on the earlier-draw basis: every draw k >= n gets, as txtHisPreLst + the
// kind's name and txtHisPreLst, the lists of draw k - n + 1; the first n - 1 draws get "".
Status StatementSearches::LookBack(store::Kind kind, int n) {
  const std::string tagged = store::ListColumn(store::kPlainList, kind);
  const std::string refill = "CASE WHEN row_number() OVER w >= " + std::to_string(n) +
                             " THEN lag(%s, " + std::to_string(n - 1) + ") OVER w ELSE '' END";
  const auto of = [&](const std::string& column) {
    std::string sql = refill;
    for (std::size_t at; (at = sql.find("%s")) != std::string::npos;) sql.replace(at, 2, column);
    return sql;
  };
  return Exec("UPDATE Lishi SET [" + store::ListColumn(store::kPlainPreList, kind) +
              "] = s.t, txtHisPreLst = s.p FROM (SELECT rowid AS r, " + of(tagged) + " AS t, " +
              of("txtHisLst") +
              " AS p FROM Lishi WINDOW w AS (ORDER BY SQQH)) AS s WHERE s.r = Lishi.rowid");
}

// The own `column` of the draw before (...S) or n before (...P) into the draw, 0 for the oldest;
// on the earlier-draw basis txtHisPreLst is refilled too. An empty column refills it alone.
Status StatementSearches::Shift(const std::string& column, Basis basis, int n) {
  std::string sets, selects;
  if (!column.empty()) {
    const int back = basis == Basis::kEarlier ? n : 1;
    const std::string_view suffix = basis == Basis::kEarlier ? store::kEarlier : store::kPreceding;
    sets = "[" + column + std::string(suffix) + "] = s.v";
    selects = ", lag([" + column + "], " + std::to_string(back) + ", 0) OVER w AS v";
  }
  if (basis == Basis::kEarlier) {
    sets += std::string(sets.empty() ? "" : ", ") + "txtHisPreLst = s.p";
    selects += ", CASE WHEN row_number() OVER w >= " + std::to_string(n) + " THEN lag(txtHisLst, " +
               std::to_string(n - 1) + ") OVER w ELSE '' END AS p";
  }
  return Exec("UPDATE Lishi SET " + sets + " FROM (SELECT rowid AS r" + selects +
              " FROM Lishi WINDOW w AS (ORDER BY SQQH)) AS s WHERE s.r = Lishi.rowid");
}

Status StatementSearches::MarkPositions(const SearchCriteria& c, int* required) {
  const int n = c.Distance();
  *required = 0;
  if (c.free_mode && c.basis == Basis::kEarlier) {
    if (Status s = LookBack(c.search_kind, n); !s.ok()) return s;
  }
  if (Status s = Exec("UPDATE Lishi SET intTh=0"); !s.ok()) return s;
  if (c.free_mode) {
    std::string compared = SearchText(c);
    if (!c.count_blue) {
      if (Status s = Exec(CopyWithoutBlue(compared)); !s.ok()) return s;
      compared = "txtHisP6";
    }
    const std::optional<search::ValueRange> counted =
        search::OccurrenceRange(c.search_kind, c.sx_ini, c.ds_ini);
    std::vector<int> occurrences(
        counted ? static_cast<std::size_t>(counted->high - counted->low + 1) : 0);
    for (int i = 1; i <= 7; ++i) {
      if (!c.selected[i]) continue;
      ++*required;
      const int v = c.pattern[i];
      int k = 0;
      if (counted) {
        if (!counted->Contains(v)) continue;  // no statement, yet still required
        k = ++occurrences[static_cast<std::size_t>(v - counted->low)];
      }
      if (Status s = Exec(CountToken(compared, search::MatchToken(c.search_kind, v, k))); !s.ok()) {
        return s;
      }
    }
    return Status::Ok();
  }
  bool shifted = false;
  for (int i = 1; i <= 7; ++i) {
    if (!c.selected[i]) continue;
    const std::string column = store::ColumnName(i, c.search_kind, store::kOwn);
    if (Status s = Shift(column, c.basis, n); !s.ok()) return s;
    shifted = true;
    ++*required;
    const std::string_view suffix =
        c.basis == Basis::kEarlier ? store::kEarlier : store::kPreceding;
    if (Status s = Exec(CountValue(column + std::string(suffix), c.pattern[i])); !s.ok()) return s;
  }
  if (c.basis == Basis::kEarlier && !shifted) return Shift("", c.basis, n);
  return Status::Ok();
}

Status StatementSearches::MarkCombinations(const SearchCriteria& c) {
  const int n = c.Distance();
  if (c.free_mode && c.basis == Basis::kEarlier) {
    if (Status s = LookBack(c.search_kind, n); !s.ok()) return s;
  }
  if (Status s = Exec("UPDATE Lishi SET bolOk=0"); !s.ok()) return s;
  const int pool = c.red_pool_only ? 6 : 7;
  if (c.free_mode) {
    const std::string text = SearchText(c);
    const std::string copy =
        c.count_blue ? "UPDATE Lishi SET txtHisP6 = [" + text + "]" : CopyWithoutBlue(text);
    if (Status s = Exec(copy); !s.ok()) return s;
  } else {
    for (int m = 1; m <= 7; ++m) {
      if (Status s = Shift(store::ColumnName(m, c.search_kind, store::kOwn), c.basis, n); !s.ok()) {
        return s;
      }
    }
  }
  // Unlike the position search, the number kind counts occurrences here too.
  const std::optional<search::ValueRange> counted =
      c.search_kind == store::Kind::kHm
          ? search::ValueRange{1, 33}
          : search::OccurrenceRange(c.search_kind, c.sx_ini, c.ds_ini);
  const std::string_view suffix = c.basis == Basis::kEarlier ? store::kEarlier : store::kPreceding;
  for (const std::vector<int>& combination :
       search::PositionCombinations(pool, c.combination_size)) {
    if (Status s = Exec("UPDATE Lishi SET intTh=0"); !s.ok()) return s;
    std::vector<int> counters(
        counted ? static_cast<std::size_t>(counted->high - counted->low + 1) : 0, 0);
    for (int position : combination) {
      const int v = c.pattern[position];
      if (counted && counted->Contains(v)) ++counters[static_cast<std::size_t>(v - counted->low)];
    }
    for (int position : combination) {
      const int v = c.pattern[position];
      std::string update;
      if (c.free_mode) {
        if (!counted || !counted->Contains(v)) continue;
        const int count = counters[static_cast<std::size_t>(v - counted->low)];
        const bool two_digits = c.search_kind == store::Kind::kHm ||
                                c.search_kind == store::Kind::kSx ||
                                c.search_kind == store::Kind::kHe;
        update = CountToken("txtHisP6", std::to_string(count) + "X" +
                                            (two_digits ? store::TwoDigits(v) : std::to_string(v)));
      } else {
        update = CountValue(store::ColumnName(position, c.search_kind, suffix), v);
      }
      if (Status s = Exec(update); !s.ok()) return s;
    }
    const std::string mark =
        "UPDATE Lishi SET bolOk=1 WHERE intTh = " + std::to_string(c.combination_size);
    if (Status s = Exec(mark); !s.ok()) return s;
  }
  return Status::Ok();
}

Status StatementSearches::TallyAndRank(const SearchCriteria& c, const std::string& condition,
                                       search::SearchResult* result) {
  const search::ValueRange tallied = search::TallyRange(c.result_kind);
  std::vector<std::int64_t> counts(static_cast<std::size_t>(tallied.high - tallied.low + 1), 0);
  const search::PositionSpan span = search::PositionsOf(c.result_scope);
  std::string columns =
      "SQQH, " + std::string(c.basis == Basis::kEarlier ? store::kPlainPreList : store::kPlainList);
  for (int i = 1; i <= 7; ++i) columns += ", " + store::ColumnName(i, c.result_kind, store::kOwn);
  const auto rows =
      Rows(db_, "SELECT " + columns + " FROM Lishi WHERE SQQH >= " + std::to_string(c.start_issue) +
                    " AND SQQH <= " + std::to_string(c.end_issue) + condition + " ORDER BY SQQH");
  result->matched.clear();
  for (const std::vector<std::string>& row : rows) {
    search::MatchedDraw draw;
    draw.issue = std::stoll(row[0]);
    draw.pattern_side_list = row[1] == "NULL" ? "" : row[1];
    for (int i = 1; i <= 7; ++i) {
      const std::int64_t v = std::stoll(row[static_cast<std::size_t>(i) + 1]);
      draw.values[i] = v;
      if (i >= span.first && i <= span.last && tallied.Contains(static_cast<int>(v))) {
        ++counts[static_cast<std::size_t>(v - tallied.low)];
      }
    }
    result->matched.push_back(std::move(draw));
  }
  result->total = static_cast<std::int64_t>(result->matched.size()) * (span.last - span.first + 1);
  if (Status s = Exec("DELETE FROM Carcu"); !s.ok()) return s;
  const search::ValueRange written = search::WrittenRange(
      c.result_kind, c.result_scope == search::ResultScope::kBlue, c.sx_ini, c.ds_ini);
  for (int v = written.low; v <= written.high; ++v) {
    const std::int64_t count =
        tallied.Contains(v) ? counts[static_cast<std::size_t>(v - tallied.low)] : 0;
    const std::string insert = "INSERT INTO Carcu (Nmb, Count) VALUES (" + std::to_string(v) +
                               ", " + std::to_string(count) + ")";
    if (Status s = Exec(insert); !s.ok()) return s;
  }
  result->ranking.clear();
  for (const auto& row : Rows(db_, "SELECT Nmb, Count FROM Carcu ORDER BY Count DESC, Nmb")) {
    result->ranking.push_back({std::stoll(row[0]), std::stoll(row[1])});
  }
  return Status::Ok();
}

Status StatementSearches::Run(const SearchCriteria& c, search::SearchType type,
                              search::SearchResult* result) {
  if (Status s = Exec("BEGIN"); !s.ok()) return s;
  Status s;
  if (type == search::SearchType::kPosition) {
    int required = 0;
    s = MarkPositions(c, &required);
    if (s.ok()) s = TallyAndRank(c, " AND intTh = " + std::to_string(required), result);
  } else {
    s = MarkCombinations(c);
    if (s.ok()) s = TallyAndRank(c, " AND bolOk = 1", result);
  }
  if (Status e = Exec(s.ok() ? "COMMIT" : "ROLLBACK"); !e.ok() && s.ok()) s = e;
  return s;
}

}  // namespace brivo::testing
