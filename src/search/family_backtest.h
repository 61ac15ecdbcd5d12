#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "search/backtest.h"

// The walk-forward back-test of every setting of a search's family at once (全部设置回测), with
// each setting's z and p and the p values adjusted for the whole family (Holm), so that the
// settings chance alone lets through a 5% test are not taken for patterns.
namespace brivo::search {

// The family of a search: every search kind × result kind (6 × 6), 固定位 and 自由位, the draw
// before, 2 before and 3 before, 红蓝, 红球 and 蓝球 (648 settings), each keeping the rest of
// `base` (issue range, positions, pool, offsets, 自由位计蓝球). In a fixed order: the search kind
// varies slowest, the result scope fastest.
std::vector<SearchCriteria> FamilySettings(const SearchCriteria& base);

// One setting's back-test, tested against chance.
struct FamilyRow {
  std::size_t index = 0;  // the setting's place in the family, from 0
  SearchCriteria setting;
  BacktestSummary summary;  // T, h̄, c̄, d̄ and its 95% interval
  double z = 0;             // d̄ / (s / √T); 0 where s is 0 or T < 2
  double p = 1;             // two-sided: erfc(|z| / √2)
  double adjusted_p = 1;    // Holm's adjustment over the settings tested
  // On the adjusted p; the single back-test's kTooFew or kNoSpread where it gave one.
  Verdict verdict = Verdict::kNoDifference;
};

struct FamilyResult {
  std::vector<FamilyRow> rows;  // the settings tested, in family order
  std::size_t family_size = 0;  // how many the family has
  bool cancelled = false;       // rows then holds those finished before the cancel
};

// Told now and then (settings done of total) on the calling thread; returns false to stop.
using FamilyProgress = std::function<bool(std::size_t done, std::size_t total)>;

// Back-tests each setting (a family, such as FamilySettings gives) as RunBacktest does, on
// `threads` threads of its own, each with its own evaluator and chance model; the calling thread
// only waits and reports progress, so a window calling it keeps answering from `progress`. With
// no threads it runs on the calling thread, reporting after each setting. The p values are
// adjusted over the settings tested. REQUIRES: the settings share their offsets.
FamilyResult RunFamilyBacktest(const HistoryDraws& draws, const store::ZodiacTables& zodiac,
                               const std::vector<SearchCriteria>& family, SearchType type,
                               int top_k, unsigned threads, const FamilyProgress& progress);

// The two-sided p of a standard normal z: erfc(|z| / √2).
double TwoSidedP(double z);
// Holm's step-down adjustment: sorted ascending, p(i) · (m − i + 1) for i = 1..m, made
// non-decreasing by a running maximum and capped at 1; returned in the input's order.
std::vector<double> HolmAdjust(const std::vector<double>& p);

}  // namespace brivo::search
