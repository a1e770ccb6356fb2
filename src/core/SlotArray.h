// A fixed-size table indexed from 1, as series slots, store rows and scale views are numbered.
#pragma once

#include <array>
#include <cassert>

namespace erp {

// Element i (1..N) of a fixed table. Plain aggregate: `SlotArray<bool, 15> loaded{};` is all false.
// Indices outside 1..N are a programming error (checked by assert in debug builds).
template <typename T, int N>
struct SlotArray {
  static_assert(N > 0);
  static constexpr int Count = N;

  std::array<T, N> items{};

  constexpr T& operator[](int i) {
    assert(i >= 1 && i <= N);
    return items[static_cast<std::size_t>(i - 1)];
  }
  constexpr const T& operator[](int i) const {
    assert(i >= 1 && i <= N);
    return items[static_cast<std::size_t>(i - 1)];
  }

  constexpr void Fill(const T& value) { items.fill(value); }

  constexpr auto begin() { return items.begin(); }
  constexpr auto end() { return items.end(); }
  constexpr auto begin() const { return items.begin(); }
  constexpr auto end() const { return items.end(); }

  friend constexpr bool operator==(const SlotArray&, const SlotArray&) = default;
};

}  // namespace erp
