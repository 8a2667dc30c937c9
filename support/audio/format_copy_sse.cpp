// Kernels for processors with SSE but not SSE2, which convert through MMX registers:
// single-precision float to 8-, 16- and 24-bit integers, and 16-bit integers to float.
#include <mmintrin.h>
#include <xmmintrin.h>

#include "support/audio/format_copy.h"
#include "support/audio/vector_run.h"

namespace tz::audio::sse {
namespace {

// Four products limited to [lo, hi] with NaN as 0, converted with the current rounding
// into two pairs of 32-bit integers.
struct Quad {
  __m64 low, high;
};
inline Quad convertFour(const uint8_t* s, __m128 k, __m128 lo, __m128 hi) {
  __m128 x = _mm_mul_ps(_mm_load_ps(reinterpret_cast<const float*>(s)), k);
  x = _mm_and_ps(x, _mm_cmpord_ps(x, x));
  x = _mm_min_ps(_mm_max_ps(x, lo), hi);
  return {_mm_cvtps_pi32(x), _mm_cvtps_pi32(_mm_movehl_ps(x, x))};
}

// The body works on an aligned source only, and only where single-precision products are
// exact; every other run goes wholly to the scalar method.
template <TZSAMPLETYPE D, long Group, class Store>
void floatToInt(void* d, const void* s, long n, float gain, Store store) {
  constexpr int m = Layout<D>::kBits;
  if (!isAligned(s, 4) || !isExactSingleScale(gain, m - 1)) {
    copySamples<D, TZSAMPLETYPE_FLOAT32>(d, s, n, gain);
    return;
  }
  VectorMode mode(flushBitsForIntegerOutput());
  const __m128 k = _mm_set1_ps(gain * static_cast<float>(power2(m - 1)));
  const __m128 lo = _mm_set1_ps(static_cast<float>(kIntLow<m>));
  const __m128 hi = _mm_set1_ps(static_cast<float>(kIntHigh<m>));
  splitRun<D, TZSAMPLETYPE_FLOAT32, Group>(
      d, s, n, gain, samplesToAlign16(s, 4), [&](uint8_t* to, const uint8_t* from, long groups) {
        for (long g = 0; g < groups; ++g)
          store(to + g * Group * Layout<D>::kBytes, from + g * Group * 4, k, lo, hi);
        _mm_sfence();
        _mm_empty();
      });
}

}  // namespace

void TZ_STDCALL float32ToPcm8(void* d, const void* s, long n, float gain) {
  floatToInt<TZSAMPLETYPE_PCM8, 8>(
      d, s, n, gain, [](uint8_t* to, const uint8_t* from, __m128 k, __m128 lo, __m128 hi) {
        const Quad a = convertFour(from, k, lo, hi), b = convertFour(from + 16, k, lo, hi);
        const __m64 bytes =
            _mm_packs_pi16(_mm_packs_pi32(a.low, a.high), _mm_packs_pi32(b.low, b.high));
        _mm_stream_pi(reinterpret_cast<__m64*>(to), _mm_xor_si64(bytes, _mm_set1_pi8(-128)));
      });
}

void TZ_STDCALL float32ToPcm16(void* d, const void* s, long n, float gain) {
  floatToInt<TZSAMPLETYPE_PCM16, 4>(
      d, s, n, gain, [](uint8_t* to, const uint8_t* from, __m128 k, __m128 lo, __m128 hi) {
        const Quad q = convertFour(from, k, lo, hi);
        _mm_stream_pi(reinterpret_cast<__m64*>(to), _mm_packs_pi32(q.low, q.high));
      });
}

void TZ_STDCALL float32ToPcm24(void* d, const void* s, long n, float gain) {
  floatToInt<TZSAMPLETYPE_PCM24, 4>(
      d, s, n, gain, [](uint8_t* to, const uint8_t* from, __m128 k, __m128 lo, __m128 hi) {
        const Quad q = convertFour(from, k, lo, hi);
        Layout<TZSAMPLETYPE_PCM24>::write(to, _mm_cvtsi64_si32(q.low));
        Layout<TZSAMPLETYPE_PCM24>::write(to + 3, _mm_cvtsi64_si32(_mm_srli_si64(q.low, 32)));
        Layout<TZSAMPLETYPE_PCM24>::write(to + 6, _mm_cvtsi64_si32(q.high));
        Layout<TZSAMPLETYPE_PCM24>::write(to + 9, _mm_cvtsi64_si32(_mm_srli_si64(q.high, 32)));
      });
}

// Sign-extends through the MMX unpack and converts pairs; the head aligns the destination.
void TZ_STDCALL pcm16ToFloat32(void* d, const void* s, long n, float gain) {
  constexpr auto D = TZSAMPLETYPE_FLOAT32, S = TZSAMPLETYPE_PCM16;
  if (d == s || !isAligned(d, 4) || !scaledStaysNormal(gain, -15)) {
    copySamples<D, S>(d, s, n, gain);
    return;
  }
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
