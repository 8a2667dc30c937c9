// SSE2 kernels: double-precision float to 8-, 16- and 24-bit integers, 16-bit integers to
// single and double precision, and the packed conversions between the two float types.
#include <emmintrin.h>

#include "support/audio/format_copy.h"
#include "support/audio/vector_run.h"

namespace tz::audio::sse2 {
namespace {

// Four products of doubles limited to [lo, hi], as four 32-bit integers, NaN as 0. The limits
// are taken with NaN as their second operand, which min and max then return, so NaN alone
// converts to 0x80000000, a value no limited product gives; that is then cleared.
inline __m128i convertFour(const uint8_t* s, __m128d k, __m128d lo, __m128d hi) {
  const auto* p = reinterpret_cast<const double*>(s);
  const __m128d a = _mm_min_pd(hi, _mm_max_pd(lo, _mm_mul_pd(_mm_loadu_pd(p), k)));
  const __m128d b = _mm_min_pd(hi, _mm_max_pd(lo, _mm_mul_pd(_mm_loadu_pd(p + 2), k)));
  const __m128i v = _mm_unpacklo_epi64(_mm_cvtpd_epi32(a), _mm_cvtpd_epi32(b));
  return _mm_andnot_si128(_mm_cmpeq_epi32(v, _mm_set1_epi32(INT32_MIN)), v);
}

// Four 24-bit values into 12 bytes: each 64-bit lane (x, y) becomes the six bytes of
// x | y << 24, stored with eight-byte stores that write 2 bytes past the group.
inline void storeFour24(uint8_t* to, __m128i v) {
  const __m128i low24 = _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF);
  const __m128i packed =
      _mm_or_si128(_mm_and_si128(v, low24), _mm_andnot_si128(low24, _mm_srli_epi64(v, 8)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to), packed);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to + 6), _mm_unpackhi_epi64(packed, packed));
}

// A head of at most one sample aligns the source; a source not 8-byte aligned is read with
// unaligned loads all the same. Store(destination, eight 32-bit results in two vectors).
template <TZSAMPLETYPE D, class Store>
void doubleToInt(void* d, const void* s, long n, float gain, Store store) {
  constexpr int m = Layout<D>::kBits;
  constexpr bool spills = D == TZSAMPLETYPE_PCM24;
  VectorMode mode(flushBitsForIntegerOutput());
  const __m128d k = _mm_set1_pd(static_cast<double>(gain) * power2(m - 1));
  const __m128d lo = _mm_set1_pd(kIntLow<m>), hi = _mm_set1_pd(kIntHigh<m>);
  const long head = isAligned(s, 8) ? samplesToAlign16(s, 8) : 0;
  splitRun<D, TZSAMPLETYPE_FLOAT64, 8, spills>(
      d, s, n, gain, head, [&](uint8_t* to, const uint8_t* from, long groups) {
        for (long g = 0; g < groups; ++g) {
          const uint8_t* in = from + g * 64;
          store(to + g * 8 * Layout<D>::kBytes, convertFour(in, k, lo, hi),
                convertFour(in + 32, k, lo, hi));
        }
      });
}

}  // namespace

void TZ_STDCALL float64ToPcm8(void* d, const void* s, long n, float gain) {
  doubleToInt<TZSAMPLETYPE_PCM8>(d, s, n, gain, [](uint8_t* to, __m128i a, __m128i b) {
    const __m128i words = _mm_packs_epi32(a, b);
    const __m128i bytes = _mm_xor_si128(_mm_packs_epi16(words, words), _mm_set1_epi8(-128));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to), bytes);
  });
}

void TZ_STDCALL float64ToPcm16(void* d, const void* s, long n, float gain) {
  doubleToInt<TZSAMPLETYPE_PCM16>(d, s, n, gain, [](uint8_t* to, __m128i a, __m128i b) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_packs_epi32(a, b));
  });
}

void TZ_STDCALL float64ToPcm24(void* d, const void* s, long n, float gain) {
  doubleToInt<TZSAMPLETYPE_PCM24>(d, s, n, gain, [](uint8_t* to, __m128i a, __m128i b) {
    storeFour24(to, a);
    storeFour24(to + 12, b);
  });
}

void TZ_STDCALL pcm16ToFloat32(void* d, const void* s, long n, float gain) {
  constexpr auto D = TZSAMPLETYPE_FLOAT32, S = TZSAMPLETYPE_PCM16;
  if (!pcm16Vectorisable<D>(d, s, gain)) return copySamples<D, S>(d, s, n, gain);
  VectorMode mode(0);
  const __m128 k = _mm_set1_ps(gain * static_cast<float>(power2(-15)));
  splitRun<D, S, 8>(
      d, s, n, gain, samplesToAlign16(d, 4), [k](uint8_t* to, const uint8_t* from, long groups) {
        for (long g = 0; g < groups; ++g) {
          const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + g * 16));
          const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(w, w), 16);
          const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(w, w), 16);
          auto* out = reinterpret_cast<float*>(to + g * 32);
          _mm_store_ps(out, _mm_mul_ps(_mm_cvtepi32_ps(low), k));
          _mm_store_ps(out + 4, _mm_mul_ps(_mm_cvtepi32_ps(high), k));
        }
      });
}

void TZ_STDCALL pcm16ToFloat64(void* d, const void* s, long n, float gain) {
  constexpr auto D = TZSAMPLETYPE_FLOAT64, S = TZSAMPLETYPE_PCM16;
  if (d == s) return copySamples<D, S>(d, s, n, gain);
  VectorMode mode(0);
  const __m128d k = _mm_set1_pd(static_cast<double>(gain) * power2(-15));
  splitRun<D, S, 4>(
      d, s, n, gain, isAligned(d, 8) ? samplesToAlign16(d, 8) : 0,
      [k](uint8_t* to, const uint8_t* from, long groups) {
        for (long g = 0; g < groups; ++g) {
          const __m128i w = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + g * 8));
          const __m128i v = _mm_srai_epi32(_mm_unpacklo_epi16(w, w), 16);
          auto* out = reinterpret_cast<double*>(to + g * 32);
          _mm_storeu_pd(out, _mm_mul_pd(_mm_cvtepi32_pd(v), k));
          _mm_storeu_pd(out + 2, _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(v, 8)), k));
        }
      });
}

// Packed precision changes; a gain other than 1.0, and widening in place, take the scalar
// method. The caller's flush modes stay, as the scalar kernels run under them too.
void TZ_STDCALL float32ToFloat64(void* d, const void* s, long n, float gain) {
  constexpr auto D = TZSAMPLETYPE_FLOAT64, S = TZSAMPLETYPE_FLOAT32;
  if (gain != 1.0f || d == s) return copySamples<D, S>(d, s, n, gain);
  splitRun<D, S, 4>(d, s, n, gain, 0, [](uint8_t* to, const uint8_t* from, long groups) {
    for (long g = 0; g < groups; ++g) {
      const __m128 x = _mm_loadu_ps(reinterpret_cast<const float*>(from + g * 16));
      auto* out = reinterpret_cast<double*>(to + g * 32);
      _mm_storeu_pd(out, _mm_cvtps_pd(x));
      _mm_storeu_pd(out + 2, _mm_cvtps_pd(_mm_movehl_ps(x, x)));
    }
  });
}

void TZ_STDCALL float64ToFloat32(void* d, const void* s, long n, float gain) {
  constexpr auto D = TZSAMPLETYPE_FLOAT32, S = TZSAMPLETYPE_FLOAT64;
  if (gain != 1.0f) return copySamples<D, S>(d, s, n, gain);
  VectorMode mode(0);
  splitRun<D, S, 4>(d, s, n, gain, 0, [](uint8_t* to, const uint8_t* from, long groups) {
    for (long g = 0; g < groups; ++g) {
      const auto* in = reinterpret_cast<const double*>(from + g * 32);
      const __m128 low = _mm_cvtpd_ps(_mm_loadu_pd(in)), high = _mm_cvtpd_ps(_mm_loadu_pd(in + 2));
      _mm_storeu_ps(reinterpret_cast<float*>(to + g * 16), _mm_movelh_ps(low, high));
    }
  });
}

}  // namespace tz::audio::sse2
