#include "search/family_backtest.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <numeric>
#include <thread>

namespace brivo::search {
namespace {

constexpr double kAlpha = 0.05;
constexpr auto kProgressEvery = std::chrono::milliseconds(50);

// z and the two-sided p of one setting; no evidence (0 and 1) without a spread to measure by.
void TestAgainstChance(FamilyRow* row) {
  const BacktestSummary& s = row->summary;
  if (s.targets < 2 || s.deviation < kNoSpreadBelow) return;
  row->z = s.mean_difference / (s.deviation / std::sqrt(static_cast<double>(s.targets)));
  row->p = TwoSidedP(row->z);
}

}  // namespace

std::vector<SearchCriteria> FamilySettings(const SearchCriteria& base) {
  std::vector<SearchCriteria> family;
  for (store::Kind search_kind : store::kKinds) {
    for (store::Kind result_kind : store::kKinds) {
      for (bool free_mode : {false, true}) {
        for (int back = 1; back <= 3; ++back) {
          for (ResultScope scope :
               {ResultScope::kRedAndBlue, ResultScope::kRed, ResultScope::kBlue}) {
            SearchCriteria c = base;
            c.search_kind = search_kind;
            c.result_kind = result_kind;
            c.free_mode = free_mode;
            c.basis = back == 1 ? Basis::kPreceding : Basis::kEarlier;
            c.look_back = back == 1 ? base.look_back : back;
            c.result_scope = scope;
            family.push_back(c);
          }
        }
      }
    }
  }
  return family;
}

double TwoSidedP(double z) { return std::erfc(std::fabs(z) / std::sqrt(2.0)); }

std::vector<double> HolmAdjust(const std::vector<double>& p) {
  std::vector<std::size_t> order(p.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&p](std::size_t a, std::size_t b) { return p[a] < p[b]; });
  std::vector<double> adjusted(p.size());
  double running = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const double scaled = p[order[i]] * static_cast<double>(order.size() - i);
    running = std::min(1.0, std::max(running, scaled));
    adjusted[order[i]] = running;
  }
  return adjusted;
}

FamilyResult RunFamilyBacktest(const HistoryDraws& draws, const store::ZodiacTables& zodiac,
                               const std::vector<SearchCriteria>& family, SearchType type,
                               int top_k, unsigned threads, const FamilyProgress& progress) {
  std::vector<FamilyRow> rows(family.size());
  std::vector<char> finished(family.size(), 0);
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  std::atomic<bool> stop{false};

  auto run = [&](std::size_t i, Evaluator& evaluator, ChanceModel& chance) {
    const BacktestResult r = RunBacktest(evaluator, family[i], type, top_k, chance, nullptr);
    rows[i].index = i;
    rows[i].setting = family[i];
    rows[i].summary = r.summary;
    TestAgainstChance(&rows[i]);
    finished[i] = 1;
    ++done;
  };
  const NumberCoding coding =
      family.empty() ? NumberCoding{} : NumberCoding{family[0].sx_ini, family[0].ds_ini};
  if (threads == 0) {
    Evaluator evaluator(draws);
    ChanceModel chance(zodiac, coding);
    for (std::size_t i = 0; i < family.size(); ++i) {
      run(i, evaluator, chance);
      if (progress && !progress(i + 1, family.size())) break;
    }
  } else {
    // Each worker takes the next setting until none is left or a stop is asked; a setting begun
    // is finished, so every row kept is whole.
    auto work = [&] {
      Evaluator evaluator(draws);
      ChanceModel chance(zodiac, coding);
      for (std::size_t i = next++; i < family.size() && !stop; i = next++) {
        run(i, evaluator, chance);
      }
    };
    std::vector<std::thread> workers;
    for (unsigned w = 0; w < std::min(threads, 64u); ++w) workers.emplace_back(work);
    // Told at once, then every so often until the last setting is done.
    while (true) {
      if (progress && !progress(done, family.size())) stop = true;
      if (stop || done == family.size()) break;
      std::this_thread::sleep_for(kProgressEvery);
    }
    for (std::thread& worker : workers) worker.join();
  }

  FamilyResult result;
  result.family_size = family.size();
  for (std::size_t i = 0; i < family.size(); ++i) {
    if (finished[i]) result.rows.push_back(std::move(rows[i]));
  }
  result.cancelled = result.rows.size() < family.size();
  std::vector<double> p;
  for (const FamilyRow& row : result.rows) p.push_back(row.p);
  const std::vector<double> adjusted = HolmAdjust(p);
  for (std::size_t i = 0; i < result.rows.size(); ++i) {
    FamilyRow& row = result.rows[i];
    row.adjusted_p = adjusted[i];
    // Too few targets, or no spread: the single back-test's own answer stands.
    row.verdict = row.summary.verdict;
    if (row.verdict == Verdict::kTooFew || row.verdict == Verdict::kNoSpread) continue;
    row.verdict = Verdict::kNoDifference;
    if (row.adjusted_p < kAlpha && row.summary.mean_difference > 0) row.verdict = Verdict::kAbove;
    if (row.adjusted_p < kAlpha && row.summary.mean_difference < 0) row.verdict = Verdict::kBelow;
  }
  return result;
}

}  // namespace brivo::search
