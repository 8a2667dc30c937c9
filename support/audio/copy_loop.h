// The scalar conversion of a run of samples, the reference every kernel variant matches and
// the head and tail of the vector kernels. Internal linkage, as for sample_codec.h.
#pragma once

#include <cstring>

#include "support/audio/sample_codec.h"

namespace tz::audio {
namespace {

// Walks backward when the destination sample is wider, so that a conversion in place never
// overwrites a source sample before reading it.
template <TZSAMPLETYPE D, TZSAMPLETYPE S, class Convert>
inline void walk(uint8_t* d, const uint8_t* s, long count, Convert convert) {
  constexpr int db = Layout<D>::kBytes, sb = Layout<S>::kBytes;
  if constexpr (db > sb) {
    for (long i = count - 1; i >= 0; --i) convert(d + i * db, s + i * sb);
  } else {
    for (long i = 0; i < count; ++i) convert(d + i * db, s + i * sb);
  }
}

template <TZSAMPLETYPE D, TZSAMPLETYPE S>
inline void copySamples(void* destination, const void* source, long count, float gain) {
  auto* d = static_cast<uint8_t*>(destination);
  const auto* s = static_cast<const uint8_t*>(source);
  if (count <= 0) return;
  if constexpr (D == S) {
    if (gain == 1.0f) {
      if (d != s) std::memmove(d, s, static_cast<size_t>(count) * Layout<D>::kBytes);
      return;
    }
  }
  if constexpr (kExactAtUnity<D, S>) {
    if (gain == 1.0f) {
      walk<D, S>(d, s, count,
                 [](uint8_t* to, const uint8_t* from) { convertExact<D, S>(to, from); });
      return;
    }
  }
  const double multiplier = multiplierFor<D, S>(gain);
  walk<D, S>(d, s, count, [multiplier](uint8_t* to, const uint8_t* from) {
    convertScaled<D, S>(to, from, multiplier);
  });
}

}  // namespace
}  // namespace tz::audio
