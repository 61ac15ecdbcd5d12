#include "search/kind_ranges.h"

#include "store/attributes.h"
#include "store/draw_record.h"

namespace brivo::search {

ValueRange WrittenRange(int kind, bool blue_only, int sx_ini, int ds_ini) {
  switch (kind) {
    case store::kHm:
      return {1, blue_only ? 16 : 33};
    case store::kSx:
      return {sx_ini, sx_ini + 11};
    case store::kTou:
      return {0, blue_only ? 1 : 3};
    case store::kWei:
      return {0, 9};
    case store::kHe:
      return {1, blue_only ? 9 : 11};
    case store::kDs:
      return {ds_ini, ds_ini + (blue_only ? 7 : 10)};
    default:
      return {};
  }
}

ValueRange TallyRange(int kind) {
  switch (kind) {
    case store::kHm:
      return {1, 33};
    case store::kSx:
      return {0, 12};
    case store::kTou:
      return {0, 3};
    case store::kWei:
      return {0, 9};
    case store::kHe:
      return {1, 11};
    case store::kDs:
      return {0, 11};
    default:
      return {};
  }
}

std::optional<ValueRange> OccurrenceRange(int kind, int sx_ini, int ds_ini) {
  switch (kind) {
    case store::kSx:
      return ValueRange{sx_ini, sx_ini + 11};
    case store::kTou:
      return ValueRange{0, 4};
    case store::kWei:
      return ValueRange{0, 9};
    case store::kHe:
      return ValueRange{1, 11};
    case store::kDs:
      return ValueRange{ds_ini, ds_ini + 10};
    default:
      return std::nullopt;
  }
}

std::string MatchToken(int kind, int v, int k) {
  if (kind == store::kHm) return store::TwoDigits(v);
  const bool two_digits = kind == store::kSx || kind == store::kHe;
  return std::to_string(k) + "X" + (two_digits ? store::TwoDigits(v) : std::to_string(v));
}

}  // namespace brivo::search
