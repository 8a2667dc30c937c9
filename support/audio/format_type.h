// The layout of either format record (unknown for null), and the groups of layouts the audio
// operations accept.
#pragma once

#include "tz/wave_format.h"

namespace tz::audio {

inline TZSAMPLETYPE typeOf(const WAVEFORMATEX* format) {
  return TzAudio_GetSampleType(format);
}
inline TZSAMPLETYPE typeOf(const _tzwaveformat* format) {
  return format == nullptr ? TZSAMPLETYPE_UNKNOWN : format->nSampleType;
}

// The eleven layouts that format copy converts between.
constexpr bool isConvertible(TZSAMPLETYPE type) {
  return (type >= TZSAMPLETYPE_PCM8 && type <= TZSAMPLETYPE_PCM32) ||
         type == TZSAMPLETYPE_FLOAT32 || type == TZSAMPLETYPE_FLOAT64 ||
         type == TZSAMPLETYPE_PCM24IN32 || type == TZSAMPLETYPE_PCM8S ||
         (type >= TZSAMPLETYPE_PCM16BE && type <= TZSAMPLETYPE_PCM32BE);
}

// The six plain layouts: PCM8, PCM16, PCM24, PCM32, FLOAT32, FLOAT64.
constexpr bool isPlain(TZSAMPLETYPE type) {
  return (type >= TZSAMPLETYPE_PCM8 && type <= TZSAMPLETYPE_PCM32) ||
         type == TZSAMPLETYPE_FLOAT32 || type == TZSAMPLETYPE_FLOAT64;
}

}  // namespace tz::audio
