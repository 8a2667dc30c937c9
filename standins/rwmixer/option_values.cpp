// The mixer's own value readers; the common ones keep them independent of the locale.
#include "standins/rwmixer/option_values.h"

#include "tz/rewire_device.h"

namespace tz::mixer {

std::optional<uint32_t> readTempo(std::string_view text) {
  const size_t dot = text.find('.');
  const auto whole = readUnsigned(text.substr(0, dot), 0, 999);
  if (!whole) return {};
  uint64_t thousandths = 0;
  if (dot != std::string_view::npos) {
    std::string_view decimals = text.substr(dot + 1);
    if (decimals.empty() || decimals.size() > 3) return {};
    const auto digits = readUnsigned(decimals, 0, 999);
    if (!digits) return {};
    thousandths = *digits;
    for (size_t i = decimals.size(); i < 3; ++i) thousandths *= 10;
  }
  const uint64_t tempo = *whole * 1000 + thousandths;
  if (tempo < 1000) return {};
  return static_cast<uint32_t>(tempo);
}

std::optional<WrittenPosition> readPosition(std::string_view text) {
  if (!text.empty() && text.back() == 'b') {
    const auto bar = readSigned(text.substr(0, text.size() - 1), 1, INT32_MAX);
    if (!bar) return {};
    return WrittenPosition{*bar, true};
  }
  const auto ticks = readSigned(text, INT32_MIN, INT32_MAX);
  if (!ticks) return {};
  return WrittenPosition{*ticks, false};
}

std::optional<int32_t> resolvePosition(WrittenPosition position, uint32_t numerator,
                                       uint32_t denominator) {
  if (!position.bars) return static_cast<int32_t>(position.value);
  if (denominator == 0) return {};
  const int64_t barTicks = int64_t{numerator} * kRWTicksPerQuarterNote * 4 / denominator;
  // Bars stay below 2^31 and bar lengths below 2^26, so the product fits 64 bits.
  const int64_t ticks = (position.value - 1) * barTicks;
  if (ticks > INT32_MAX) return {};
  return static_cast<int32_t>(ticks);
}

}  // namespace tz::mixer
