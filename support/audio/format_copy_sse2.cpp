// SSE2 kernels: double-precision float to 8-, 16- and 24-bit integers, 16-bit integers to
// single and double precision, and the packed conversions between the two float types.
#include <emmintrin.h>

#include "support/audio/format_copy.h"
#include "support/audio/vector_run.h"

namespace tz::audio::sse2 {
namespace {

// Four products of doubles limited to [lo, hi] with NaN as 0, as four 32-bit integers.
inline __m128i convertFour(const uint8_t* s, __m128d k, __m128d lo, __m128d hi) {
  const auto* p = reinterpret_cast<const double*>(s);
  __m128d a = _mm_mul_pd(_mm_loadu_pd(p), k), b = _mm_mul_pd(_mm_loadu_pd(p + 2), k);
  a = _mm_min_pd(_mm_max_pd(_mm_and_pd(a, _mm_cmpord_pd(a, a)), lo), hi);
  b = _mm_min_pd(_mm_max_pd(_mm_and_pd(b, _mm_cmpord_pd(b, b)), lo), hi);
  return _mm_unpacklo_epi64(_mm_cvtpd_epi32(a), _mm_cvtpd_epi32(b));
}

// A head of at most one sample aligns the source; a source not 8-byte aligned is read with
// unaligned loads all the same.
template <TZSAMPLETYPE D, class Store>
void doubleToInt(void* d, const void* s, long n, float gain, Store store) {
  constexpr int m = Layout<D>::kBits;
  VectorMode mode(flushBitsForIntegerOutput());
  const __m128d k = _mm_set1_pd(static_cast<double>(gain) * power2(m - 1));
  const __m128d lo = _mm_set1_pd(kIntLow<m>), hi = _mm_set1_pd(kIntHigh<m>);
  const long head = isAligned(s, 8) ? samplesToAlign16(s, 8) : 0;
  splitRun<D, TZSAMPLETYPE_FLOAT64, 4>(
      d, s, n, gain, head, [&](uint8_t* to, const uint8_t* from, long groups) {
        for (long g = 0; g < groups; ++g)
          store(to + g * 4 * Layout<D>::kBytes, convertFour(from + g * 32, k, lo, hi));
        _mm_sfence();
      });
}

inline void streamInt32(uint8_t* to, int32_t v) {
  _mm_stream_si32(reinterpret_cast<int*>(to), v);
}

// Sixteen-bit samples to float: in place and destinations off the element grid go to the
// scalar method; the head aligns the destination. Widen(words) gives four 32-bit integers.
template <TZSAMPLETYPE D>
bool pcm16Vectorisable(void* d, const void* s, float gain) {
  return d != s && isAligned(d, Layout<D>::kBytes) && scaledStaysNormal(gain, -15);
}

}  // namespace

void TZ_STDCALL float64ToPcm8(void* d, const void* s, long n, float gain) {
  doubleToInt<TZSAMPLETYPE_PCM8>(d, s, n, gain, [](uint8_t* to, __m128i v) {
    const __m128i words = _mm_packs_epi32(v, v);
    const __m128i bytes = _mm_xor_si128(_mm_packs_epi16(words, words), _mm_set1_epi8(-128));
    streamInt32(to, _mm_cvtsi128_si32(bytes));
  });
}

void TZ_STDCALL float64ToPcm16(void* d, const void* s, long n, float gain) {
  doubleToInt<TZSAMPLETYPE_PCM16>(d, s, n, gain, [](uint8_t* to, __m128i v) {
    const __m128i words = _mm_packs_epi32(v, v);
    streamInt32(to, _mm_cvtsi128_si32(words));
    streamInt32(to + 4, _mm_cvtsi128_si32(_mm_srli_si128(words, 4)));
  });
}

void TZ_STDCALL float64ToPcm24(void* d, const void* s, long n, float gain) {
  doubleToInt<TZSAMPLETYPE_PCM24>(d, s, n, gain, [](uint8_t* to, __m128i v) {
    for (int i = 0; i < 4; ++i, v = _mm_srli_si128(v, 4))
      Layout<TZSAMPLETYPE_PCM24>::write(to + 3 * i, _mm_cvtsi128_si32(v));
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
