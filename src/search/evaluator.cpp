#include "search/evaluator.h"

#include <algorithm>
#include <map>
#include <optional>

#include "search/combination_search.h"
#include "search/kind_ranges.h"

namespace brivo::search {
int SideDistance(const SearchCriteria& c) { return c.basis == Basis::kEarlier ? c.Distance() : 1; }

DrawSet Evaluator::Match(const SearchCriteria& c, SearchType type) {
  DrawSet matched =
      type == SearchType::kPosition ? Matching(PositionCounts(c)) : MatchCombinations(c);
  matched &= Range(c);
  return matched;
}

DrawSet Evaluator::Matching(const Counted& counted) const {
  DrawSet matched(draws_.size(), counted.reachable);
  if (counted.reachable) {
    for (const DrawSet* set : counted.sets) matched &= *set;
  }
  return matched;
}

Evaluator::Counted Evaluator::PositionCounts(const SearchCriteria& c) {
  const int n = SideDistance(c);
  Counted counted;
  const std::optional<ValueRange> range = OccurrenceRange(c.search_kind, c.sx_ini, c.ds_ini);
  std::map<int, int> occurrences;
  for (int i = 1; i <= 7; ++i) {
    if (!c.selected[i]) continue;
    const int v = c.pattern[i];
    if (!c.free_mode) {
      counted.sets.push_back(&sides_.SideEquals(c.search_kind, n, i, v));
      continue;
    }
    // A value without an occurrence counter gets no statement, yet its position is required.
    if (range && !range->Contains(v)) {
      counted.reachable = false;
      continue;
    }
    const int k = range ? ++occurrences[v] : 0;
    counted.sets.push_back(
        &sides_.SideHolds(c.search_kind, n, c.count_blue, MatchToken(c.search_kind, v, k)));
  }
  return counted;
}

Evaluator::Counted Evaluator::CombinationCounts(const SearchCriteria& c,
                                                const std::vector<int>& positions) {
  const int n = SideDistance(c);
  Counted counted;
  if (!c.free_mode) {
    for (int p : positions) {
      counted.sets.push_back(&sides_.SideEquals(c.search_kind, n, p, c.pattern[p]));
    }
    return counted;
  }
  // The combination search counts occurrences of numbers too, and tags them as the lists do.
  const std::optional<ValueRange> range = c.search_kind == store::Kind::kHm
                                              ? ValueRange{1, 33}
                                              : OccurrenceRange(c.search_kind, c.sx_ini, c.ds_ini);
  std::map<int, int> occurrences;
  for (int p : positions) ++occurrences[c.pattern[p]];
  for (int p : positions) {
    const int v = c.pattern[p];
    if (!range->Contains(v)) {
      counted.reachable = false;
      continue;
    }
    const int k = occurrences[v];
    const std::string token = c.search_kind == store::Kind::kHm
                                  ? std::to_string(k) + "X" + store::TwoDigits(v)
                                  : MatchToken(c.search_kind, v, k);
    counted.sets.push_back(&sides_.SideHolds(c.search_kind, n, c.count_blue, token));
  }
  return counted;
}

DrawSet Evaluator::MatchCombinations(const SearchCriteria& c) {
  DrawSet matched(draws_.size(), false);
  const int pool = c.red_pool_only ? 6 : 7;
  for (const std::vector<int>& positions : PositionCombinations(pool, c.combination_size)) {
    matched |= Matching(CombinationCounts(c, positions));
  }
  return matched;
}

const DrawSet& Evaluator::Range(const SearchCriteria& c) {
  if (range_.size() == draws_.size() && range_start_ == c.start_issue &&
      range_end_ == c.end_issue) {
    return range_;
  }
  range_ = DrawSet(draws_.size(), false);
  for (std::size_t i = 0; i < draws_.size(); ++i) {
    if (draws_.issues[i] >= c.start_issue && draws_.issues[i] <= c.end_issue) range_.Set(i);
  }
  range_start_ = c.start_issue;
  range_end_ = c.end_issue;
  return range_;
}

SearchResult Evaluator::Evaluate(const SearchCriteria& c, SearchType type) {
  const DrawSet matched = Match(c, type);
  SearchResult result;
  const auto n = static_cast<std::size_t>(SideDistance(c));
  matched.ForEach([&](std::size_t i) {
    MatchedDraw draw;
    draw.issue = draws_.issues[i];
    for (int p = 1; p <= 7; ++p) draw.values[p] = draws_.values[i][p][c.result_kind];
    if (i >= n) draw.pattern_side_list = store::PlainList(draws_.values[i - n]);
    if (i + 1 == n) draw.pattern_side_list = draws_.before_oldest.plain;
    result.matched.push_back(std::move(draw));
  });
  const Tally tally = Tallied(matched, c);
  result.ranking = RankTally(tally, c);
  result.total = tally.total;
  return result;
}

const std::vector<Evaluator::ValueLevel>& Evaluator::Levels(store::Kind kind, ResultScope scope) {
  auto [it, added] = levels_.try_emplace({kind, scope});
  if (!added) return it->second;
  const ValueRange tallied = TallyRange(kind);
  const PositionSpan span = PositionsOf(scope);
  std::map<std::pair<std::size_t, int>, DrawSet> levels;
  std::vector<int> times(static_cast<std::size_t>(tallied.high - tallied.low + 1));
  for (std::size_t i = 0; i < draws_.size(); ++i) {
    std::fill(times.begin(), times.end(), 0);
    for (int p = span.first; p <= span.last; ++p) {
      const int v = draws_.values[i][p][kind];
      if (!tallied.Contains(v)) continue;
      const auto index = static_cast<std::size_t>(v - tallied.low);
      auto [level, fresh] = levels.try_emplace({index, ++times[index]});
      if (fresh) level->second = DrawSet(draws_.size(), false);
      level->second.Set(i);
    }
  }
  for (auto& [key, set] : levels) it->second.push_back({key.first, key.second, std::move(set)});
  return it->second;
}

Tally Evaluator::Tallied(const DrawSet& matched, const SearchCriteria& c) {
  const ValueRange tallied = TallyRange(c.result_kind);
  const PositionSpan span = PositionsOf(c.result_scope);
  Tally tally;
  tally.counts.assign(static_cast<std::size_t>(tallied.high - tallied.low + 1), 0);
  for (const ValueLevel& level : Levels(c.result_kind, c.result_scope)) {
    tally.counts[level.index] += static_cast<std::int64_t>(matched.CountCommon(level.draws));
  }
  tally.total = static_cast<std::int64_t>(matched.Count()) * (span.last - span.first + 1);
  return tally;
}

std::vector<RankedValue> RankTally(const Tally& tally, const SearchCriteria& c) {
  const ValueRange tallied = TallyRange(c.result_kind);
  const ValueRange written =
      WrittenRange(c.result_kind, c.result_scope == ResultScope::kBlue, c.sx_ini, c.ds_ini);
  std::vector<RankedValue> ranking;
  for (int v = written.low; v <= written.high; ++v) {
    const std::int64_t count =
        tallied.Contains(v) ? tally.counts[static_cast<std::size_t>(v - tallied.low)] : 0;
    ranking.push_back({v, count});
  }
  std::stable_sort(ranking.begin(), ranking.end(),
                   [](const RankedValue& a, const RankedValue& b) { return a.count > b.count; });
  return ranking;
}

}  // namespace brivo::search
