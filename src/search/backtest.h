#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "search/chance.h"
#include "search/evaluator.h"

// The walk-forward back-test (回测检验) of a search: for each draw of the range, the ranking the
// search would have given the day before, checked against the draw and against chance.
namespace brivo::search {

struct BacktestRow {
  std::int32_t issue = 0;         // 期号: the target draw
  std::vector<std::int64_t> top;  // 前K名: the first K values of the ranking
  int hits = 0;                   // 命中: how many of them the target draw holds
  double chance = 0;              // 随机期望: how many a draw owing nothing to the past would
  std::size_t matched = 0;        // 匹配期数: the matched draws the ranking came from
};

// Fewer targets than this say nothing either way: the interval rests on the differences being
// roughly normal, which a handful of 0/1 hits are not.
inline constexpr std::size_t kMinVerdictTargets = 30;
// A standard deviation of the differences below this is the rounding of equal differences.
inline constexpr double kNoSpreadBelow = 1e-9;

// kTooFew: fewer than kMinVerdictTargets targets; kNoSpread: every difference the same, so the
// interval has no width and excludes 0 without any evidence.
enum class Verdict { kAbove, kBelow, kNoDifference, kTooFew, kNoSpread };
// "显著高于随机", "显著低于随机", "与随机没有显著差别", "检验期数不足30期，不作判断",
// "差值没有波动，不作判断".
std::string VerdictText(Verdict verdict);

struct BacktestSummary {
  std::size_t targets = 0;    // T
  std::size_t unmatched = 0;  // targets whose search matched no draw (counted in T)
  double mean_hits = 0;
  double mean_chance = 0;
  double mean_difference = 0;  // d̄, the mean of hits - chance
  double deviation = 0;        // s, their sample standard deviation; 0 when T < 2
  double low = 0;              // d̄ - 1.96 s / √T
  double high = 0;             // d̄ + 1.96 s / √T; both d̄ when T < 2
  // Above or below when the interval excludes 0, given enough targets and a spread.
  Verdict verdict = Verdict::kTooFew;
};
BacktestSummary Summarize(const std::vector<BacktestRow>& rows);

struct BacktestResult {
  std::vector<BacktestRow> rows;
  BacktestSummary summary;
  bool cancelled = false;  // the rows are those done before the cancel
};

// Told after each target (done of total); returns false to stop.
using BacktestProgress = std::function<bool(std::size_t done, std::size_t total)>;

// Every draw t of the criteria's issue range whose pattern-side draw exists is a target: the
// pattern is taken from the draw n before it (n = 1 on the previous-draw basis) as the automatic
// tab takes it, the search's matched draws are those of the range before t, and the first
// `top_k` values of their ranking are checked against draw t at the result scope's positions.
BacktestResult RunBacktest(Evaluator& evaluator, const SearchCriteria& criteria, SearchType type,
                           int top_k, ChanceModel& chance, const BacktestProgress& progress);

}  // namespace brivo::search
