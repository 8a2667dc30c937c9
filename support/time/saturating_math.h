// 64-bit integer arithmetic that saturates instead of overflowing, and the rate check, for the
// time text: origins, scaled units and numbers of any length typed by a user meet here.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tz::time {

constexpr double kUnitsPerSecond = 10'000'000.0;

inline int64_t saturatingAdd(int64_t a, int64_t b) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  if (b > 0 && a > kMax - b) return kMax;
  if (b < 0 && a < kMin - b) return kMin;
  return a + b;
}

// Without the compiler's overflow built-in: on i386 clang turns it into a call to a run-time
// helper that the GNU runtime library does not have.
inline int64_t saturatingMul(int64_t a, int64_t b) {
  const bool negative = (a < 0) != (b < 0);
  // Magnitudes in unsigned arithmetic: negating the most negative value would overflow.
  const uint64_t ma = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
  const uint64_t mb = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
  const uint64_t most = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (ma != 0 && mb > most / ma) {
    return negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  }
  const uint64_t product = ma * mb;
  return static_cast<int64_t>(negative ? 0 - product : product);  // modular since C++20
}

// a × factor + b.
inline int64_t saturatingMulAdd(int64_t a, int64_t factor, int64_t b) {
  return saturatingAdd(saturatingMul(a, factor), b);
}

inline int64_t saturatingNegate(int64_t value) {
  return value == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max()
                                                      : -value;
}

inline int64_t saturatingSubtract(int64_t a, int64_t b) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  if (b < 0 && a > kMax + b) return kMax;
  if (b > 0 && a < kMin + b) return kMin;
  return a - b;
}

// |value|; the most negative time has no positive partner and gives the largest.
inline int64_t saturatingMagnitude(int64_t value) {
  return value < 0 ? saturatingNegate(value) : value;
}

// Frame rates, tempos and sample rates divide: anything but a finite number above 0 makes the
// quantity that depends on it 0 rather than an infinity or NaN.
inline bool usableRate(double rate) {
  return rate > 0.0 && std::isfinite(rate);
}

// The rate when it is usable, else 0.
inline double rateOrZero(double rate) {
  return usableRate(rate) ? rate : 0.0;
}

}  // namespace tz::time
