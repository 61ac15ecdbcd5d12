#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "search/criteria.h"
#include "search/draw_set.h"
#include "search/history_draws.h"
#include "search/side_matches.h"

// The position search and the combination search evaluated in memory on the draws' stored
// values: the same matched draws, tally and ranking as the statements give in the database.
namespace brivo::search {

enum class SearchType { kPosition, kCombination };

// The counts of a tally: per value of the tally range (index: value - its low end), and the
// total the percentages divide by.
struct Tally {
  std::vector<std::int64_t> counts;
  std::int64_t total = 0;
};

class Evaluator {
 public:
  explicit Evaluator(HistoryDraws draws) : draws_(std::move(draws)), sides_(draws_) {}
  Evaluator(const Evaluator&) = delete;
  Evaluator& operator=(const Evaluator&) = delete;

  const HistoryDraws& draws() const { return draws_; }
  SideMatches& sides() { return sides_; }

  // The matched draws of the search: those of the issue range whose pattern-side draw shows the
  // pattern. REQUIRES: the search and result kinds lie in 0..5, the result scope in 0..2.
  DrawSet Match(const SearchCriteria& c, SearchType type);
  // Match, then the tally and the ranking of the matched draws, as the search returns them.
  SearchResult Evaluate(const SearchCriteria& c, SearchType type);
  // Tallies the result kind's values of the matched draws at the result scope's positions,
  // counted through sets of the draws that hold each value at least once, twice, ..., kept per
  // result kind and scope: a handful of word operations a value instead of a visit to each draw.
  Tally Tallied(const DrawSet& matched, const SearchCriteria& c);

  // What the statements of one position search, or of one combination of positions, count
  // into intTh: a set of draws per statement, each adding 1 to the draws it holds. A draw
  // matches when it is in every set and `reachable` (every selected position got a statement).
  struct Counted {
    std::vector<const DrawSet*> sets;
    bool reachable = true;
  };
  Counted PositionCounts(const SearchCriteria& c);
  Counted CombinationCounts(const SearchCriteria& c, const std::vector<int>& positions);
  // The draws of the whole history the combination search marks (bolOk), before the issue range.
  DrawSet MatchCombinations(const SearchCriteria& c);

 private:
  DrawSet Matching(const Counted& counted) const;
  // The draws of the criteria's issue range, kept for the next call on the same range.
  const DrawSet& Range(const SearchCriteria& c);

  // The draws holding a tallied value (index: value - the tally's low end) at least `times` times.
  struct ValueLevel {
    std::size_t index = 0;
    int times = 0;
    DrawSet draws;
  };
  const std::vector<ValueLevel>& Levels(store::Kind kind, ResultScope scope);

  HistoryDraws draws_;
  SideMatches sides_;
  std::map<std::pair<store::Kind, ResultScope>, std::vector<ValueLevel>> levels_;
  std::int64_t range_start_ = 0;
  std::int64_t range_end_ = -1;
  DrawSet range_;
};

// One row per value of the written range, by count descending, then value ascending.
std::vector<RankedValue> RankTally(const Tally& tally, const SearchCriteria& c);

// The distance of the pattern-side draw: N on the earlier-draw basis, 1 on the previous-draw one.
int SideDistance(const SearchCriteria& c);

}  // namespace brivo::search
