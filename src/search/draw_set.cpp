#include "search/draw_set.h"

namespace brivo::search {
namespace {

// Counting bits is most of a back-test's time. The program is built for every x86-64, whose
// baseline has no POPCNT instruction (the compiler then calls a library routine), so the
// instruction is used where the processor has it.
std::size_t CountCommonWords(const std::uint64_t* a, const std::uint64_t* b, std::size_t n) {
  std::size_t count = 0;
  for (std::size_t w = 0; w < n; ++w) count += static_cast<std::size_t>(std::popcount(a[w] & b[w]));
  return count;
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("popcnt"))) std::size_t CountCommonWordsPopcnt(const std::uint64_t* a,
                                                                     const std::uint64_t* b,
                                                                     std::size_t n) {
  std::size_t count = 0;
  for (std::size_t w = 0; w < n; ++w) {
    count += static_cast<std::size_t>(__builtin_popcountll(a[w] & b[w]));
  }
  return count;
}

const bool kHasPopcnt = __builtin_cpu_supports("popcnt");
#endif

}  // namespace

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

std::size_t DrawSet::Count() const { return CountCommon(*this); }

std::size_t DrawSet::CountCommon(const DrawSet& other) const {
#if defined(__x86_64__) && defined(__GNUC__)
  if (kHasPopcnt) return CountCommonWordsPopcnt(words_.data(), other.words_.data(), words_.size());
#endif
  return CountCommonWords(words_.data(), other.words_.data(), words_.size());
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
