#include "model/history_session.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "acquire/appender.h"
#include "acquire/draw_line.h"
#include "acquire/truncation.h"
#include "platform/base/log.h"
#include "search/search_run.h"
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
  table_.reset();
  evaluator_.reset();
  if (db_) db_->Close();
  db_.reset();
}

const search::HistoryDraws& HistorySession::draws() const {
  static const search::HistoryDraws kNone;
  return evaluator_ ? evaluator_->draws() : kNone;
}

Status HistorySession::ReadDraws() {
  search::HistoryDraws draws;
  draws_status_ = search::ReadHistoryDraws(*db_, &draws);
  // Draws with a value that is no number still give the issues; nothing is searched in them.
  evaluator_ = std::make_unique<search::Evaluator>(std::move(draws));
  return draws_status_;
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
    s = db_->OpenTable(store::kHistoryTable, &table_);
  }
  // A file holding a value that is no number still opens: what reads the draws says so.
  if (s.ok()) {
    if (Status r = ReadDraws(); !r.ok()) LogWarning(r.ToString());
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
  if (Status s = ReadDraws(); !s.ok()) return s;
  // The memory the appends continue from follows the file, not what this session appended.
  memory_ = store::PrecedingMemory{};
  const search::HistoryDraws& d = draws();
  if (d.size() >= 1) memory_.last = d.values[d.size() - 1];
  if (d.size() >= 2) memory_.second_last = d.values[d.size() - 2];
  return Status::Ok();
}

Status HistorySession::Changed(Status command) {
  if (!db_) return command;
  // Another program's commit in between is read along with this one's.
  data_version_ = db_->DataVersion();
  // The command's own outcome stands; what cannot be read is told by what reads the draws.
  if (Status s = ReadDraws(); !s.ok()) LogWarning(s.ToString());
  return command;
}

Status HistorySession::HistoryRows(std::vector<HistoryGridRow>* rows) {
  rows->clear();
  if (!db_) return Status::IoError("no history database is open");
  std::unique_ptr<Recordset> numbers;
  if (Status s = db_->OpenSnapshot(store::DrawNumbersQuery(), &numbers); !s.ok()) return s;
  *rows = ReadHistoryGridRows(*numbers);
  return Status::Ok();
}

std::int64_t HistorySession::NewestIssue() {
  const search::HistoryDraws& d = draws();
  return d.size() == 0 ? 0 : d.issues.back();
}

Status HistorySession::DefaultStartIssue(int distance, std::int64_t* start) {
  const search::HistoryDraws& d = draws();
  if (d.size() == 0 || d.issues.front() == 0) return Status::NotFound("the history is empty");
  *start = d.issues.front() + distance;
  return Status::Ok();
}

Status HistorySession::DrawsInRange(std::int64_t start, std::int64_t end, std::int64_t* count) {
  *count = 0;
  const std::vector<std::int32_t>& issues = draws().issues;
  *count = start > end ? 0
                       : std::upper_bound(issues.begin(), issues.end(), end) -
                             std::lower_bound(issues.begin(), issues.end(), start);
  return Status::Ok();
}

Status HistorySession::ReadProposedIssue(std::int64_t* newest) {
  *newest = 0;
  const search::HistoryDraws& d = draws();
  if (d.size() == 0) return Status::NotFound("the history is empty");
  proposed_issue_ = static_cast<std::int32_t>(d.newest_proposed);
  *newest = d.issues.back();
  return Status::Ok();
}

std::int64_t HistorySession::PatternRecordIndex(search::Basis basis, int look_back) const {
  const auto size = static_cast<std::int64_t>(draws().size());
  const std::int64_t back = basis == search::Basis::kEarlier ? std::max(look_back - 1, 0) : 0;
  return size - 1 - back;
}

Status HistorySession::PatternRecord(search::Basis basis, int look_back, store::Kind kind,
                                     PatternValues* values) {
  const std::int64_t at = PatternRecordIndex(basis, look_back);
  if (at < 0) return Status::NotFound("the history has no pattern record");
  const store::DrawValues& record = draws().values[static_cast<std::size_t>(at)];
  for (int i = 1; i <= 7; ++i) (*values)[i] = record[i][kind];
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
  // The lists of the draw before come from the newest stored draw.
  std::optional<store::DrawLists> before;
  if (draws().size() > 0) before = store::ListsOf(draws().values.back());
  Status s;
  {
    Database::Transaction transaction(*db_);
    s = transaction.status();
    if (s.ok()) {
      s = acquire::AppendNumbers(*table_, AppendingContext(ds_ini), issue, numbers, before,
                                 std::nullopt, nullptr);
    }
    if (s.ok()) s = transaction.Commit();
  }
  return Changed(s);
}

Status HistorySession::Import(const std::vector<acquire::ParsedDraw>& draws, int ds_ini) {
  if (!db_ || !table_) return Status::IoError("no history database is open");
  return Changed(acquire::ReplaceHistory(*db_, *table_, AppendingContext(ds_ini), draws,
                                         acquire::EarlierLists::kUnset));
}

Status HistorySession::StoredDraws(std::vector<acquire::ParsedDraw>* draws) {
  if (!db_) return Status::IoError("no history database is open");
  std::unique_ptr<Recordset> rows;
  Status s = db_->OpenSnapshot(store::DrawNumbersQuery(), &rows);
  if (s.ok()) s = acquire::CollectDrawsUpTo(*rows, INT64_MAX, draws);
  return s;
}

Status HistorySession::WriteScratchFile(const std::vector<acquire::ParsedDraw>& draws) {
  return acquire::WriteScratchFile(store::ProgramFile(program_folder_, acquire::kScratchFileName),
                                   draws);
}

Status HistorySession::RebuildFromScratchFile(int ds_ini) {
  if (!db_ || !table_) return Status::IoError("no history database is open");
  std::vector<std::string> lines;
  Status s = acquire::ReadTextLines(store::ProgramFile(program_folder_, acquire::kScratchFileName),
                                    &lines);
  if (!s.ok()) return s;
  const acquire::ParsedLines parsed = acquire::ParseDrawLines(lines, proposed_issue_);
  return Changed(acquire::ReplaceHistory(*db_, *table_, AppendingContext(ds_ini), parsed.draws,
                                         acquire::EarlierLists::kTwoBefore));
}

Status HistorySession::DeleteNewest() {
  if (!db_) return Status::IoError("no history database is open");
  std::unique_ptr<Recordset> rows;
  Status s = db_->OpenUpdatable(store::kHistoryQuery, &rows);
  if (s.ok() && rows->MoveLast().ok()) s = rows->Delete();
  return Changed(s);
}

Status HistorySession::Clear() {
  if (!db_ || !table_) return Status::IoError("no history database is open");
  Status s;
  {
    Database::Transaction transaction(*db_);
    s = transaction.status();
    if (s.ok()) s = store::DeleteAll(*table_);
    if (s.ok()) s = transaction.Commit();
  }
  return Changed(s);
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
  return Changed(
      acquire::RunOnlineUpdate(*db_, *table_, AppendingContext(ds_ini), sources, request, result));
}

Status HistorySession::RunPositionSearch(const search::SearchCriteria& criteria,
                                         search::SearchResult* result) {
  return RunSearch(criteria, search::SearchType::kPosition, result);
}

Status HistorySession::RunCombinationSearch(const search::SearchCriteria& criteria,
                                            search::SearchResult* result) {
  return RunSearch(criteria, search::SearchType::kCombination, result);
}

Status HistorySession::RunSearch(const search::SearchCriteria& criteria, search::SearchType type,
                                 search::SearchResult* result) {
  if (!db_) return Status::IoError("no history database is open");
  // The marks are written by row, so the draws must be the file's as it is while they are written:
  // once the transaction has begun no other program can commit, and what one committed before is
  // read first.
  Database::Transaction transaction(*db_);
  if (!transaction.status().ok()) return transaction.status();
  ChangedElsewhere();
  if (!draws_status_.ok()) return draws_status_;
  search::SearchResult found;
  if (Status s = search::RunSearch(*db_, *evaluator_, criteria, type, &found); !s.ok()) return s;
  if (Status s = transaction.Commit(); !s.ok()) return s;
  *result = std::move(found);
  return Status::Ok();
}

}  // namespace brivo
