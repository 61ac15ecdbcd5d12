#pragma once

#include <optional>
#include <string>

#include "store/attributes.h"

// The value ranges the searches count by, and the match tokens of the tagged lists.
namespace brivo::search {

struct ValueRange {
  int low = 0;
  int high = -1;
  bool Contains(int v) const { return v >= low && v <= high; }
};

// The values written to Carcu for a result kind: the blue range when only the blue is tallied.
ValueRange WrittenRange(store::Kind kind, bool blue_only, int sx_ini, int ds_ini);
// The values the tally counts at all (any other value is passed over).
ValueRange TallyRange(store::Kind kind);
// The values the free-position search keeps occurrence counters for; none for 号码.
std::optional<ValueRange> OccurrenceRange(store::Kind kind, int sx_ini, int ds_ini);

// The token a tagged list holds for the k-th occurrence of v: "05" for 号码 (no count),
// "2X05" for 生肖 and 合数, "2X5" for 头数, 尾数 and 段数.
std::string MatchToken(store::Kind kind, int v, int k);

}  // namespace brivo::search
