#include "search/kind_ranges.h"

#include "store/attributes.h"
#include "store/draw_record.h"

namespace brivo::search {

ValueRange WrittenRange(store::Kind kind, bool blue_only, int sx_ini, int ds_ini) {
  switch (kind) {
    case store::Kind::kHm:
      return {1, blue_only ? 16 : 33};
    case store::Kind::kSx:
      return {sx_ini, sx_ini + 11};
    case store::Kind::kTou:
      return {0, blue_only ? 1 : 3};
    case store::Kind::kWei:
      return {0, 9};
    case store::Kind::kHe:
      return {1, blue_only ? 9 : 11};
    case store::Kind::kDs:
      return {ds_ini, ds_ini + (blue_only ? 7 : 10)};
  }
  return {};
}

ValueRange TallyRange(store::Kind kind) {
  switch (kind) {
    case store::Kind::kHm:
      return {1, 33};
    case store::Kind::kSx:
      return {0, 12};
    case store::Kind::kTou:
      return {0, 3};
    case store::Kind::kWei:
      return {0, 9};
    case store::Kind::kHe:
      return {1, 11};
    case store::Kind::kDs:
      return {0, 11};
  }
  return {};
}

std::optional<ValueRange> OccurrenceRange(store::Kind kind, int sx_ini, int ds_ini) {
  switch (kind) {
    case store::Kind::kSx:
      return ValueRange{sx_ini, sx_ini + 11};
    case store::Kind::kTou:
      return ValueRange{0, 4};
    case store::Kind::kWei:
      return ValueRange{0, 9};
    case store::Kind::kHe:
      return ValueRange{1, 11};
    case store::Kind::kDs:
      return ValueRange{ds_ini, ds_ini + 10};
    case store::Kind::kHm:
      return std::nullopt;
  }
  return std::nullopt;
}

std::string MatchToken(store::Kind kind, int v, int k) {
  if (kind == store::Kind::kHm) return store::TwoDigits(v);
  const bool two_digits = kind == store::Kind::kSx || kind == store::Kind::kHe;
  return std::to_string(k) + "X" + (two_digits ? store::TwoDigits(v) : std::to_string(v));
}

}  // namespace brivo::search
