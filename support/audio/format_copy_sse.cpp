// Kernels for processors with SSE but not SSE2, which convert through MMX registers:
// single-precision float to 8-, 16- and 24-bit integers, and 16-bit integers to float.
#include <mmintrin.h>
#include <xmmintrin.h>

#include "support/audio/format_copy.h"
#include "support/audio/vector_run.h"

namespace tz::audio::sse {
namespace {

// Four products with NaN as 0 and at most hi, converted with the current rounding into two
// pairs of 32-bit integers. Products below the 32-bit range become 0x80000000, which the
// saturating packs take to the minimum; 24-bit results, not packed, are limited below too.
struct Quad {
  __m64 low, high;
};
template <bool LimitLow>
inline Quad convertFour(const uint8_t* s, __m128 k, __m128 lo, __m128 hi) {
  __m128 x = _mm_mul_ps(_mm_load_ps(reinterpret_cast<const float*>(s)), k);
  x = _mm_min_ps(_mm_and_ps(x, _mm_cmpord_ps(x, x)), hi);
  if constexpr (LimitLow) x = _mm_max_ps(x, lo);
  return {_mm_cvtps_pi32(x), _mm_cvtps_pi32(_mm_movehl_ps(x, x))};
}

// Store(destination, eight results) after each group of eight.
template <TZSAMPLETYPE D, class Store>
void floatToInt(void* d, const void* s, long n, float gain, Store store) {
  constexpr bool is24 = D == TZSAMPLETYPE_PCM24;
  singleToInt<D, 8>(
      d, s, n, gain,
      [&](uint8_t* to, const uint8_t* from, long groups, __m128 k, __m128 lo, __m128 hi) {
        for (long g = 0; g < groups; ++g) {
          const uint8_t* in = from + g * 32;
          store(to + g * 8 * Layout<D>::kBytes, convertFour<is24>(in, k, lo, hi),
                convertFour<is24>(in + 16, k, lo, hi));
        }
        _mm_empty();
      });
}

inline void store8(uint8_t* to, __m64 v) {
  __builtin_memcpy(to, &v, 8);
}

// Two 24-bit values into six bytes: the lane pair (x, y) becomes x | y << 24; the eight-byte
// store writes 2 bytes past them.
inline void storeTwo24(uint8_t* to, __m64 v) {
  const __m64 low24 = _mm_set_pi32(0, 0xFFFFFF);
  store8(to, _mm_or_si64(_mm_and_si64(v, low24), _mm_andnot_si64(low24, _mm_srli_si64(v, 8))));
}

}  // namespace

void TZ_STDCALL float32ToPcm8(void* d, const void* s, long n, float gain) {
  floatToInt<TZSAMPLETYPE_PCM8>(d, s, n, gain, [](uint8_t* to, Quad a, Quad b) {
    const __m64 bytes =
        _mm_packs_pi16(_mm_packs_pi32(a.low, a.high), _mm_packs_pi32(b.low, b.high));
    store8(to, _mm_xor_si64(bytes, _mm_set1_pi8(-128)));
  });
}

void TZ_STDCALL float32ToPcm16(void* d, const void* s, long n, float gain) {
  floatToInt<TZSAMPLETYPE_PCM16>(d, s, n, gain, [](uint8_t* to, Quad a, Quad b) {
    store8(to, _mm_packs_pi32(a.low, a.high));
    store8(to + 8, _mm_packs_pi32(b.low, b.high));
  });
}

void TZ_STDCALL float32ToPcm24(void* d, const void* s, long n, float gain) {
  floatToInt<TZSAMPLETYPE_PCM24>(d, s, n, gain, [](uint8_t* to, Quad a, Quad b) {
    storeTwo24(to, a.low);
    storeTwo24(to + 6, a.high);
    storeTwo24(to + 12, b.low);
    storeTwo24(to + 18, b.high);
  });
}

// Sign-extends through the MMX unpack and converts pairs; the head aligns the destination.
void TZ_STDCALL pcm16ToFloat32(void* d, const void* s, long n, float gain) {
  constexpr auto D = TZSAMPLETYPE_FLOAT32, S = TZSAMPLETYPE_PCM16;
  if (!pcm16Vectorisable<D>(d, s, gain)) return copySamples<D, S>(d, s, n, gain);
  VectorMode mode(0);
  const __m128 k = _mm_set1_ps(gain * static_cast<float>(power2(-15)));
  splitRun<D, S, 4>(d, s, n, gain, samplesToAlign16(d, 4),
                    [k](uint8_t* to, const uint8_t* from, long groups) {
                      for (long g = 0; g < groups; ++g) {
                        __m64 w;
                        __builtin_memcpy(&w, from + g * 8, 8);
                        const __m64 low = _mm_srai_pi32(_mm_unpacklo_pi16(w, w), 16);
                        const __m64 high = _mm_srai_pi32(_mm_unpackhi_pi16(w, w), 16);
                        _mm_store_ps(reinterpret_cast<float*>(to + g * 16),
                                     _mm_mul_ps(_mm_cvtpi32x2_ps(low, high), k));
                      }
                      _mm_empty();
                    });
}

}  // namespace tz::audio::sse
