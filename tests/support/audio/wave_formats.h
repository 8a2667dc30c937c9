// Plain wave formats and sample bytes for the audio suites.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "tz/wave_format.h"

inline WAVEFORMATEX plainFormat(TZSAMPLETYPE type, WORD channels) {
  WAVEFORMATEX f;
  TzAudio_InitWfx(&f, 48000, type, channels);
  return f;
}

// The bytes of the samples in memory order.
template <class T>
std::vector<uint8_t> bytesOf(std::initializer_list<T> values) {
  std::vector<uint8_t> out(values.size() * sizeof(T));
  std::memcpy(out.data(), values.begin(), out.size());
  return out;
}
