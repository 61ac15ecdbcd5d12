#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "acquire/draw_source.h"
#include "acquire/history_import.h"
#include "acquire/online_update.h"
#include "model/history_rows.h"
#include "platform/db/database.h"
#include "search/criteria.h"
#include "search/evaluator.h"
#include "search/history_draws.h"
#include "store/attributes.h"
#include "store/by_position.h"
#include "store/draw_record.h"
#include "store/history_ops.h"

// The history as the program works on it, without a window: the database of the program folder
// with its table recordset, the draws held in memory, the preceding-draw memory, the zodiac tables
// with their reference year, and the proposed issue. Every command is a plain call.
//
// How a search's answer is computed and how it reaches the disk: the draws (issues, the six
// readings of each number, the lists of the draw before) are read once when the history opens,
// and again after every command that changes the file or when another program has changed it.
// The searches, the omission table and the back-tests run on them in memory (search/evaluator.h).
// A search then stores what the program has always left in the file, so that any SQLite tool
// finds its results there: the marks in Lishi's scratch columns (search/search_marks.h) and the
// tally in Carcu, in one transaction that writes only the rows whose values change
// (store/scratch_columns.h). Lishi is stored in parts, one narrow table per family of columns
// (store/history_db.h), so such a write touches narrow rows only.
namespace brivo {

// The seven own values of the pattern record of one kind.
using PatternValues = store::ByPosition<std::int16_t>;

class HistorySession {
 public:
  explicit HistorySession(std::string program_folder);
  ~HistorySession();
  HistorySession(const HistorySession&) = delete;
  HistorySession& operator=(const HistorySession&) = delete;

  // Opens (or creates) the history file of the program folder with both recordsets. On failure
  // nothing stays open and the status tells why (kCorruption, kNotHistory for a foreign file).
  Status Open();
  bool is_open() const { return db_ != nullptr; }
  // The issues the history file holds more than once, found by Open; such a file is left as it
  // is, without the index that keeps every issue unique.
  const std::vector<std::int64_t>& repeated_issues() const { return repeated_issues_; }

  // Whether another program has committed a change to the history file since the session last
  // read it (SQLite's data_version of the session's own connection). When it has, everything
  // the session keeps of the history is read anew (see Reload) before this returns true, so the
  // answers of every call afterwards are the file as it now is.
  bool ChangedElsewhere();
  // Reads anew what the session keeps of the history: the draws, and the preceding-draw memory,
  // which then holds the two newest stored draws.
  Status Reload();
  // The draws as the session holds them (none while no history is open). When the file holds a
  // value that is no number, draws_status() says so and every search fails with it.
  const search::HistoryDraws& draws() const;
  const Status& draws_status() const { return draws_status_; }
  // The path of the history file.
  std::string HistoryPath() const;

  // The history grid's rows, oldest first, read from the file. REQUIRES: is_open().
  Status HistoryRows(std::vector<HistoryGridRow>* rows);
  // The newest stored issue, or 0 for an empty history (or none open).
  std::int64_t NewestIssue();
  // The issue of the first draw after the oldest one at `distance`; NotFound when the history is
  // empty.
  Status DefaultStartIssue(int distance, std::int64_t* start);
  // How many stored draws lie in the issue range start..end (both included); 0 for an empty
  // range, a range with start after end, or no history open.
  Status DrawsInRange(std::int64_t start, std::int64_t end, std::int64_t* count);
  // Reads the proposed issue (QQH of the newest row) into proposed_issue() and *newest (its own
  // issue); NotFound, with nothing changed, for an empty history.
  Status ReadProposedIssue(std::int64_t* newest);
  std::int32_t proposed_issue() const { return proposed_issue_; }
  // The pattern record: the newest draw on the previous-draw basis, the look_back-th newest on the
  // earlier-draw basis. *values gets its own values of `kind` at positions 1..7. NotFound when the
  // history has no such draw.
  Status PatternRecord(search::Basis basis, int look_back, store::Kind kind, PatternValues* values);

  // Appends a typed draw with the lists of the newest stored draw, as one transaction.
  Status AppendDraw(std::int32_t issue, const store::DrawNumbers& numbers, int ds_ini);
  // Replaces the history with the draws of a text file (already in ascending order).
  Status Import(const std::vector<acquire::ParsedDraw>& draws, int ds_ini);
  // Every stored draw, oldest first.
  Status StoredDraws(std::vector<acquire::ParsedDraw>* draws);
  // Writes the draws to the scratch file of the program folder.
  Status WriteScratchFile(const std::vector<acquire::ParsedDraw>& draws);
  // Rebuilds every row from the scratch file (the lists of the draw two before as the earlier
  // lists); on failure the history is as it was.
  Status RebuildFromScratchFile(int ds_ini);
  // Deletes the newest draw through an updatable set.
  Status DeleteNewest();
  // Deletes every draw, as one transaction.
  Status Clear();
  // Closes, checks and compacts the history file, then opens it again with both recordsets.
  // Returns the compaction's status; *reopened the reopening's (on failure nothing is open).
  Status Compact(Status* reopened);

  // How many draws the kept-years rule of the online update would delete.
  Status DrawsOutsideKeptYears(int current_year, int kept_years, int* draws);
  // The online update from the sources in their order.
  Status UpdateOnline(const std::vector<acquire::DrawSource*>& sources,
                      const acquire::OnlineUpdateRequest& request, int ds_ini,
                      acquire::OnlineUpdateResult* result);

  // The two searches over the history on the criteria.
  Status RunPositionSearch(const search::SearchCriteria& criteria, search::SearchResult* result);
  Status RunCombinationSearch(const search::SearchCriteria& criteria, search::SearchResult* result);

  store::ZodiacTables& zodiac() { return zodiac_; }
  const store::ZodiacTables& zodiac() const { return zodiac_; }
  const std::string& program_folder() const { return program_folder_; }
  // The engine and the table recordset themselves, for what observes them (null while none is
  // open).
  Database* database() const { return db_.get(); }
  Recordset* table() const { return table_.get(); }

 private:
  void CloseAll();
  // Reads the draws anew after a command changed the file, whether or not it succeeded: a failed
  // command has rolled back, and the draws are then read as they were.
  Status Changed(Status command);
  Status ReadDraws();
  // The index of the pattern record in the draws; -1 when the history has no such draw.
  std::int64_t PatternRecordIndex(search::Basis basis, int look_back) const;
  Status RunSearch(const search::SearchCriteria& criteria, search::SearchType type,
                   search::SearchResult* result);
  acquire::AppendContext AppendingContext(int ds_ini);

  std::string program_folder_;
  std::unique_ptr<Database> db_;
  std::unique_ptr<Recordset> table_;
  std::unique_ptr<search::Evaluator> evaluator_;  // holds the draws
  Status draws_status_;
  store::PrecedingMemory memory_;
  store::ZodiacTables zodiac_;
  std::int32_t proposed_issue_ = 0;
  std::vector<std::int64_t> repeated_issues_;
  std::int64_t data_version_ = -1;  // the connection's data_version when last read
};

}  // namespace brivo
