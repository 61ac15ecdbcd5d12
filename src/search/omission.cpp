#include "search/omission.h"

#include <algorithm>
#include <map>

#include "search/kind_ranges.h"

namespace brivo::search {
namespace {

// The runs of one value over the draws, oldest first.
void FillGaps(const std::vector<std::size_t>& held_at, int n, OmissionRow* row) {
  row->appearances = static_cast<int>(held_at.size());
  row->mean_gap = (n - row->appearances) / static_cast<double>(row->appearances + 1);
  if (held_at.empty()) {
    row->current_gap = n;
    row->longest_gap = n;
    return;
  }
  const auto newest = static_cast<int>(held_at.back());
  row->current_gap = n - 1 - newest;
  const int before = held_at.size() > 1 ? static_cast<int>(held_at[held_at.size() - 2]) : -1;
  row->last_gap = newest - before - 1;
  int longest = std::max(static_cast<int>(held_at.front()), row->current_gap);
  for (std::size_t i = 1; i < held_at.size(); ++i) {
    longest = std::max(longest, static_cast<int>(held_at[i] - held_at[i - 1]) - 1);
  }
  row->longest_gap = longest;
}

double Key(const OmissionRow& row, OmissionColumn column) {
  switch (column) {
    case OmissionColumn::kValue:
      return -row.value;
    case OmissionColumn::kAppearances:
      return row.appearances;
    case OmissionColumn::kExpected:
      return row.expected;
    case OmissionColumn::kDeviation:
      return row.deviation;
    case OmissionColumn::kCurrentGap:
      return row.current_gap;
    case OmissionColumn::kLastGap:
      return row.last_gap ? *row.last_gap : -1;
    case OmissionColumn::kLongestGap:
      return row.longest_gap;
    case OmissionColumn::kMeanGap:
      return row.mean_gap;
  }
  return 0;
}

}  // namespace

bool HoldsValue(const store::DrawValues& draw, store::Kind kind, ResultScope scope, int v) {
  const PositionSpan span = PositionsOf(scope);
  for (int p = span.first; p <= span.last; ++p) {
    if (draw[p][kind] == v) return true;
  }
  return false;
}

std::vector<OmissionRow> OmissionTable(const HistoryDraws& range, store::Kind kind,
                                       ResultScope scope, ChanceModel& chance) {
  const NumberCoding& coding = chance.coding();
  const ValueRange values =
      WrittenRange(kind, scope == ResultScope::kBlue, coding.sx_ini, coding.ds_ini);
  std::map<int, int> draws_per_year;
  for (std::int32_t issue : range.issues)
    ++draws_per_year[store::ZodiacTables::ZodiacYearOf(issue)];
  const int n = static_cast<int>(range.size());
  std::vector<OmissionRow> rows;
  for (int v = values.low; v <= values.high; ++v) {
    OmissionRow row;
    row.value = v;
    std::vector<std::size_t> held_at;
    for (std::size_t i = 0; i < range.size(); ++i) {
      if (HoldsValue(range.values[i], kind, scope, v)) held_at.push_back(i);
    }
    FillGaps(held_at, n, &row);
    for (const auto& [year, count] : draws_per_year) {
      row.expected += count * chance.Probability(year, kind, scope, v);
    }
    row.deviation = row.appearances - row.expected;
    rows.push_back(row);
  }
  SortOmissionRows(&rows, OmissionColumn::kCurrentGap);
  return rows;
}

void SortOmissionRows(std::vector<OmissionRow>* rows, OmissionColumn column) {
  std::stable_sort(rows->begin(), rows->end(),
                   [column](const OmissionRow& a, const OmissionRow& b) {
                     const double ka = Key(a, column), kb = Key(b, column);
                     if (ka != kb) return ka > kb;
                     return a.value < b.value;
                   });
}

}  // namespace brivo::search
