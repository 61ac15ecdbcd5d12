#include "search/chance.h"

#include <algorithm>

namespace brivo::search {

ChanceModel::ChanceModel(const store::ZodiacTables& zodiac, const NumberCoding& coding)
    : coding_(coding), tables_(zodiac) {}

double RedChance(int m) {
  double none = 1.0;  // C(33 - m, 6) / C(33, 6) as a product of six fractions
  for (int i = 0; i < 6; ++i) none *= std::max(0, 33 - m - i) / static_cast<double>(33 - i);
  return 1.0 - none;
}

double ChanceModel::Probability(int year, store::Kind kind, ResultScope scope, int v) {
  const ValueCounts& counts = CountsOf(year);
  auto count = [v](const std::map<int, int>& of) {
    const auto it = of.find(v);
    return it == of.end() ? 0 : it->second;
  };
  const double red = scope == ResultScope::kBlue ? 0.0 : RedChance(count(counts.red[kind]));
  const double blue = scope == ResultScope::kRed ? 0.0 : count(counts.blue[kind]) / 16.0;
  return 1.0 - (1.0 - red) * (1.0 - blue);
}

const ChanceModel::ValueCounts& ChanceModel::CountsOf(int year) {
  auto [it, added] = by_year_.try_emplace(year);
  if (!added) return it->second;
  // The zodiac groups of the draw's own year, coded by the table in use.
  store::ZodiacTables tables = tables_;
  tables.SetZodiacYear(year);
  for (int n = 1; n <= 33; ++n) {
    const auto red = store::AttributesOf(n, 1, tables, coding_.ds_ini);
    const auto blue = store::AttributesOf(n, store::kBluePosition, tables, coding_.ds_ini);
    for (store::Kind k : store::kKinds) {
      ++it->second.red[k][red[k]];
      if (n <= 16) ++it->second.blue[k][blue[k]];
    }
  }
  return it->second;
}

}  // namespace brivo::search
