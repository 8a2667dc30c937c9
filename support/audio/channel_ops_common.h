// What the channel operations share: argument checks that keep every write inside the
// caller's buffer, and sample moves by size.
#pragma once

#include <cstdint>
#include <cstring>

#include "support/audio/format_type.h"

namespace tz::audio {

template <class... Pointers>
bool anyNull(const Pointers*... pointers) {
  return ((pointers == nullptr) || ...);
}

inline bool validChannel(long channel, long channels) {
  return channel >= 0 && channel < channels;
}

// Bytes per sample of a format as the moving operations take it: nBlockAlign / nChannels;
// 0 for a format without channels or with a block smaller than its channels.
inline uint32_t sampleBytes(const WAVEFORMATEX* format) {
  return format->nChannels == 0 ? 0 : format->nBlockAlign / format->nChannels;
}

inline uint8_t* bytesAt(void* buffer, size_t offset) {
  return static_cast<uint8_t*>(buffer) + offset;
}
inline const uint8_t* bytesAt(const void* buffer, size_t offset) {
  return static_cast<const uint8_t*>(buffer) + offset;
}

// Sample `channel` of every frame (stride in bytes) from `from` to `to`, first frame first.
inline void moveSamples(uint8_t* to, size_t toStride, const uint8_t* from, size_t fromStride,
                        size_t bytes, long frames) {
  for (long k = 0; k < frames; ++k) std::memmove(to + k * toStride, from + k * fromStride, bytes);
}

}  // namespace tz::audio
