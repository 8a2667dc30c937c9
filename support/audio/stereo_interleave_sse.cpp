// Stereo split and join of 4-byte samples through SSE registers, four frames at a time,
// for buffers that are all 16-byte aligned.
#include <xmmintrin.h>

#include <cstdint>

#include "support/audio/stereo_interleave.h"

namespace tz::audio::sse {

void deinterleaveAligned32(void* left, void* right, const void* source, long frames) {
  auto* l = static_cast<float*>(left);
  auto* r = static_cast<float*>(right);
  const auto* s = static_cast<const float*>(source);
  long k = 0;
  for (; k + 4 <= frames; k += 4) {
    const __m128 a = _mm_load_ps(s + 2 * k), b = _mm_load_ps(s + 2 * k + 4);
    _mm_store_ps(l + k, _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    _mm_store_ps(r + k, _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
  }
  // Moves of bit patterns, not float arithmetic: NaN payloads pass unchanged.
  for (; k < frames; ++k) {
    __builtin_memcpy(l + k, s + 2 * k, 4);
    __builtin_memcpy(r + k, s + 2 * k + 1, 4);
  }
}

void interleaveAligned32(void* destination, const void* left, const void* right, long frames) {
  auto* d = static_cast<float*>(destination);
  const auto* l = static_cast<const float*>(left);
  const auto* r = static_cast<const float*>(right);
  long k = 0;
  for (; k + 4 <= frames; k += 4) {
    const __m128 a = _mm_load_ps(l + k), b = _mm_load_ps(r + k);
    _mm_store_ps(d + 2 * k, _mm_unpacklo_ps(a, b));
    _mm_store_ps(d + 2 * k + 4, _mm_unpackhi_ps(a, b));
  }
  for (; k < frames; ++k) {
    __builtin_memcpy(d + 2 * k, l + k, 4);
    __builtin_memcpy(d + 2 * k + 1, r + k, 4);
  }
}

}  // namespace tz::audio::sse
