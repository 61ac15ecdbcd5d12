#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "search/draw_set.h"
#include "search/history_draws.h"

// What the matching statements find, one statement at a time, computed from the draws' own
// values: the draws whose pattern-side draw (n draws before; none for the oldest n) agrees with
// one value or holds one match token. Each set is computed once and kept.
namespace brivo::search {

class SideMatches {
 public:
  // REQUIRES: `draws` outlives this object and does not change.
  explicit SideMatches(const HistoryDraws& draws) : draws_(draws) {}

  // The draws whose refilled preceding or earlier column of `position` and `kind` equals v; the
  // refill gives the oldest n draws 0.
  const DrawSet& SideEquals(store::Kind kind, int n, int position, int v);
  // The draws whose compared list holds `token` (a LIKE "*token*"): the tagged list of `kind` of
  // the draw n before (for draw n - 1 the list the oldest draw keeps), without its last four
  // characters when the blue does not count.
  const DrawSet& SideHolds(store::Kind kind, int n, bool count_blue, const std::string& token);

 private:
  const std::vector<std::string>& TaggedLists(store::Kind kind);

  const HistoryDraws& draws_;
  std::map<std::tuple<store::Kind, int, int, int>, DrawSet> equal_;
  std::map<std::tuple<store::Kind, int, bool, std::string>, DrawSet> holding_;
  store::ByKind<std::vector<std::string>> lists_;
};

}  // namespace brivo::search
