#include "search/ranking.h"

#include "search/kind_ranges.h"
#include "search/matching.h"
#include "store/attributes.h"
#include "store/draw_record.h"
#include "store/history_db.h"
#include "store/history_ops.h"

namespace brivo::search {

namespace {

// Reads every matched draw of the set (oldest first) with its values of the result kind and the
// list of its pattern-side draw, and tallies those values at the positions of the result scope.
// *counts gets a count for each value of the tally range (index: value - TallyRange low).
Status ReadAndTally(Recordset& matched, const SearchCriteria& c, std::vector<MatchedDraw>* draws,
                    std::vector<std::int64_t>* counts, std::int64_t* total) {
  const ValueRange tallied = TallyRange(c.result_kind);
  counts->assign(static_cast<std::size_t>(tallied.high - tallied.low + 1), 0);
  draws->clear();
  const PositionSpan span = PositionsOf(c.result_scope);
  const std::string list_column(c.basis == Basis::kEarlier ? store::kPlainPreList
                                                           : store::kPlainList);
  if (matched.MoveFirst().ok()) {
    for (; !matched.IsEof(); matched.MoveNext()) {
      MatchedDraw draw;
      if (Status s = matched.GetInt("SQQH", &draw.issue); !s.ok()) return s;
      for (int i = 1; i <= 7; ++i) {
        std::int64_t v = 0;
        if (Status s = matched.GetInt(store::ColumnName(i, c.result_kind, store::kOwn), &v);
            !s.ok()) {
          return s;
        }
        draw.values[i] = v;
        if (i >= span.first && i <= span.last && tallied.Contains(static_cast<int>(v))) {
          ++(*counts)[static_cast<std::size_t>(v - tallied.low)];
        }
      }
      matched.GetText(list_column, &draw.pattern_side_list);
      draws->push_back(std::move(draw));
    }
  }
  const std::int64_t per_draw = c.result_scope == ResultScope::kRedAndBlue ? 7
                                : c.result_scope == ResultScope::kRed      ? 6
                                                                           : 1;
  *total = static_cast<std::int64_t>(draws->size()) * per_draw;
  return Status::Ok();
}

// Empties Carcu through a table recordset and appends one row per value of the written range.
Status RewriteTally(Database& db, const SearchCriteria& c,
                    const std::vector<std::int64_t>& counts) {
  std::unique_ptr<Recordset> carcu;
  if (Status s = db.OpenTable(store::kTallyTable, &carcu); !s.ok()) return s;
  if (Status s = store::DeleteAll(*carcu); !s.ok()) return s;
  const ValueRange tallied = TallyRange(c.result_kind);
  const ValueRange written =
      WrittenRange(c.result_kind, c.result_scope == ResultScope::kBlue, c.sx_ini, c.ds_ini);
  for (int v = written.low; v <= written.high; ++v) {
    const std::int64_t count =
        tallied.Contains(v) ? counts[static_cast<std::size_t>(v - tallied.low)] : 0;
    if (Status s = carcu->AddNew(); !s.ok()) return s;
    if (Status s = carcu->SetField("Nmb", std::int64_t{v}); !s.ok()) return s;
    if (Status s = carcu->SetField("Count", count); !s.ok()) return s;
    if (Status s = carcu->Update(); !s.ok()) return s;
  }
  return Status::Ok();
}

// The ranked rows of Carcu.
Status ReadRanking(Database& db, std::vector<RankedValue>* out) {
  std::unique_ptr<Recordset> ranked;
  if (Status s = db.OpenSnapshot(kRankingQuery, &ranked); !s.ok()) return s;
  out->clear();
  for (; !ranked->IsEof(); ranked->MoveNext()) {
    RankedValue row;
    if (Status s = ranked->GetInt("Nmb", &row.value); !s.ok()) return s;
    if (Status s = ranked->GetInt("Count", &row.count); !s.ok()) return s;
    out->push_back(row);
  }
  return Status::Ok();
}

}  // namespace

std::string Percentage(std::int64_t count, std::int64_t total) {
  if (total <= 0) return "";
  // Thousandths of a percent, rounded half away from zero on the exact quotient.
  const std::int64_t scaled = count * 100000;
  const std::int64_t magnitude = ((scaled < 0 ? -scaled : scaled) * 2 + total) / (2 * total);
  const std::string digits = std::to_string(magnitude / 1000);
  std::string fraction = std::to_string(magnitude % 1000);
  fraction.insert(fraction.begin(), 3 - fraction.size(), '0');
  return (scaled < 0 && magnitude != 0 ? "-" : "") + digits + "." + fraction + "%";
}

Status TallyAndRank(Database& db, const SearchCriteria& c, const std::string& condition,
                    SearchResult* result) {
  std::unique_ptr<Recordset> matched;
  const std::string query = RangeQuery(c.start_issue, c.end_issue, condition);
  if (Status s = db.OpenSnapshot(query, &matched); !s.ok()) return s;
  std::vector<std::int64_t> counts;
  if (Status s = ReadAndTally(*matched, c, &result->matched, &counts, &result->total); !s.ok()) {
    return s;
  }
  if (Status s = RewriteTally(db, c, counts); !s.ok()) return s;
  return ReadRanking(db, &result->ranking);
}

}  // namespace brivo::search
