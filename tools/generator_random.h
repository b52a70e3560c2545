// Random numbers for the listings generators (splitmix64): the same sequence on every platform,
// so that a seed gives the same listings everywhere. Callers draw each number in a statement of
// its own (never two in one expression, whose order the compiler may choose).
#pragma once

#include <cstddef>
#include <cstdint>

namespace generator {

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number in [low, high].
  int Range(int low, int high) {
    return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1));
  }
  bool Percent(int percent) { return Range(0, 99) < percent; }
  template <class T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Next() % N];
  }

 private:
  uint64_t state_;
};

}  // namespace generator
