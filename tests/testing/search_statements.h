#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/base/status.h"
#include "search/criteria.h"
#include "search/evaluator.h"

// The two searches as the statements the program ran in the database before it searched in
// memory, kept as the measure the in-memory searches are held to. They run on a copy of a history
// file in memory, with Lishi as one table: the updates of the match counter (LIKE "*token*" or
// "= value" per selected position), the refills of the preceding, earlier and look-back columns
// oldest draw first, the combination flag, then the tally rewritten into Carcu and the ranking
// read back ordered by count, then value.
namespace brivo::testing {

// Every row of Lishi (in issue order, every column) and of Carcu (in row order), each value as
// text and NULL as "NULL".
struct HistoryTables {
  std::vector<std::vector<std::string>> lishi;
  std::vector<std::string> lishi_columns;
  std::vector<std::vector<std::string>> carcu;
};
// The tables of a history file, read through a connection of their own.
HistoryTables ReadHistoryTables(const std::string& path);
// The first row, column and values where two histories differ; "" when they are the same.
std::string FirstDifference(const HistoryTables& expected, const HistoryTables& actual);

class StatementSearches {
 public:
  // A copy of the history file's Lishi (as one table, in issue order) and Carcu.
  explicit StatementSearches(const std::string& history_path);
  ~StatementSearches();
  StatementSearches(const StatementSearches&) = delete;
  StatementSearches& operator=(const StatementSearches&) = delete;

  Status Run(const search::SearchCriteria& c, search::SearchType type,
             search::SearchResult* result);
  HistoryTables Tables();

 private:
  Status Exec(const std::string& sql);
  Status MarkPositions(const search::SearchCriteria& c, int* required);
  Status MarkCombinations(const search::SearchCriteria& c);
  Status LookBack(store::Kind kind, int n);
  Status Shift(const std::string& column, search::Basis basis, int n);
  Status TallyAndRank(const search::SearchCriteria& c, const std::string& condition,
                      search::SearchResult* result);

  sqlite3* db_ = nullptr;
};

}  // namespace brivo::testing
