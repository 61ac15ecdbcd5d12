#include "search/search_marks.h"

#include <optional>

#include "search/combination_search.h"

namespace brivo::search {
namespace {

using store::ColumnValues;

// The list draw i keeps of the draw before it (txtHisLst, or its tagged form of `kind`): the
// oldest draw's as the file holds it, NULL included.
Value ListBefore(const HistoryDraws& d, std::size_t i, std::optional<store::Kind> kind) {
  if (i == 0) {
    const bool null = kind ? d.before_oldest_tagged_null[*kind] : d.before_oldest_plain_null;
    if (null) return std::monostate{};
    return kind ? d.before_oldest.tagged[*kind] : d.before_oldest.plain;
  }
  return kind ? store::TaggedList(d.values[i - 1], *kind) : store::PlainList(d.values[i - 1]);
}

// The look-back refill of n: draw i gets the list draw i - n + 1 keeps ("" for the first n - 1).
Value ListNBefore(const HistoryDraws& d, std::size_t i, int n, std::optional<store::Kind> kind) {
  const auto back = static_cast<std::size_t>(n);
  return i + 1 >= back ? ListBefore(d, i + 1 - back, kind) : Value(std::string());
}

// LEFT(list, LEN(list) - 4): the list without its blue entry.
Value WithoutBlue(const Value& list) {
  const auto* text = std::get_if<std::string>(&list);
  if (text == nullptr) return list;
  return text->size() > 4 ? text->substr(0, text->size() - 4) : std::string();
}

template <typename Of>
ColumnValues Column(std::string name, std::size_t draws, Of of) {
  ColumnValues column{std::move(name), {}};
  column.values.reserve(draws);
  for (std::size_t i = 0; i < draws; ++i) column.values.push_back(of(i));
  return column;
}

class Marks {
 public:
  Marks(const HistoryDraws& draws, const SearchCriteria& c) : d_(draws), c_(c), n_(c.Distance()) {}

  // txtHisPreLst and its tagged form of the search kind, refilled n back.
  void LookBack() {
    Add(Column(store::ListColumn(store::kPlainPreList, c_.search_kind), d_.size(),
               [&](std::size_t i) { return ListNBefore(d_, i, n_, c_.search_kind); }));
    PlainLookBack();
  }
  void PlainLookBack() {
    Add(Column(std::string(store::kPlainPreList), d_.size(),
               [&](std::size_t i) { return ListNBefore(d_, i, n_, std::nullopt); }));
  }
  // The compared list of free-position mode, with or without its blue entry.
  void Compared(bool keep_blue) {
    Add(Column("txtHisP6", d_.size(), [&](std::size_t i) {
      const Value list = c_.basis == Basis::kEarlier ? ListNBefore(d_, i, n_, c_.search_kind)
                                                     : ListBefore(d_, i, c_.search_kind);
      return keep_blue ? list : WithoutBlue(list);
    }));
  }
  // The own value of `position` copied from the draw before, or N before (0 for the oldest).
  void Shifted(int position) {
    const bool earlier = c_.basis == Basis::kEarlier;
    const auto back = static_cast<std::size_t>(earlier ? n_ : 1);
    const std::string_view suffix = earlier ? store::kEarlier : store::kPreceding;
    Add(Column(store::ColumnName(position, c_.search_kind, suffix), d_.size(), [&](std::size_t i) {
      return Value(std::int64_t{i >= back ? d_.values[i - back][position][c_.search_kind] : 0});
    }));
    if (earlier && !plain_look_back_) {
      PlainLookBack();
      plain_look_back_ = true;
    }
  }
  void Counter(const Evaluator::Counted& counted) {
    std::vector<std::int64_t> counts(d_.size(), 0);
    for (const DrawSet* set : counted.sets) set->ForEach([&](std::size_t i) { ++counts[i]; });
    Add(Column("intTh", d_.size(), [&](std::size_t i) { return Value(counts[i]); }));
  }
  void Flag(const DrawSet& marked) {
    Add(Column("bolOk", d_.size(),
               [&](std::size_t i) { return Value(std::int64_t{marked.Has(i) ? 1 : 0}); }));
  }

  std::vector<ColumnValues> Take() { return std::move(columns_); }

 private:
  void Add(ColumnValues column) { columns_.push_back(std::move(column)); }

  const HistoryDraws& d_;
  const SearchCriteria& c_;
  int n_;
  bool plain_look_back_ = false;
  std::vector<ColumnValues> columns_;
};

}  // namespace

std::vector<store::ColumnValues> SearchMarks(Evaluator& evaluator, const SearchCriteria& c,
                                             SearchType type) {
  Marks marks(evaluator.draws(), c);
  const bool earlier = c.basis == Basis::kEarlier;
  if (c.free_mode && earlier) marks.LookBack();
  if (type == SearchType::kPosition) {
    if (c.free_mode && !c.count_blue) marks.Compared(false);
    bool shifted = false;
    for (int i = 1; i <= 7 && !c.free_mode; ++i) {
      if (!c.selected[i]) continue;
      marks.Shifted(i);
      shifted = true;
    }
    // The matched-draw grid shows txtHisPreLst: it is refilled even when no position is compared.
    if (!c.free_mode && earlier && !shifted) marks.PlainLookBack();
    marks.Counter(evaluator.PositionCounts(c));
    return marks.Take();
  }
  marks.Flag(evaluator.MatchCombinations(c));
  if (c.free_mode) {
    marks.Compared(c.count_blue);
  } else {
    for (int m = 1; m <= 7; ++m) marks.Shifted(m);
  }
  // intTh ends as the last combination counted it; without a combination it is not touched.
  const std::vector<std::vector<int>> combinations =
      PositionCombinations(c.red_pool_only ? 6 : 7, c.combination_size);
  if (!combinations.empty()) marks.Counter(evaluator.CombinationCounts(c, combinations.back()));
  return marks.Take();
}

}  // namespace brivo::search
