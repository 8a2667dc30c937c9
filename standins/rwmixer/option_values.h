// Readers for the values the mixer's options take: whole numbers, decimals, tempi and song
// positions. Locale-independent; each takes the whole text or fails.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace tz::mixer {

std::optional<uint64_t> readUnsigned(std::string_view text, uint64_t min, uint64_t max);
std::optional<int64_t> readSigned(std::string_view text, int64_t min, int64_t max);
// A finite decimal such as "2.5" within [min, max].
std::optional<double> readDecimal(std::string_view text, double min, double max);
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

// Splits "a:b" at the first ':'; empty when there is none.
std::optional<std::pair<std::string_view, std::string_view>> splitPair(std::string_view text);

}  // namespace tz::mixer
