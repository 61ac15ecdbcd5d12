#pragma once

#include <array>
#include <cstddef>

namespace brivo::store {

// One value for each position of a draw, indexed by the position itself: 1..6 the red numbers,
// 7 the blue one; index 0 is unused.
template <typename T>
struct ByPosition : std::array<T, 8> {
  using std::array<T, 8>::operator[];
  T& operator[](int position) { return std::array<T, 8>::operator[](Index(position)); }
  const T& operator[](int position) const { return std::array<T, 8>::operator[](Index(position)); }

 private:
  static constexpr std::size_t Index(int position) { return static_cast<std::size_t>(position); }
};

}  // namespace brivo::store
