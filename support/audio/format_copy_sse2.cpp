// SSE2 kernels: single- and double-precision float to 8-, 16- and 24-bit integers, 16-bit
// integers to single and double precision, and the packed conversions between the float types.
#include <emmintrin.h>

#include <cmath>

#include "support/audio/format_copy.h"
#include "support/audio/vector_run.h"

namespace tz::audio::sse2 {
namespace {

// Four 24-bit values into 12 bytes by four overlapping eight-byte stores, each covering the
// stray bytes of the one before; the last writes 5 bytes past the group, which what follows
// writes again.
inline void storeFour24(uint8_t* to, __m128i v) {
  const __m128i odd = _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 2, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to), v);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to + 3), odd);
  _mm_storeh_pi(reinterpret_cast<__m64*>(to + 6), _mm_castsi128_ps(v));
  _mm_storeh_pi(reinterpret_cast<__m64*>(to + 9), _mm_castsi128_ps(odd));
}

// The same with two stores: the byte shift brings each 64-bit lane's second value down one
// byte, so that the lane holds its two values' six bytes and two stray ones, which the second
// store covers; its own land past the group.
inline void storeFour24Packed(uint8_t* to, __m128i v) {
  const __m128i first = _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF);
  const __m128i second = _mm_set_epi32(0xFFFF, -0x1000000, 0xFFFF, -0x1000000);
  const __m128i packed =
      _mm_or_si128(_mm_and_si128(v, first), _mm_and_si128(_mm_srli_si128(v, 1), second));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to), packed);
  _mm_storeh_pi(reinterpret_cast<__m64*>(to + 6), _mm_castsi128_ps(packed));
}

// Four single-precision products, NaN as 0 and at most hi, as 32-bit integers. Products below
// the 32-bit range become 0x80000000, which the saturating packs take to the minimum.
inline __m128i convertFourSingles(const uint8_t* s, __m128 k, __m128 hi) {
  const __m128 x = _mm_mul_ps(_mm_load_ps(reinterpret_cast<const float*>(s)), k);
  return _mm_cvtps_epi32(_mm_min_ps(_mm_and_ps(x, _mm_cmpord_ps(x, x)), hi));
}

// Four single-precision products converted without limits: what convertFourSingles gives, with
// the saturating packs, unless a product is NaN or beyond the 32-bit range, for which the
// conversion raises the invalid-operation flag.
inline __m128i convertFourQuick(const uint8_t* s, __m128 k) {
  return _mm_cvtps_epi32(_mm_mul_ps(_mm_load_ps(reinterpret_cast<const float*>(s)), k));
}

// Results for the saturating packs, of Vectors x 4 singles (up to sixteen).
struct Sixteen {
  __m128i a, b, c, e;
};
template <int Vectors, class Convert>
inline Sixteen convertVectors(const uint8_t* s, Convert four) {
  static_assert(Vectors == 2 || Vectors == 4);
  Sixteen r{four(s), four(s + 16), {}, {}};
  if constexpr (Vectors == 4) r.c = four(s + 32), r.e = four(s + 48);
  return r;
}

// Groups of Vectors x 4 singles from `from`, each stored by store(destination, Sixteen) at steps
// of outBytes, by checkedBlocks: products, conversions and the saturating packs alone, as fast as
// a conversion that ignores NaN and range, or convertFourSingles where the flag calls for it.
template <int Vectors, class Store>
inline void convertGroups(uint8_t* to, const uint8_t* from, long groups, long outBytes, __m128 k,
                          __m128 hi, Store store) {
  constexpr long inBytes = 16 * Vectors;
  checkedBlocks(to, from, groups, outBytes, inBytes, [&](long first, long count, auto limited) {
    uint8_t* out = to + first * outBytes;
    const uint8_t* in = from + first * inBytes;
    auto four = [k, hi](const uint8_t* p) {
      if constexpr (decltype(limited)::value) {
        return convertFourSingles(p, k, hi);
      } else {
        (void)hi;  // the quick conversion has no limit to take
        return convertFourQuick(p, k);
      }
    };
#pragma GCC unroll 2
    for (long i = 0; i < count; ++i, out += outBytes, in += inBytes)
      store(out, convertVectors<Vectors>(in, four));
  });
}

// Four products limited to [lo, hi] as 32-bit integers. The limits are taken with the product
// as their second operand, which min and max return for NaN, so NaN alone converts to
// 0x80000000, a value no limited product gives; its low 24 bits are the 0 that NaN becomes.
inline __m128i convertFourSingles24(const uint8_t* s, __m128 k, __m128 lo, __m128 hi) {
  const __m128 x = _mm_mul_ps(_mm_load_ps(reinterpret_cast<const float*>(s)), k);
  return _mm_cvtps_epi32(_mm_min_ps(hi, _mm_max_ps(lo, x)));
}

// Four double-precision products limited as in convertFourSingles24, NaN as 0x80000000.
inline __m128i convertFour(const uint8_t* s, __m128d k, __m128d lo, __m128d hi) {
  const auto* p = reinterpret_cast<const double*>(s);
  const __m128d a = _mm_min_pd(hi, _mm_max_pd(lo, _mm_mul_pd(_mm_loadu_pd(p), k)));
  const __m128d b = _mm_min_pd(hi, _mm_max_pd(lo, _mm_mul_pd(_mm_loadu_pd(p + 2), k)));
  return _mm_unpacklo_epi64(_mm_cvtpd_epi32(a), _mm_cvtpd_epi32(b));
}

// Results limited to 16 bits, NaN as 0x80000000: each word pair's low word sign-extended, which
// keeps every limited result and takes NaN to 0 in one operation.
inline __m128i zeroNaN16(__m128i v) {
  return _mm_madd_epi16(v, _mm_set1_epi32(1));
}

// A body for singleToInt and doubleToInt that runs store on each group.
template <TZSAMPLETYPE D, TZSAMPLETYPE S, long Group, class Store>
auto eachGroup(Store store) {
  return [store](uint8_t* to, const uint8_t* from, long groups, auto k, auto lo, auto hi) {
    for (long g = 0; g < groups; ++g)
      store(to + g * Group * Layout<D>::kBytes, from + g * Group * Layout<S>::kBytes, k, lo, hi);
  };
}

// singleToInt with store(destination, source, multiplier, low limit, high limit) per group.
template <TZSAMPLETYPE D, long Group, class Store>
void singleToIntGroups(void* d, const void* s, long n, float gain, Store store) {
  singleToInt<D, Group>(d, s, n, gain, eachGroup<D, TZSAMPLETYPE_FLOAT32, Group>(store));
}

// A head of at most one sample aligns the source; a source not 8-byte aligned is read with
// unaligned loads all the same. Bodies convert with convertFour, whose NaN results
// (0x80000000) the 24-bit stores drop with the top byte and the others clear.
template <TZSAMPLETYPE D, long Group, class Store>
void doubleToInt(void* d, const void* s, long n, float gain, Store store) {
  // Denormals-are-zero agrees with the scalar method only at a finite gain: a denormal times
  // infinity is infinity, limited, where zero times infinity is NaN, which gives 0.
  if (!std::isfinite(gain)) return copySamples<D, TZSAMPLETYPE_FLOAT64>(d, s, n, gain);
  constexpr int m = Layout<D>::kBits;
  VectorMode mode(flushBitsForIntegerOutput());
  const __m128d k = _mm_set1_pd(static_cast<double>(gain) * power2(m - 1));
  const __m128d lo = _mm_set1_pd(kIntLow<m>), hi = _mm_set1_pd(kIntHigh<m>);
  const long head = isAligned(s, 8) ? samplesToAlign16(s, 8) : 0;
  const auto body = eachGroup<D, TZSAMPLETYPE_FLOAT64, Group>(store);
  splitRun<D, TZSAMPLETYPE_FLOAT64, Group, D == TZSAMPLETYPE_PCM24>(
      d, s, n, gain, head,
      [&](uint8_t* to, const uint8_t* from, long groups) { body(to, from, groups, k, lo, hi); });
}

// Sixteen results of convertFour as offset 8-bit samples. No limited product packs to the word
// 0x8000, so NaN is cleared in the words, half as many as the 32-bit results.
inline __m128i packBytes(__m128i a, __m128i b, __m128i c, __m128i e) {
  const __m128i nan = _mm_set1_epi16(INT16_MIN);
  __m128i low = _mm_packs_epi32(a, b), high = _mm_packs_epi32(c, e);
  low = _mm_andnot_si128(_mm_cmpeq_epi16(low, nan), low);
  high = _mm_andnot_si128(_mm_cmpeq_epi16(high, nan), high);
  return _mm_xor_si128(_mm_packs_epi16(low, high), _mm_set1_epi8(-128));
}

}  // namespace

void TZ_STDCALL float32ToPcm8(void* d, const void* s, long n, float gain) {
  singleToInt<TZSAMPLETYPE_PCM8, 16>(
      d, s, n, gain,
      [](uint8_t* to, const uint8_t* from, long groups, __m128 k, __m128, __m128 hi) {
        convertGroups<4>(to, from, groups, 16, k, hi, [](uint8_t* out, const Sixteen& v) {
          const __m128i bytes =
              _mm_packs_epi16(_mm_packs_epi32(v.a, v.b), _mm_packs_epi32(v.c, v.e));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                           _mm_xor_si128(bytes, _mm_set1_epi8(-128)));
        });
      });
}

void TZ_STDCALL float32ToPcm16(void* d, const void* s, long n, float gain) {
  singleToInt<TZSAMPLETYPE_PCM16, 8>(
      d, s, n, gain,
      [](uint8_t* to, const uint8_t* from, long groups, __m128 k, __m128, __m128 hi) {
        convertGroups<2>(to, from, groups, 16, k, hi, [](uint8_t* out, const Sixteen& v) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(v.a, v.b));
        });
      });
}

// Packing one group of four and storing the other sample by sample balances the arithmetic
// units against the stores better than either way alone.
void TZ_STDCALL float32ToPcm24(void* d, const void* s, long n, float gain) {
  singleToIntGroups<TZSAMPLETYPE_PCM24, 8>(
      d, s, n, gain, [](uint8_t* to, const uint8_t* in, __m128 k, __m128 lo, __m128 hi) {
        storeFour24Packed(to, convertFourSingles24(in, k, lo, hi));
        storeFour24(to + 12, convertFourSingles24(in + 16, k, lo, hi));
      });
}

void TZ_STDCALL float64ToPcm8(void* d, const void* s, long n, float gain) {
  doubleToInt<TZSAMPLETYPE_PCM8, 16>(
      d, s, n, gain, [](uint8_t* to, const uint8_t* in, __m128d k, __m128d lo, __m128d hi) {
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(to),
            packBytes(convertFour(in, k, lo, hi), convertFour(in + 32, k, lo, hi),
                      convertFour(in + 64, k, lo, hi), convertFour(in + 96, k, lo, hi)));
      });
}

void TZ_STDCALL float64ToPcm16(void* d, const void* s, long n, float gain) {
  doubleToInt<TZSAMPLETYPE_PCM16, 8>(
      d, s, n, gain, [](uint8_t* to, const uint8_t* in, __m128d k, __m128d lo, __m128d hi) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                         _mm_packs_epi32(zeroNaN16(convertFour(in, k, lo, hi)),
                                         zeroNaN16(convertFour(in + 32, k, lo, hi))));
      });
}

// With the arithmetic units busier converting doubles, stores alone are the faster way here.
void TZ_STDCALL float64ToPcm24(void* d, const void* s, long n, float gain) {
  doubleToInt<TZSAMPLETYPE_PCM24, 8>(
      d, s, n, gain, [](uint8_t* to, const uint8_t* in, __m128d k, __m128d lo, __m128d hi) {
        storeFour24(to, convertFour(in, k, lo, hi));
        storeFour24(to + 12, convertFour(in + 32, k, lo, hi));
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
