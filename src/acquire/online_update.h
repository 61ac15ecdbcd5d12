#pragma once

#include <functional>
#include <string>

#include "acquire/appender.h"
#include "acquire/draw_source.h"
#include "platform/database.h"

// Bringing the history up to date from a draw source, one year at a time.
namespace brivo::acquire {

struct OnlineUpdateRequest {
  int current_year = 0;
  int kept_years = 6;  // a history reaching back further is fetched again from scratch
  // Called before each year's page, with the first and last year of the run.
  std::function<void(int year, int first_year, int last_year)> progress;
};

struct OnlineUpdateResult {
  int appended = 0;
  bool history_deleted = false;
  int failed_year = 0;  // the year whose draws could not be had
};

inline constexpr int kUpdateRestarts = 3;

// The whole update as one transaction: deletes a history older than the kept years, then for
// each year from the start year to the current one appends the draws newer than the newest
// stored one, each through the shared append sequence with the lists of the draw before it.
// When a year cannot be fetched the update starts over from the start year, at most
// kUpdateRestarts times; then it fails, nothing of it is kept (the memory included) and
// result->failed_year names the year.
Status RunOnlineUpdate(Database& db, Recordset& table, const AppendContext& context,
                       DrawSource& source, const OnlineUpdateRequest& request,
                       OnlineUpdateResult* result);

}  // namespace brivo::acquire
