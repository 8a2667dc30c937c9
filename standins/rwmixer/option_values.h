// Readers for the values only the mixer's options take: tempi and song positions, on top of
// the stand-ins' common readers. Locale-independent; each takes the whole text or fails.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "standins/common/option_values.h"

namespace tz::mixer {

using tz::standin::readDecimal;
using tz::standin::readSigned;
using tz::standin::readUnsigned;
using tz::standin::splitPair;

// Beats per minute with up to three decimals, as thousandths: "120.5" gives 120500.
std::optional<uint32_t> readTempo(std::string_view text);

// A song position as written: ticks, or bars counted from 1 with a "b" suffix ("3b").
struct WrittenPosition {
  int64_t value = 0;
  bool bars = false;
};
std::optional<WrittenPosition> readPosition(std::string_view text);
// Ticks at 15360 per quarter note; bar 1 starts at 0. Empty when out of the 32-bit range.
std::optional<int32_t> resolvePosition(WrittenPosition position, uint32_t numerator,
                                       uint32_t denominator);

}  // namespace tz::mixer
