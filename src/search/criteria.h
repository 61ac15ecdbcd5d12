#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/attributes.h"
#include "store/by_position.h"

// What a search is asked: read from the window once, when it starts.
namespace brivo::search {

// The positions a ranking counts: 红蓝 all seven, 红球 the six red ones, 蓝球 the blue one
// (Option5(0..2), stored as intConsqSort).
enum class ResultScope { kRedAndBlue = 0, kRed = 1, kBlue = 2 };

// The positions of a scope, first to last: 1..7, 1..6 or 7..7.
struct PositionSpan {
  int first = 1;
  int last = 7;
};
constexpr PositionSpan PositionsOf(ResultScope scope) {
  return {scope == ResultScope::kBlue ? store::kBluePosition : 1,
          scope == ResultScope::kRed ? store::kBluePosition - 1 : store::kBluePosition};
}

// The draw whose values make the pattern: 上期 the draw just before, 前N期 the draw N before.
enum class Basis { kPreceding, kEarlier };

struct SearchCriteria {
  bool free_mode = true;  // 自由位; false: 固定位
  Basis basis = Basis::kPreceding;
  int look_back = 2;  // N of 前N期 (0 is taken as 1)
  store::Kind search_kind = store::Kind::kHm;
  store::Kind result_kind = store::Kind::kHm;
  ResultScope result_scope = ResultScope::kRedAndBlue;
  bool count_blue = true;
  store::ByPosition<bool> selected{};
  store::ByPosition<std::int16_t> pattern{};
  std::int64_t start_issue = 0;
  std::int64_t end_issue = 0;
  int sx_ini = 1;
  int ds_ini = 1;
  // The positions a combination search draws from: true for the red ones only.
  bool red_pool_only = false;
  int combination_size = 2;

  // N as the passes use it: 1..9.
  int Distance() const { return look_back < 1 ? 1 : (look_back > 9 ? 9 : look_back); }
};

// One matched draw as the matched-draw grid shows it.
struct MatchedDraw {
  std::int64_t issue = 0;
  store::ByPosition<std::int64_t> values{};  // of the result kind
  std::string pattern_side_list;  // the plain number list of the draw on the pattern side
};

// One row of the ranking: a value and how often it came.
struct RankedValue {
  std::int64_t value = 0;
  std::int64_t count = 0;
};

struct SearchResult {
  std::vector<MatchedDraw> matched;
  std::vector<RankedValue> ranking;
  std::int64_t total = 0;  // what the percentages divide by
};

}  // namespace brivo::search
