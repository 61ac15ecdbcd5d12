#include "acquire/online_update.h"

#include "platform/base/log.h"
#include "store/history_db.h"
#include "store/history_ops.h"

namespace brivo::acquire {
namespace {

struct Newest {
  std::int64_t issue = 0;  // 0 for an empty history
  store::DrawLists lists;  // of that draw; empty texts for an empty history
};

Status ReadNewest(Database& db, Newest* out) {
  std::unique_ptr<Recordset> snapshot;
  if (Status s = db.OpenSnapshot(
          "SELECT * FROM lishi WHERE SQQH = (SELECT MAX(SQQH) FROM lishi) ORDER BY SQQH",
          &snapshot);
      !s.ok()) {
    return s;
  }
  *out = Newest{};
  if (Status s = store::ReadNewestIssue(*snapshot, &out->issue); !s.ok() || out->issue == 0) {
    return s;
  }
  store::DrawValues values{};
  if (Status s = store::ReadOwnValues(*snapshot, &values); !s.ok()) return s;
  out->lists = store::ListsOf(values);
  return Status::Ok();
}

// Why a source's answer could not be used, for the user: a page that could not be fetched, or
// one that is not the source's format.
std::string AnswerReason(const Status& s) {
  if (s.code() == Status::Code::kIoError) return "无法取得数据（网络不通、没有回应或服务器出错）";
  if (s.code() == Status::Code::kInvalidArgument) return "返回的不是开奖数据";
  return "无法取得数据";
}

// The source's draws of the year after issue `after`, in *fresh: they must run after + 1,
// after + 2, ... and each be a valid draw. On failure *reason says why for the user.
Status NewDraws(int year, std::int32_t after, const std::vector<SourcedDraw>& draws,
                std::vector<SourcedDraw>* fresh, std::string* reason) {
  fresh->clear();
  for (const SourcedDraw& draw : draws) {
    const std::string issue = std::to_string(draw.issue);
    if (draw.issue / 1000 != year) {
      *reason = "返回的第" + issue + "期不是" + std::to_string(year) + "年的";
      return Status::InvalidArgument("issue " + issue + " is not of " + std::to_string(year));
    }
    if (draw.issue <= after) continue;
    const auto expected = static_cast<std::int32_t>(after + 1 + fresh->size());
    if (draw.issue != expected) {
      *reason = "缺少第" + std::to_string(expected) + "期";
      return Status::InvalidArgument("issue " + std::to_string(expected) + " is missing (" + issue +
                                     " follows)");
    }
    if (!IsValidDraw(draw.numbers)) {
      *reason = "第" + issue + "期的号码不是六个不同的01～33红球加一个01～16蓝球";
      return Status::InvalidArgument("issue " + issue +
                                     " has no six distinct red numbers 1..33 and a blue 1..16");
    }
    fresh->push_back(draw);
  }
  return Status::Ok();
}

// What the sources made of a year.
enum class YearOutcome {
  kComplete,    // a source gave the whole year
  kAllEndHere,  // every source's draws end inside the year
  kFailed,
};

// Asks the sources in order for the year's draws after issue `after`. *fresh gets the draws of
// the source that gave the whole year, else the longest run a source ending inside the year gave
// (nothing when the user cancelled); result->failures says why each source failed.
YearOutcome AskSources(const std::vector<DrawSource*>& sources, const OnlineUpdateRequest& request,
                       int year, std::int32_t after, int start_year,
                       std::vector<SourcedDraw>* fresh, OnlineUpdateResult* result) {
  fresh->clear();
  result->failures.clear();
  const bool past = year < request.current_year;
  bool all_end_here = !sources.empty();
  for (DrawSource* source : sources) {
    if (request.progress) request.progress(*source, year, start_year, request.current_year);
    std::vector<SourcedDraw> draws, candidate;
    Status s = source->YearDraws(year, after + 1, &draws);
    if (request.cancelled && request.cancelled()) {
      result->cancelled = true;
      fresh->clear();
      return YearOutcome::kFailed;
    }
    std::string reason = s.ok() ? std::string() : AnswerReason(s);
    if (s.ok()) s = NewDraws(year, after, draws, &candidate, &reason);
    const bool ends_here = s.ok() && past && source->NewestIssue() / 1000 == year;
    if (s.ok() && past && draws.empty()) {
      s = Status::NotFound("no draw of " + std::to_string(year));
      reason = "没有" + std::to_string(year) + "年的开奖号码";
    } else if (ends_here) {
      const std::string newest = std::to_string(source->NewestIssue());
      s = Status::NotFound("its draws end at " + newest);
      reason = "数据只到" + newest + "期";
      if (candidate.size() > fresh->size()) *fresh = candidate;
    } else if (s.ok()) {
      *fresh = candidate;
      return YearOutcome::kComplete;
    }
    all_end_here = all_end_here && ends_here;
    LogWarning("update source " + source->Name() + " (" + source->Base() + "), year " +
               std::to_string(year) + ": " + s.ToString());
    result->failures.push_back({source->Name(), source->Base(), reason, s.message()});
  }
  return all_end_here ? YearOutcome::kAllEndHere : YearOutcome::kFailed;
}

}  // namespace

Status DrawsOutsideKeptYears(Database& db, int current_year, int kept_years, int* draws) {
  *draws = 0;
  std::unique_ptr<Recordset> snapshot;
  if (Status s = db.OpenSnapshot("SELECT SQQH FROM lishi ORDER BY SQQH", &snapshot); !s.ok()) {
    return s;
  }
  std::int64_t oldest = 0;
  if (!store::ReadOldestIssue(*snapshot, &oldest).ok() || oldest == 0) return Status::Ok();
  if (current_year - oldest / 1000 <= kept_years) return Status::Ok();
  *draws = static_cast<int>(snapshot->RecordCount());
  return Status::Ok();
}

Status RunOnlineUpdate(Database& db, Recordset& table, const AppendContext& context,
                       const std::vector<DrawSource*>& sources, const OnlineUpdateRequest& request,
                       OnlineUpdateResult* result) {
  *result = OnlineUpdateResult{};
  const store::PrecedingMemory kept_memory = *context.memory;
  auto fail = [&](Status s) {
    *context.memory = kept_memory;
    result->appended = 0;
    result->history_deleted = false;
    return s;
  };
  Database::Transaction transaction(db);
  if (!transaction.status().ok()) return transaction.status();
  if (request.delete_old_history) {
    int doomed = 0;
    Status s = DrawsOutsideKeptYears(db, request.current_year, request.kept_years, &doomed);
    if (s.ok() && doomed > 0) s = store::DeleteAll(table);
    if (!s.ok()) return fail(s);
    result->history_deleted = doomed > 0;
  }
  Newest newest;
  if (Status s = ReadNewest(db, &newest); !s.ok()) return fail(s);
  // Every year from the newest stored one on, so that the history stays without a gap.
  const int start_year = newest.issue == 0 ? request.current_year - request.kept_years
                                           : static_cast<int>(newest.issue / 1000);
  auto last = static_cast<std::int32_t>(newest.issue);
  std::optional<store::DrawLists> before = newest.lists;
  for (int year = start_year; year <= request.current_year && result->stopped_at == 0; ++year) {
    const std::int32_t after = last / 1000 == year ? last : year * 1000;
    std::vector<SourcedDraw> fresh;
    const YearOutcome outcome =
        AskSources(sources, request, year, after, start_year, &fresh, result);
    for (const SourcedDraw& draw : fresh) {
      store::DrawValues values{};
      Status s =
          AppendNumbers(table, context, draw.issue, draw.numbers, before, std::nullopt, &values);
      if (!s.ok()) return fail(s);
      before = store::ListsOf(values);
      last = draw.issue;
      ++result->appended;
    }
    // Early in a year, before its first draw, every source still ends in the year before:
    // nothing is missing that anyone has.
    if (outcome == YearOutcome::kAllEndHere && year == request.current_year - 1) {
      result->failures.clear();
      break;
    }
    if (outcome != YearOutcome::kComplete) {
      result->stopped_at = last / 1000 == year ? last + 1 : year * 1000 + 1;
    }
  }
  if (result->stopped_at != 0 && result->appended == 0) {
    return fail(Status::IoError("no source had issue " + std::to_string(result->stopped_at)));
  }
  if (Status s = transaction.Commit(); !s.ok()) return fail(s);
  if (result->stopped_at != 0) {
    return Status::IoError("stopped at issue " + std::to_string(result->stopped_at));
  }
  return Status::Ok();
}

}  // namespace brivo::acquire
