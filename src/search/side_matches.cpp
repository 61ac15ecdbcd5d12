#include "search/side_matches.h"

namespace brivo::search {

const DrawSet& SideMatches::SideEquals(store::Kind kind, int n, int position, int v) {
  auto [it, added] = equal_.try_emplace({kind, n, position, v});
  if (!added) return it->second;
  DrawSet& set = it->second = DrawSet(draws_.size(), false);
  const auto distance = static_cast<std::size_t>(n);
  for (std::size_t i = 0; i < draws_.size(); ++i) {
    const int side = i >= distance ? draws_.values[i - distance][position][kind] : 0;
    if (side == v) set.Set(i);
  }
  return set;
}

const DrawSet& SideMatches::SideHolds(store::Kind kind, int n, bool count_blue,
                                      const std::string& token) {
  auto [it, added] = holding_.try_emplace({kind, n, count_blue, token});
  if (!added) return it->second;
  DrawSet& set = it->second = DrawSet(draws_.size(), false);
  const std::vector<std::string>& lists = TaggedLists(kind);
  const auto distance = static_cast<std::size_t>(n);
  auto holds = [&](const std::string& list) {
    // LEFT(list, LEN(list) - 4): the blue entry goes, or all but its occurrence digit.
    const std::size_t compared = count_blue ? list.size() : list.size() - 4;
    const std::size_t at = list.find(token);
    return at != std::string::npos && at + token.size() <= compared;
  };
  // The draw n - 1 reads the list the oldest draw keeps of the draw before it.
  const std::string& kept = draws_.before_oldest.tagged[kind];
  if (distance - 1 < draws_.size() && kept.size() >= 4 && holds(kept)) set.Set(distance - 1);
  for (std::size_t i = distance; i < draws_.size(); ++i) {
    if (holds(lists[i - distance])) set.Set(i);
  }
  return set;
}

const std::vector<std::string>& SideMatches::TaggedLists(store::Kind kind) {
  std::vector<std::string>& lists = lists_[kind];
  if (lists.empty()) {
    for (const store::DrawValues& values : draws_.values) {
      lists.push_back(store::TaggedList(values, kind));
    }
  }
  return lists;
}

}  // namespace brivo::search
