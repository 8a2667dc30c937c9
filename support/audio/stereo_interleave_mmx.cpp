// Stereo split and join of 4-byte samples through MMX registers, two frames at a time.
#include <mmintrin.h>

#include <cstdint>

#include "support/audio/stereo_interleave.h"

namespace tz::audio::mmx {
namespace {

inline __m64 load(const uint8_t* p) {
  __m64 v;
  __builtin_memcpy(&v, p, 8);
  return v;
}
inline void store(uint8_t* p, __m64 v) {
  __builtin_memcpy(p, &v, 8);
}

}  // namespace

void deinterleave32(void* left, void* right, const void* source, long frames) {
  auto* l = static_cast<uint8_t*>(left);
  auto* r = static_cast<uint8_t*>(right);
  const auto* s = static_cast<const uint8_t*>(source);
  long k = 0;
  for (; k + 2 <= frames; k += 2) {
    const __m64 a = load(s + k * 8), b = load(s + k * 8 + 8);
    store(l + k * 4, _mm_unpacklo_pi32(a, b));
    store(r + k * 4, _mm_unpackhi_pi32(a, b));
  }
  _mm_empty();
  for (; k < frames; ++k) {
    __builtin_memcpy(l + k * 4, s + k * 8, 4);
    __builtin_memcpy(r + k * 4, s + k * 8 + 4, 4);
  }
}

void interleave32(void* destination, const void* left, const void* right, long frames) {
  auto* d = static_cast<uint8_t*>(destination);
  const auto* l = static_cast<const uint8_t*>(left);
  const auto* r = static_cast<const uint8_t*>(right);
  long k = 0;
  for (; k + 2 <= frames; k += 2) {
    const __m64 a = load(l + k * 4), b = load(r + k * 4);
    store(d + k * 8, _mm_unpacklo_pi32(a, b));
    store(d + k * 8 + 8, _mm_unpackhi_pi32(a, b));
  }
  _mm_empty();
  for (; k < frames; ++k) {
    __builtin_memcpy(d + k * 8, l + k * 4, 4);
    __builtin_memcpy(d + k * 8 + 4, r + k * 4, 4);
  }
}

}  // namespace tz::audio::mmx
