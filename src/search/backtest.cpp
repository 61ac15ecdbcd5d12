#include "search/backtest.h"

#include <cmath>

#include "search/omission.h"

namespace brivo::search {
namespace {

BacktestRow CheckTarget(Evaluator& evaluator, SearchCriteria c, SearchType type, std::size_t t,
                        std::size_t n, int top_k, ChanceModel& chance) {
  const HistoryDraws& draws = evaluator.draws();
  for (int p = 1; p <= 7; ++p) c.pattern[p] = draws.values[t - n][p][c.search_kind];
  DrawSet matched = evaluator.Match(c, type);
  matched.KeepBelow(t);
  const std::vector<RankedValue> ranking = RankTally(evaluator.Tallied(matched, c), c);
  BacktestRow row;
  row.issue = draws.issues[t];
  row.matched = matched.Count();
  const int year = store::ZodiacTables::ZodiacYearOf(row.issue);
  for (std::size_t r = 0; r < ranking.size() && r < static_cast<std::size_t>(top_k); ++r) {
    const int v = static_cast<int>(ranking[r].value);
    row.top.push_back(v);
    row.hits += HoldsValue(draws.values[t], c.result_kind, c.result_scope, v) ? 1 : 0;
    row.chance += chance.Probability(year, c.result_kind, c.result_scope, v);
  }
  return row;
}

}  // namespace

std::string VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::kAbove:
      return "显著高于随机";
    case Verdict::kBelow:
      return "显著低于随机";
    case Verdict::kTooFew:
      return "检验期数不足30期，不作判断";
    case Verdict::kNoSpread:
      return "差值没有波动，不作判断";
    case Verdict::kNoDifference:
      break;
  }
  return "与随机没有显著差别";
}

BacktestSummary Summarize(const std::vector<BacktestRow>& rows) {
  BacktestSummary s;
  s.targets = rows.size();
  if (rows.empty()) return s;
  const auto t = static_cast<double>(rows.size());
  for (const BacktestRow& row : rows) {
    s.mean_hits += row.hits / t;
    s.mean_chance += row.chance / t;
    if (row.matched == 0) ++s.unmatched;
  }
  s.mean_difference = s.mean_hits - s.mean_chance;
  s.low = s.high = s.mean_difference;
  if (rows.size() < 2) return s;
  double squares = 0;
  for (const BacktestRow& row : rows) {
    const double d = row.hits - row.chance - s.mean_difference;
    squares += d * d;
  }
  s.deviation = std::sqrt(squares / (t - 1));
  const double half = 1.96 * s.deviation / std::sqrt(t);
  s.low = s.mean_difference - half;
  s.high = s.mean_difference + half;
  if (rows.size() < kMinVerdictTargets) return s;
  if (s.deviation < kNoSpreadBelow) {
    s.verdict = Verdict::kNoSpread;
    return s;
  }
  s.verdict = Verdict::kNoDifference;
  if (s.low > 0) s.verdict = Verdict::kAbove;
  if (s.high < 0) s.verdict = Verdict::kBelow;
  return s;
}

BacktestResult RunBacktest(Evaluator& evaluator, const SearchCriteria& criteria, SearchType type,
                           int top_k, ChanceModel& chance, const BacktestProgress& progress) {
  const HistoryDraws& draws = evaluator.draws();
  const auto n =
      static_cast<std::size_t>(criteria.basis == Basis::kEarlier ? criteria.Distance() : 1);
  std::vector<std::size_t> targets;
  for (std::size_t t = n; t < draws.size(); ++t) {
    if (draws.issues[t] >= criteria.start_issue && draws.issues[t] <= criteria.end_issue) {
      targets.push_back(t);
    }
  }
  BacktestResult result;
  for (std::size_t done = 0; done < targets.size(); ++done) {
    result.rows.push_back(CheckTarget(evaluator, criteria, type, targets[done], n, top_k, chance));
    if (progress && !progress(done + 1, targets.size()) && done + 1 < targets.size()) {
      result.cancelled = true;
      break;
    }
  }
  result.summary = Summarize(result.rows);
  return result;
}

}  // namespace brivo::search
