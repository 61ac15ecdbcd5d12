#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "acquire/appender.h"
#include "acquire/draw_source.h"
#include "platform/db/database.h"

// Bringing the history up to date from draw sources, one year at a time.
namespace brivo::acquire {

struct OnlineUpdateRequest {
  int current_year = 0;
  int kept_years = 6;  // a history reaching back further is fetched again from scratch...
  bool delete_old_history = true;  // ...unless this is false: then the update only appends
  // Called before a source is asked for a year, with the first and last year of the run.
  std::function<void(const DrawSource& source, int year, int first_year, int last_year)> progress;
  // Asked after each source's answer; true stops the update there.
  std::function<bool()> cancelled;
};

// Why one source could not supply the year the update stopped at.
struct SourceFailure {
  std::string source;  // its name
  std::string base;    // its base address
  std::string reason;  // for the user, in Chinese
  std::string detail;  // the technical text, for the log
};

struct OnlineUpdateResult {
  int appended = 0;
  bool history_deleted = false;
  std::int32_t stopped_at = 0;          // the first issue the update could not get; 0 when none
  bool cancelled = false;               // it stopped because the user cancelled
  std::vector<SourceFailure> failures;  // per source tried for that year
};

// How many draws the kept-years rule would delete: the whole history when its oldest draw lies
// more than kept_years before the current year, else 0.
Status DrawsOutsideKeptYears(Database& db, int current_year, int kept_years, int* draws);

// The whole update as one transaction: deletes a history older than the kept years (when the
// request allows), then for each year from the newest stored draw's (or, for an empty history,
// the current year minus the kept years) to the current one asks the sources in order, and
// appends the first answer that passes: valid draws whose issues run on from the newest stored
// one without a gap, some draws for a year before the current one, and the source not ending
// inside that past year. When every source ends inside the year before the current one (a new
// year before its first draw) the update appends what they have and ends there without failing.
// Each draw goes through the shared append sequence under its source's issue, with the lists of the
// draw before it. When no source passes for a year (or the user cancels), the update stops there:
// the years appended before it are committed, together with the longest gap-free run a source gave
// of that year, and it fails (kIoError) with result->stopped_at and result->failures telling. When
// it stops with nothing appended, or a draw cannot be stored, nothing of it is kept (the memory
// included).
Status RunOnlineUpdate(Database& db, Recordset& table, const AppendContext& context,
                       const std::vector<DrawSource*>& sources, const OnlineUpdateRequest& request,
                       OnlineUpdateResult* result);

}  // namespace brivo::acquire
