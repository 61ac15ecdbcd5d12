#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

// A set of draws of the history by their index (0 the oldest), as one bit a draw.
namespace brivo::search {

class DrawSet {
 public:
  DrawSet() = default;
  // A set over `size` draws: every one of them, or none.
  DrawSet(std::size_t size, bool all);

  std::size_t size() const { return size_; }
  bool Has(std::size_t i) const { return (words_[i / 64] >> (i % 64)) & 1u; }
  void Set(std::size_t i) { words_[i / 64] |= std::uint64_t{1} << (i % 64); }
  // Drops every draw from index `end` on.
  void KeepBelow(std::size_t end);
  std::size_t Count() const;
  // How many draws both sets hold. REQUIRES: both sets are over the same draws.
  std::size_t CountCommon(const DrawSet& other) const;
  // REQUIRES: both sets are over the same draws.
  DrawSet& operator&=(const DrawSet& other);
  DrawSet& operator|=(const DrawSet& other);

  // Calls visit(i) for each draw of the set, oldest first.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (std::size_t w = 0; w < words_.size(); ++w) {
      for (std::uint64_t bits = words_[w]; bits != 0; bits &= bits - 1) {
        visit(w * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
      }
    }
  }

 private:
  std::size_t size_ = 0;
  std::vector<std::uint64_t> words_;
};

}  // namespace brivo::search
