#include "search/draw_set.h"

namespace brivo::search {

DrawSet::DrawSet(std::size_t size, bool all)
    : size_(size), words_((size + 63) / 64, all ? ~std::uint64_t{0} : 0) {
  KeepBelow(size);
}

void DrawSet::KeepBelow(std::size_t end) {
  if (end >= size_) end = size_;
  std::size_t w = end / 64;
  if (w < words_.size() && end % 64 != 0) {
    words_[w] &= (std::uint64_t{1} << (end % 64)) - 1;
    ++w;
  }
  for (; w < words_.size(); ++w) words_[w] = 0;
}

std::size_t DrawSet::Count() const {
  std::size_t n = 0;
  for (std::uint64_t word : words_) n += static_cast<std::size_t>(std::popcount(word));
  return n;
}

DrawSet& DrawSet::operator&=(const DrawSet& other) {
  for (std::size_t w = 0; w < words_.size(); ++w) words_[w] &= other.words_[w];
  return *this;
}

DrawSet& DrawSet::operator|=(const DrawSet& other) {
  for (std::size_t w = 0; w < words_.size(); ++w) words_[w] |= other.words_[w];
  return *this;
}

}  // namespace brivo::search
