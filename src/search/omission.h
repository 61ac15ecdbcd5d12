#pragma once

#include <optional>
#include <vector>

#include "search/chance.h"
#include "search/criteria.h"
#include "search/history_draws.h"

// The omission table (遗漏统计): for every value a kind can take at the scope's positions, how
// often the draws of a range held it, how often chance alone would have, and the runs of draws
// without it.
namespace brivo::search {

struct OmissionRow {
  int value = 0;
  int appearances = 0;   // 出现次数: draws holding the value
  double expected = 0;   // 理论次数: the sum of each draw's chance of holding it
  double deviation = 0;  // 理论偏差: appearances - expected
  int current_gap = 0;   // 当前遗漏: draws after the newest one holding it; N when none does
  std::optional<int> last_gap;  // 上次遗漏: draws between its two newest appearances, or before
                                // the first draw when it came once; none when it never came
  int longest_gap = 0;  // 最大遗漏: longest run without it, the leading and open ones too
  double mean_gap = 0;  // 平均遗漏: (N - appearances) / (appearances + 1)
};

enum class OmissionColumn {
  kValue,
  kAppearances,
  kExpected,
  kDeviation,
  kCurrentGap,
  kLastGap,
  kLongestGap,
  kMeanGap
};

// The rows for the N draws of `range` (oldest first), one per value of the kind's range at the
// scope's positions, sorted by current gap descending, then value. A draw
// holds a value when one of the scope's positions has it as its stored value of `kind`.
std::vector<OmissionRow> OmissionTable(const HistoryDraws& range, store::Kind kind,
                                       ResultScope scope, ChanceModel& chance);

// Sorts by one column: the value ascending, every other column descending, then by value; rows
// without a last gap come last.
void SortOmissionRows(std::vector<OmissionRow>* rows, OmissionColumn column);

// Whether the draw holds v of `kind` at one of the scope's positions.
bool HoldsValue(const store::DrawValues& draw, store::Kind kind, ResultScope scope, int v);

}  // namespace brivo::search
