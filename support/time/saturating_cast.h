// Double to integer without undefined behaviour, for the time code and the time text: every
// conversion of a computed time or count goes through here.
#pragma once

#include <limits>
#include <type_traits>

namespace tz::time {

// Truncates toward zero; NaN gives 0 and a value beyond the type's range gives its limit.
template <class Int>
constexpr Int saturatingTrunc(double value) {
  static_assert(std::is_integral_v<Int> && !std::is_same_v<Int, bool>);
  using Limits = std::numeric_limits<Int>;
  // 2^digits, the first value past the largest; exact as a double for every width.
  constexpr double past = static_cast<double>(Limits::max() / 2 + 1) * 2.0;
  if (value != value) return 0;
  if (value >= past) return Limits::max();
  if constexpr (Limits::is_signed) {
    if (value < -past) return Limits::min();  // -2^digits itself is the smallest value
  } else {
    if (value <= -1.0) return 0;  // (-1, 0) truncates to 0
  }
  return static_cast<Int>(value);
}

}  // namespace tz::time
