#include "model/history_session.h"

#include <cstdint>
#include <utility>

#include "acquire/appender.h"
#include "acquire/draw_line.h"
#include "acquire/truncation.h"
#include "platform/base/log.h"
#include "search/combination_search.h"
#include "search/position_search.h"
#include "store/history_db.h"

namespace brivo {

HistorySession::HistorySession(std::string program_folder)
    : program_folder_(std::move(program_folder)) {}

HistorySession::~HistorySession() { CloseAll(); }

std::string HistorySession::HistoryPath() const {
  return store::ProgramFile(program_folder_, store::kHistoryFileName);
}

void HistorySession::CloseAll() {
  // Recordsets go before the database they belong to.
  snapshot_.reset();
  table_.reset();
  if (db_) db_->Close();
  db_.reset();
}

Status HistorySession::OpenRecordsets() {
  snapshot_.reset();
  table_.reset();
  if (Status s = db_->OpenTable(store::kHistoryTable, &table_); !s.ok()) return s;
  return db_->OpenSnapshot(store::kHistoryQuery, &snapshot_);
}

Status HistorySession::Open() {
  CloseAll();
  repeated_issues_.clear();
  Status s = store::OpenHistoryDatabase(HistoryPath(), &db_);
  if (s.ok()) {
    // A file the program cannot make unique still opens: the window says which issues repeat.
    if (Status u = store::EnsureUniqueIssues(*db_, &repeated_issues_); !u.ok()) {
      LogWarning(u.ToString());
    }
    s = OpenRecordsets();
  }
  if (!s.ok()) CloseAll();
  if (s.ok()) data_version_ = db_->DataVersion();
  return s;
}

bool HistorySession::ChangedElsewhere() {
  if (!db_) return false;
  const std::int64_t version = db_->DataVersion();
  if (version == data_version_) return false;
  data_version_ = version;
  if (Status s = Reload(); !s.ok()) LogWarning(s.ToString());
  return true;
}

Status HistorySession::Reload() {
  if (!db_) return Status::IoError("no history database is open");
  std::unique_ptr<Recordset> reopened;
  if (Status s = db_->OpenSnapshot(store::kHistoryQuery, &reopened); !s.ok()) return s;
  snapshot_ = std::move(reopened);
  snapshot_stale_ = false;
  // The memory the appends continue from follows the file, not what this session appended.
  memory_ = store::PrecedingMemory{};
  if (snapshot_->MoveLast().ok()) {
    Status s = store::ReadOwnValues(*snapshot_, &memory_.last);
    if (s.ok() && snapshot_->MovePrevious().ok() && !snapshot_->IsBof()) {
      s = store::ReadOwnValues(*snapshot_, &memory_.second_last);
    }
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

Recordset* HistorySession::Snapshot() {
  if (snapshot_stale_ && db_) {
    std::unique_ptr<Recordset> reopened;
    if (db_->OpenSnapshot(store::kHistoryQuery, &reopened).ok()) snapshot_ = std::move(reopened);
  }
  snapshot_stale_ = false;
  return snapshot_.get();
}

Status HistorySession::HistoryRows(std::vector<HistoryGridRow>* rows) {
  rows->clear();
  if (!db_) return Status::IoError("no history database is open");
  std::unique_ptr<Recordset> reopened;
  if (Status s = db_->OpenSnapshot(store::kHistoryQuery, &reopened); !s.ok()) return s;
  snapshot_ = std::move(reopened);
  snapshot_stale_ = false;
  *rows = ReadHistoryGridRows(*snapshot_);
  return Status::Ok();
}

std::int64_t HistorySession::NewestIssue() {
  std::int64_t newest = 0;
  Recordset* snapshot = Snapshot();
  if (snapshot) store::ReadNewestIssue(*snapshot, &newest);
  return newest;
}

Status HistorySession::DefaultStartIssue(int distance, std::int64_t* start) {
  std::int64_t oldest = 0;
  Recordset* snapshot = Snapshot();
  if (!snapshot || !store::ReadOldestIssue(*snapshot, &oldest).ok() || oldest == 0) {
    return Status::NotFound("the history is empty");
  }
  *start = oldest + distance;
  return Status::Ok();
}

Status HistorySession::DrawsInRange(std::int64_t start, std::int64_t end, std::int64_t* count) {
  *count = 0;
  if (!db_ || start > end) return Status::Ok();
  std::unique_ptr<Recordset> rows;
  const std::string query = "SELECT COUNT(*) AS n FROM Lishi WHERE SQQH BETWEEN " +
                            std::to_string(start) + " AND " + std::to_string(end);
  if (Status s = db_->OpenSnapshot(query, &rows); !s.ok()) return s;
  if (!rows->MoveFirst().ok()) return Status::Ok();
  return rows->GetInt("n", count);
}

Status HistorySession::ReadProposedIssue(std::int64_t* newest) {
  *newest = 0;
  Recordset* snapshot = Snapshot();
  if (!snapshot || !snapshot->MoveLast().ok()) return Status::NotFound("the history is empty");
  std::int64_t proposed = 0;
  if (snapshot->GetInt("QQH", &proposed).ok()) {
    proposed_issue_ = static_cast<std::int32_t>(proposed);
  }
  if (!snapshot->GetInt("SQQH", newest).ok()) *newest = 0;
  return Status::Ok();
}

bool HistorySession::MoveToPatternRecord(search::Basis basis, int look_back) {
  Recordset* snapshot = Snapshot();
  if (!snapshot || !snapshot->MoveLast().ok()) return false;
  if (basis == search::Basis::kEarlier) {
    for (int back = 0; back < look_back - 1; ++back) snapshot->MovePrevious();
  }
  return !snapshot_->IsBof() && !snapshot_->IsEof();
}

Status HistorySession::PatternRecord(search::Basis basis, int look_back, store::Kind kind,
                                     PatternValues* values) {
  if (!MoveToPatternRecord(basis, look_back)) {
    return Status::NotFound("the history has no pattern record");
  }
  PatternValues read = *values;
  for (int i = 1; i <= 7; ++i) {
    std::int64_t value = 0;
    const std::string column = store::ColumnName(i, kind, store::kOwn);
    if (Status s = snapshot_->GetInt(column, &value); !s.ok()) return s;
    read[i] = static_cast<std::int16_t>(value);
  }
  *values = read;
  return Status::Ok();
}

acquire::AppendContext HistorySession::AppendingContext(int ds_ini) {
  acquire::AppendContext context;
  context.zodiac = &zodiac_;
  context.memory = &memory_;
  context.ds_ini = ds_ini;
  return context;
}

Status HistorySession::AppendDraw(std::int32_t issue, const store::DrawNumbers& numbers,
                                  int ds_ini) {
  if (!db_ || !table_) return Status::IoError("no history database is open");
  // The lists of the draw before come from the newest stored row.
  std::optional<store::DrawLists> before;
  store::DrawValues newest_values{};
  Recordset* snapshot = Snapshot();
  if (snapshot && snapshot->MoveLast().ok() &&
      store::ReadOwnValues(*snapshot, &newest_values).ok()) {
    before = store::ListsOf(newest_values);
  }
  snapshot_stale_ = true;
  Database::Transaction transaction(*db_);
  Status s = transaction.status();
  if (s.ok()) {
    s = acquire::AppendNumbers(*table_, AppendingContext(ds_ini), issue, numbers, before,
                               std::nullopt, nullptr);
  }
  if (s.ok()) s = transaction.Commit();
  return s;
}

Status HistorySession::Import(const std::vector<acquire::ParsedDraw>& draws, int ds_ini) {
  if (!db_ || !table_) return Status::IoError("no history database is open");
  snapshot_stale_ = true;
  return acquire::ReplaceHistory(*db_, *table_, AppendingContext(ds_ini), draws,
                                 acquire::EarlierLists::kUnset);
}

Status HistorySession::StoredDraws(std::vector<acquire::ParsedDraw>* draws) {
  if (!db_) return Status::IoError("no history database is open");
  std::unique_ptr<Recordset> rows;
  Status s = db_->OpenSnapshot(store::kHistoryQuery, &rows);
  if (s.ok()) s = acquire::CollectDrawsUpTo(*rows, INT64_MAX, draws);
  return s;
}

Status HistorySession::WriteScratchFile(const std::vector<acquire::ParsedDraw>& draws) {
  return acquire::WriteScratchFile(store::ProgramFile(program_folder_, acquire::kScratchFileName),
                                   draws);
}

Status HistorySession::RebuildFromScratchFile(int ds_ini) {
  if (!db_ || !table_) return Status::IoError("no history database is open");
  snapshot_stale_ = true;
  std::vector<std::string> lines;
  Status s = acquire::ReadTextLines(store::ProgramFile(program_folder_, acquire::kScratchFileName),
                                    &lines);
  if (!s.ok()) return s;
  const acquire::ParsedLines parsed = acquire::ParseDrawLines(lines, proposed_issue_);
  return acquire::ReplaceHistory(*db_, *table_, AppendingContext(ds_ini), parsed.draws,
                                 acquire::EarlierLists::kTwoBefore);
}

Status HistorySession::DeleteNewest() {
  if (!db_) return Status::IoError("no history database is open");
  snapshot_stale_ = true;
  std::unique_ptr<Recordset> rows;
  Status s = db_->OpenUpdatable(store::kHistoryQuery, &rows);
  if (s.ok() && rows->MoveLast().ok()) s = rows->Delete();
  return s;
}

Status HistorySession::Clear() {
  if (!db_ || !table_) return Status::IoError("no history database is open");
  snapshot_stale_ = true;
  Database::Transaction transaction(*db_);
  Status s = transaction.status();
  if (s.ok()) s = store::DeleteAll(*table_);
  if (s.ok()) s = transaction.Commit();
  return s;
}

Status HistorySession::Compact(Status* reopened) {
  CloseAll();
  Status compacted = store::CompactHistoryFiles(program_folder_);
  // Whatever happened, the history file is whole and is opened again.
  *reopened = Open();
  return compacted;
}

Status HistorySession::DrawsOutsideKeptYears(int current_year, int kept_years, int* draws) {
  if (!db_) return Status::IoError("no history database is open");
  return acquire::DrawsOutsideKeptYears(*db_, current_year, kept_years, draws);
}

Status HistorySession::UpdateOnline(const std::vector<acquire::DrawSource*>& sources,
                                    const acquire::OnlineUpdateRequest& request, int ds_ini,
                                    acquire::OnlineUpdateResult* result) {
  if (!db_ || !table_) return Status::IoError("no history database is open");
  snapshot_stale_ = true;
  return acquire::RunOnlineUpdate(*db_, *table_, AppendingContext(ds_ini), sources, request,
                                  result);
}

Status HistorySession::RunPositionSearch(const search::SearchCriteria& criteria,
                                         search::SearchResult* result) {
  if (!db_) return Status::IoError("no history database is open");
  return search::RunPositionSearch(*db_, criteria, result);
}

Status HistorySession::RunCombinationSearch(const search::SearchCriteria& criteria,
                                            search::SearchResult* result) {
  if (!db_) return Status::IoError("no history database is open");
  return search::RunCombinationSearch(*db_, criteria, result);
}

}  // namespace brivo
