// The layouts that the copy kernels convert between, in table order, and the pairs that
// each kernel table holds.
#pragma once

#include <cstddef>

#include "tz/wave_format.h"

namespace tz::audio {

inline constexpr TZSAMPLETYPE kConvertibleTypes[] = {
    TZSAMPLETYPE_PCM8,    TZSAMPLETYPE_PCM16,   TZSAMPLETYPE_PCM24,     TZSAMPLETYPE_PCM32,
    TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_FLOAT64, TZSAMPLETYPE_PCM24IN32, TZSAMPLETYPE_PCM8S,
    TZSAMPLETYPE_PCM16BE, TZSAMPLETYPE_PCM24BE, TZSAMPLETYPE_PCM32BE,
};
// The channel table adds the widened layouts after the eleven.
inline constexpr TZSAMPLETYPE kChannelTypes[] = {
    TZSAMPLETYPE_PCM8,    TZSAMPLETYPE_PCM16,   TZSAMPLETYPE_PCM24,     TZSAMPLETYPE_PCM32,
    TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_FLOAT64, TZSAMPLETYPE_PCM24IN32, TZSAMPLETYPE_PCM8S,
    TZSAMPLETYPE_PCM16BE, TZSAMPLETYPE_PCM24BE, TZSAMPLETYPE_PCM32BE,   TZSAMPLETYPE_WIDE16,
    TZSAMPLETYPE_WIDE24,
};
inline constexpr size_t kConvertibleCount = 11;
inline constexpr size_t kChannelTypeCount = 13;
inline constexpr int kEleven = static_cast<int>(kConvertibleCount);

// Index of a layout in kChannelTypes (the first eleven are kConvertibleTypes), or -1.
constexpr int typeIndex(TZSAMPLETYPE type) {
  for (size_t i = 0; i < kChannelTypeCount; ++i)
    if (kChannelTypes[i] == type) return static_cast<int>(i);
  return -1;
}

// 16- and 24-bit big-endian have no format-copy kernel from PCM24IN32 or 32-bit big-endian.
constexpr bool hasCopyKernel(TZSAMPLETYPE d, TZSAMPLETYPE s) {
  const bool narrowBigEndian = d == TZSAMPLETYPE_PCM16BE || d == TZSAMPLETYPE_PCM24BE;
  const bool wordSource = s == TZSAMPLETYPE_PCM24IN32 || s == TZSAMPLETYPE_PCM32BE;
  return typeIndex(d) >= 0 && typeIndex(d) < kEleven && typeIndex(s) >= 0 &&
         typeIndex(s) < kEleven && !(narrowBigEndian && wordSource);
}

// Every pair of the eleven, and the widened layouts with the few layouts they meet.
constexpr bool hasChannelKernel(TZSAMPLETYPE d, TZSAMPLETYPE s) {
  const int di = typeIndex(d), si = typeIndex(s);
  if (di < 0 || si < 0) return false;
  if (di < kEleven && si < kEleven) return true;
  const bool toWide = di >= kEleven, fromWide = si >= kEleven;
  if (toWide && fromWide) return false;
  const TZSAMPLETYPE other = toWide ? s : d;
  const bool wide16 = (toWide ? d : s) == TZSAMPLETYPE_WIDE16;
  switch (other) {
    case TZSAMPLETYPE_PCM16:
    case TZSAMPLETYPE_PCM24:
    case TZSAMPLETYPE_FLOAT32:
      return true;
    case TZSAMPLETYPE_FLOAT64:
      return fromWide;
    case TZSAMPLETYPE_PCM32:
    case TZSAMPLETYPE_PCM24IN32:
      return fromWide && wide16;
    default:
      return false;
  }
}

}  // namespace tz::audio
