// The baseline kernel of every format-copy pair: blocks of sixteen samples in SSE2 registers,
// each bit for bit the scalar conversion (copy_loop.h), which converts the rest of a run. Which
// method a run takes, and why each is exact, is in the folder's README.
#include <emmintrin.h>

#include <type_traits>

#include "support/audio/copy_loop.h"
#include "support/audio/format_copy.h"
#include "support/audio/pair_table.h"
#include "support/audio/vector_lanes.h"
#include "support/audio/vector_run.h"

namespace tz::audio {
namespace {

// The caller's rounding mode is round to nearest: the integer and single-precision methods
// round as the scalar one does only then (the scalar addition of 1.5 x 2^52 floors negative
// values under round-toward-zero, where the processor's conversions truncate).
inline bool roundsToNearest() {
  return (_mm_getcsr() & 0x6000) == 0;
}

// Round top / 2^k to nearest, ties to even, with the usual bias (half less one, plus one when
// the quotient is odd). In 16-bit lanes the biased sum saturates instead of wrapping; only
// values whose result (128) the packs take to 127 anyway reach the saturation. 32-bit lanes
// have no saturating addition, so there the remainder and the bias are added apart from the
// quotient.
inline __m128i roundShift16(__m128i top, int k) {
  const __m128i odd = _mm_and_si128(_mm_srli_epi16(top, k), _mm_set1_epi16(1));
  const __m128i bias = _mm_add_epi16(odd, _mm_set1_epi16(static_cast<int16_t>((1 << (k - 1)) - 1)));
  return _mm_srai_epi16(_mm_adds_epi16(top, bias), k);
}
inline __m128i roundShift32(__m128i top, int k) {
  const __m128i quotient = _mm_srai_epi32(top, k);
  const __m128i remainder = _mm_and_si128(top, _mm_set1_epi32((1 << k) - 1));
  const __m128i bias =
      _mm_add_epi32(_mm_and_si128(quotient, _mm_set1_epi32(1)), _mm_set1_epi32((1 << (k - 1)) - 1));
  return _mm_add_epi32(quotient, _mm_srli_epi32(_mm_add_epi32(remainder, bias), k));
}

// roundShift32 for values of at most 24 bits, to which the bias adds without overflow.
inline __m128i roundShift24(__m128i value, int k) {
  const __m128i odd = _mm_and_si128(_mm_srli_epi32(value, k), _mm_set1_epi32(1));
  const __m128i bias = _mm_add_epi32(odd, _mm_set1_epi32((1 << (k - 1)) - 1));
  return _mm_srai_epi32(_mm_add_epi32(value, bias), k);
}

// Eight 32-bit words of two registers rounded to word / 2^16 (to nearest, ties to even) and
// limited to 16 bits, in 16-bit lanes: the packs gather the quotients (the high halves) and the
// remainders (the low halves, which pmaddwd sign-extends), and a quotient takes one more where
// the remainder less half, plus the quotient's parity, is above zero; the saturating steps keep
// 0xFFFF + 1 and 32767 + 1 in range. Eleven operations for eight samples against fifteen by
// roundShift32. Swapped: each word's halves trade places, as a big-endian word with each half's
// bytes put back in order has them.
template <bool Swapped>
inline __m128i roundHalves16(__m128i a, __m128i b) {
  const __m128i lowHalf = _mm_set1_epi32(1);  // pmaddwd's weights: the low half alone
  const auto bottom = [lowHalf](__m128i x) { return _mm_madd_epi16(x, lowHalf); };
  const auto top = [](__m128i x) { return _mm_srai_epi32(x, 16); };
  const __m128i quotient =
      Swapped ? _mm_packs_epi32(bottom(a), bottom(b)) : _mm_packs_epi32(top(a), top(b));
  const __m128i remainder =
      Swapped ? _mm_packs_epi32(top(a), top(b)) : _mm_packs_epi32(bottom(a), bottom(b));
  const __m128i aboveHalf = _mm_adds_epi16(_mm_xor_si128(remainder, _mm_set1_epi16(INT16_MIN)),
                                           _mm_and_si128(quotient, _mm_set1_epi16(1)));
  return _mm_subs_epi16(quotient, _mm_cmpgt_epi16(aboveHalf, _mm_setzero_si128()));
}

// Integer layouts at gain 1.0: values at the top of the lane shift down to the destination's
// width, exactly when it is at least as wide, else rounded and limited; 8- and 16-bit pairs
// stay in 16-bit lanes. The packs of the stores limit 8- and 16-bit results; only 24 bits
// needs its own limit, where a 32-bit value near the maximum rounds one past it.
// The pairs that roundHalves16 narrows: 32-bit words and three-byte samples at the top of the
// lane to 16 bits, and PCM24IN32 words (24-bit values) to 8.
template <TZSAMPLETYPE D, TZSAMPLETYPE S>
constexpr bool kRoundsHalves = kWordLayout<D> &&
                               (Layout<D>::kBits == 16
                                    ? S == TZSAMPLETYPE_PCM32 || S == TZSAMPLETYPE_PCM32BE ||
                                          Layout<S>::kBytes == 3
                                    : S == TZSAMPLETYPE_PCM24IN32);

template <bool Words, int Shift, bool Widening>
inline __m128i integerLane(__m128i top) {
  if constexpr (Shift == 0) {
    return top;
  } else if constexpr (Widening) {
    return Words ? _mm_srai_epi16(top, Shift) : _mm_srai_epi32(top, Shift);
  } else {
    return Words ? roundShift16(top, Shift) : roundShift32(top, Shift);
  }
}

template <TZSAMPLETYPE D, TZSAMPLETYPE S, bool Spill>
void integerBlock(uint8_t* to, const uint8_t* from) {
  constexpr int m = Layout<D>::kBits;
  constexpr bool widening = kExactAtUnity<D, S>;
  if constexpr (Layout<D>::kBytes == 1 && Layout<S>::kBytes == 1) {
    storeBytes(to, _mm_xor_si128(loadBytes(from), _mm_set1_epi8(-128)));  // the other signedness
  } else if constexpr (D != S && Layout<D>::kBytes == 3 && Layout<S>::kBytes == 3) {
    // The other byte order: the bytes move in place of the lanes.
    __m128i pairs[4];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) pairs[i] = swapPairs24(loadPairs24(from + 12 * i));
    storePairs24<Spill>(to, pairs);
  } else if constexpr (((D == TZSAMPLETYPE_PCM24BE || D == TZSAMPLETYPE_PCM32BE) &&
                        kWordLayout<S>) ||
                       (D == TZSAMPLETYPE_PCM24 && Layout<S>::kBytes == 1)) {
    // A lane's byte swap of a word at its top is the word's byte swap at its bottom; a byte at
    // the top of a word placed in the lane's top word is the value of three bytes.
    constexpr bool big = D != TZSAMPLETYPE_PCM24;
    const Words w = loadWordsTop<S, true>(from);
    const __m128i zero = _mm_setzero_si128();
    __m128i lanes[4];
#pragma GCC unroll 2
    for (int i = 0; i < 2; ++i) {
      const __m128i low = big ? w.v[i] : zero, high = big ? zero : w.v[i];
      lanes[2 * i] = _mm_unpacklo_epi16(low, high);
      lanes[2 * i + 1] = _mm_unpackhi_epi16(low, high);
    }
    if constexpr (D == TZSAMPLETYPE_PCM32BE) {
#pragma GCC unroll 4
      for (int i = 0; i < 4; ++i) storeBytes(to + 16 * i, lanes[i]);
    } else {
      storeSixteen24<Spill>(to, lanes);
    }
  } else if constexpr (D == TZSAMPLETYPE_PCM32BE && S == TZSAMPLETYPE_PCM24BE) {
    // Three big-endian bytes gathered in memory order, the fourth clear, are the word's bytes.
    __m128i lanes[4];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) lanes[i] = loadFour24(from + 12 * i);
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) storeBytes(to + 16 * i, lanes[i]);
  } else if constexpr (kWordLayout<D> && kWordLayout<S>) {
    Words w = loadWordsTop<S>(from);
#pragma GCC unroll 4
    for (__m128i& v : w.v) v = integerLane<true, 16 - m, widening>(v);
    storeWords<D>(to, w);
  } else if constexpr (kRoundsHalves<D, S>) {
    // Whole words to 16 bits, then 8 by the store's saturating pack where the word is a 24-bit
    // value: a PCM24IN32 word beyond 24 bits, limited first by the exact path, rounds to a
    // quotient that the packs limit the same way. Three bytes at the top of the word round the
    // same way. A big-endian word needs only the bytes of each half swapped, as do three
    // big-endian bytes gathered at the bottom of it.
    constexpr bool big = S == TZSAMPLETYPE_PCM32BE || S == TZSAMPLETYPE_PCM24BE;
    __m128i x[4];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
      if constexpr (Layout<S>::kBytes == 3) {
        x[i] = loadFour24(from + 12 * i);
        if constexpr (!big) x[i] = _mm_slli_epi32(x[i], 8);
      } else {
        x[i] = loadBytes(from + 16 * i);
      }
      if constexpr (big) x[i] = swapBytes16(x[i]);
    }
    storeWords<D>(to, {{roundHalves16<big>(x[0], x[1]), roundHalves16<big>(x[2], x[3])}});
  } else if constexpr (kWordLayout<D> && S == TZSAMPLETYPE_PCM24IN32) {
    // The same for 16 bits from a 24-bit value: rounded from the whole word, the packs limit.
    Ints r;
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) r.v[i] = roundShift32(loadBytes(from + 16 * i), 8);
    storeInts<D, Spill>(to, r);
  } else if constexpr (Layout<S>::kBits == 24 && !widening) {
    // Rounded from the values themselves rather than from the top of the lanes: fewer steps.
    Ints r = loadInts<S>(from);
#pragma GCC unroll 4
    for (__m128i& v : r.v) v = roundShift24(v, 24 - m);
    storeInts<D, Spill>(to, r);
  } else {
    Ints r = loadIntsTop<S>(from);
    if constexpr (widening) {
      storeIntsTop<D, Spill>(to, r);
    } else {
#pragma GCC unroll 4
      for (__m128i& v : r.v) {
        v = integerLane<false, 32 - m, false>(v);
        if constexpr (m == 24) v = _mm_add_epi32(v, _mm_cmpgt_epi32(v, _mm_set1_epi32(0x7FFFFF)));
      }
      storeInts<D, Spill>(to, r);
    }
  }
}

// The scalar conversion's constants in both precisions.
struct Scale {
  __m128d k, lo, hi;
  __m128 singleK, singleLo, singleHi;
};

template <TZSAMPLETYPE D, TZSAMPLETYPE S>
Scale scaleFor(float gain) {
  constexpr int m = Layout<D>::kBits;
  const double k = multiplierFor<D, S>(gain);
  const double lo = m ? kIntLow<m> : 0.0, hi = m ? kIntHigh<m> : 0.0;
  const auto singleHi = static_cast<float>(m == 32 ? power2(31) : hi);
  return {_mm_set1_pd(k),
          _mm_set1_pd(lo),
          _mm_set1_pd(hi),
          _mm_set1_ps(static_cast<float>(k)),
          _mm_set1_ps(static_cast<float>(lo)),
          _mm_set1_ps(singleHi)};
}

enum class Method { kDouble, kDoubleUnity, kSingle };

// Four samples of the block as doubles: int32 lanes convert exactly, as do singles.
template <TZSAMPLETYPE S>
inline void quadAsDoubles(const uint8_t* from, const Ints& values, int i, __m128d& a, __m128d& b) {
  if constexpr (S == TZSAMPLETYPE_FLOAT32) {
    const __m128 x = _mm_loadu_ps(reinterpret_cast<const float*>(from + 16 * i));
    a = _mm_cvtps_pd(x);
    b = _mm_cvtps_pd(_mm_movehl_ps(x, x));
  } else if constexpr (S == TZSAMPLETYPE_FLOAT64) {
    a = _mm_loadu_pd(reinterpret_cast<const double*>(from + 32 * i));
    b = _mm_loadu_pd(reinterpret_cast<const double*>(from + 32 * i + 16));
  } else {
    a = _mm_cvtepi32_pd(values.v[i]);
    b = _mm_cvtepi32_pd(_mm_srli_si128(values.v[i], 8));
  }
}

// roundLimited on two lanes: the same min and max operand order (NaN passes through them),
// NaN to 0, and the same addition of 1.5 x 2^52 in the caller's rounding mode.
inline __m128d roundLimitedPair(__m128d y, const Scale& c) {
  y = _mm_max_pd(c.lo, _mm_min_pd(c.hi, y));
  y = _mm_and_pd(y, _mm_cmpord_pd(y, y));
  return _mm_add_pd(y, _mm_set1_pd(6755399441055744.0));
}

// Four products in single precision as int32, for the runs where that is exact (see
// singleExact): NaN to 0; a 32-bit result at or above 2^31, which converts to 0x80000000,
// to the maximum.
template <int Bits>
inline __m128i singleToInts(__m128 y, const Scale& c) {
  __m128i r;
  if constexpr (Bits == 32) {
    r = _mm_xor_si128(_mm_cvtps_epi32(y), _mm_castps_si128(_mm_cmpge_ps(y, c.singleHi)));
  } else {
    r = _mm_cvtps_epi32(_mm_min_ps(c.singleHi, _mm_max_ps(c.singleLo, y)));
  }
  return _mm_and_si128(r, _mm_castps_si128(_mm_cmpord_ps(y, y)));
}

// Four products as singleToInts gives them, or, quick, by the conversion alone (within the
// limits for PCM24IN32; 8- and 16-bit results take theirs from the stores' saturating packs):
// the same for every product but NaN and those beyond the 32-bit range, which are exactly the
// ones whose conversion raises the invalid-operation flag.
template <TZSAMPLETYPE D, bool Limited>
inline __m128i singleToIntsChecked(__m128 y, const Scale& c) {
  if constexpr (Limited) {
    return singleToInts<Layout<D>::kBits>(y, c);
  } else if constexpr (Layout<D>::kBits == 32 || kWordLayout<D>) {
    return _mm_cvtps_epi32(y);
  } else {
    return _mm_cvtps_epi32(_mm_min_ps(c.singleHi, _mm_max_ps(c.singleLo, y)));
  }
}

// Groups of sixteen FLOAT32 samples, 16-byte aligned, to an integer layout of one, two or four
// bytes by singleToIntsChecked.
template <TZSAMPLETYPE D, bool Limited>
void singleGroups(uint8_t* out, const uint8_t* in, long groups, const Scale& c) {
#pragma GCC unroll 2
  for (long g = 0; g < groups; ++g, out += Layout<D>::kBytes * kBlock, in += 4 * kBlock) {
    Ints r;
#pragma GCC unroll 4
    for (int q = 0; q < 4; ++q) {
      const __m128 x = _mm_load_ps(reinterpret_cast<const float*>(in + 16 * q));
      r.v[q] = singleToIntsChecked<D, Limited>(_mm_mul_ps(x, c.singleK), c);
    }
    storeInts<D, false>(out, r);
  }
}

// FLOAT32 to an integer layout of one, two or four bytes by the single method, from a 4-byte
// aligned source: groups of sixteen from an aligned source by checkedBlocks, quick where the
// flag allows. The caller's register, flags included, comes back at the end.
template <TZSAMPLETYPE D>
void singleToIntsBlocks(void* d, const void* s, long n, float gain, const Scale& c) {
  constexpr long kIn = 4 * kBlock, kOut = Layout<D>::kBytes * kBlock;
  CallerRegister keep;
  splitRun<D, TZSAMPLETYPE_FLOAT32, kBlock>(
      d, s, n, gain, samplesToAlign16(s, 4), [&c](uint8_t* to, const uint8_t* from, long groups) {
        checkedBlocks(to, from, groups, kOut, kIn, [&](long first, long count, auto limited) {
          singleGroups<D, decltype(limited)::value>(to + first * kOut, from + first * kIn, count,
                                                    c);
        });
      });
}

// A three- or four-byte integer layout to FLOAT32 by the single method: a head that aligns the
// destination, then groups of sixteen in a loop of their own rather than runBlocks', whose
// per-block steps cost a tenth of the speed here. Each group is loaded before it is stored, so
// in place is safe for four-byte samples; three-byte ones, whose stores run ahead of their
// loads, come here only when the runs do not meet. Three-byte samples convert from the top of
// the lane, which saves a shift and stays exact (24 bits), by a multiplier 2^8 smaller.
template <TZSAMPLETYPE S>
void intsToSingle(void* d, const void* s, long n, float gain) {
  constexpr bool top = Layout<S>::kBytes == 3;
  constexpr long kGroup = 16, kOut = 4 * kGroup, kIn = Layout<S>::kBytes * kGroup;
  const double multiplier = multiplierFor<TZSAMPLETYPE_FLOAT32, S>(gain) * (top ? 0x1p-8 : 1.0);
  const __m128 k = _mm_set1_ps(static_cast<float>(multiplier));
  const long head = isAligned(d, 4) ? samplesToAlign16(d, 4) : 0;
  // Three-byte loads read two bytes past a group, which the tail that Spill keeps covers.
  splitRun<TZSAMPLETYPE_FLOAT32, S, kGroup, top>(
      d, s, n, gain, head, [k](uint8_t* to, const uint8_t* from, long groups) {
#pragma GCC unroll 2
        for (long g = 0; g < groups; ++g, to += kOut, from += kIn) {
          const Ints v = top ? loadIntsTop<S>(from) : loadInts<S>(from);
#pragma GCC unroll 4
          for (int q = 0; q < 4; ++q)
            _mm_storeu_ps(reinterpret_cast<float*>(to + 16 * q),
                          _mm_mul_ps(_mm_cvtepi32_ps(v.v[q]), k));
        }
      });
}

// True when n samples of the destination and the source share a byte.
template <TZSAMPLETYPE D, TZSAMPLETYPE S>
bool runsMeet(const void* d, const void* s, long n) {
  const auto to = reinterpret_cast<uintptr_t>(d), from = reinterpret_cast<uintptr_t>(s);
  return to < from + n * Layout<S>::kBytes && from < to + n * Layout<D>::kBytes;
}

// One block by a floating-point method. Quads run backward when the destination is wider, so
// that in place each quad is read before any store reaches it; 32-bit results are stored per
// quad, narrower ones packed once the block is done.
template <TZSAMPLETYPE D, TZSAMPLETYPE S, Method M, bool Spill>
void floatBlock(uint8_t* to, const uint8_t* from, const Scale& c) {
  constexpr bool backward = Layout<D>::kBytes > Layout<S>::kBytes;
  Ints values{}, results{};
  if constexpr (!kIsFloat<S>) values = loadInts<S>(from);
#pragma GCC unroll 4
  for (int q = 0; q < 4; ++q) {
    const int i = backward ? 3 - q : q;
    if constexpr (M == Method::kSingle && kIsFloat<S>) {
      const __m128 x = _mm_loadu_ps(reinterpret_cast<const float*>(from + 16 * i));
      results.v[i] = singleToInts<Layout<D>::kBits>(_mm_mul_ps(x, c.singleK), c);
      if constexpr (Layout<D>::kBytes == 4) storeFourInts<D>(to + 16 * i, results.v[i]);
    } else if constexpr (M == Method::kSingle) {
      _mm_storeu_ps(reinterpret_cast<float*>(to + 16 * i),
                    _mm_mul_ps(_mm_cvtepi32_ps(values.v[i]), c.singleK));
    } else {
      __m128d a, b;
      quadAsDoubles<S>(from, values, i, a, b);
      if constexpr (M == Method::kDouble) {
        a = _mm_mul_pd(a, c.k);
        b = _mm_mul_pd(b, c.k);
      }
      if constexpr (D == TZSAMPLETYPE_FLOAT32) {
        _mm_storeu_ps(reinterpret_cast<float*>(to + 16 * i),
                      _mm_movelh_ps(_mm_cvtpd_ps(a), _mm_cvtpd_ps(b)));
      } else if constexpr (D == TZSAMPLETYPE_FLOAT64) {
        _mm_storeu_pd(reinterpret_cast<double*>(to + 32 * i), a);
        _mm_storeu_pd(reinterpret_cast<double*>(to + 32 * i + 16), b);
      } else {
        // The low 32 bits of each sum are the integer.
        results.v[i] = _mm_castps_si128(_mm_shuffle_ps(_mm_castpd_ps(roundLimitedPair(a, c)),
                                                       _mm_castpd_ps(roundLimitedPair(b, c)),
                                                       _MM_SHUFFLE(2, 0, 2, 0)));
        if constexpr (Layout<D>::kBytes == 4) storeFourInts<D>(to + 16 * i, results.v[i]);
      }
    }
  }
  if constexpr (!kIsFloat<D> && Layout<D>::kBytes < 4) storeInts<D, Spill>(to, results);
}

// Whole blocks by block(destination, source, spill), the rest by the scalar conversion, in the
// scalar walk's direction when the runs overlap: backward (the tail first) when the
// destination sample is wider. Three-byte loads read, and spilling three-byte stores write,
// two bytes past a block, so such layouts keep one sample back. A block may spill only where
// what follows it is written later and holds no source left to read.
template <TZSAMPLETYPE D, TZSAMPLETYPE S, class Block>
void runBlocks(void* destination, const void* source, long n, float gain, Block block) {
  auto* d = static_cast<uint8_t*>(destination);
  const auto* s = static_cast<const uint8_t*>(source);
  constexpr long db = Layout<D>::kBytes * kBlock, sb = Layout<S>::kBytes * kBlock;
  constexpr long spare = Layout<S>::kBytes == 3 || Layout<D>::kBytes == 3 ? 1 : 0;
  const long blocks = n > spare ? (n - spare) / kBlock : 0;
  const long done = blocks * kBlock;
  // Forward when the runs do not meet: the same bytes, and the prefetchers prefer it.
  const bool overlap = runsMeet<D, S>(d, s, n);
  if (db > sb && overlap) {
    copySamples<D, S>(d + blocks * db, s + blocks * sb, n - done, gain);
    for (long b = blocks - 1; b >= 0; --b) block(d + b * db, s + b * sb, std::false_type());
  } else if (db < sb || !overlap) {
    for (long b = 0; b < blocks; ++b) block(d + b * db, s + b * sb, std::true_type());
    copySamples<D, S>(d + blocks * db, s + blocks * sb, n - done, gain);
  } else {
    for (long b = 0; b < blocks; ++b) block(d + b * db, s + b * sb, std::false_type());
    copySamples<D, S>(d + blocks * db, s + blocks * sb, n - done, gain);
  }
}

// Single precision gives the double-precision result when every product it forms is exact or
// rounds once: sources of at most 16 bits convert to single exactly, so any gain whose factor
// is a normal number; wider integer sources round on conversion, so the factor must be a power
// of two; a single source to integers needs a power of two too, and round to nearest, since
// the single conversion truncates under round-toward-zero, and the invalid-operation exception
// masked, since the conversion raises it for products beyond 32 bits, which the scalar method
// limits first.
template <TZSAMPLETYPE D, TZSAMPLETYPE S>
constexpr bool kHasSingle = (D == TZSAMPLETYPE_FLOAT32 && !kIsFloat<S>) ||
                            (S == TZSAMPLETYPE_FLOAT32 && !kIsFloat<D>);

template <TZSAMPLETYPE D, TZSAMPLETYPE S>
bool singleExact(float gain) {
  if constexpr (D == TZSAMPLETYPE_FLOAT32) {
    constexpr int scale = 1 - Layout<S>::kBits;
    return Layout<S>::kBits <= 16 ? scaledStaysNormal(gain, scale)
                                  : isExactSingleScale(gain, scale);
  } else {
    return (_mm_getcsr() & 0x6080) == 0x80 && isExactSingleScale(gain, Layout<D>::kBits - 1);
  }
}

template <TZSAMPLETYPE D, TZSAMPLETYPE S, Method M>
void runFloat(void* d, const void* s, long n, float gain, const Scale& c) {
  runBlocks<D, S>(d, s, n, gain, [&c](uint8_t* to, const uint8_t* from, auto spill) {
    floatBlock<D, S, M, decltype(spill)::value>(to, from, c);
  });
}

// Flattened, with the lane loops unrolled, so that a block's registers never go through memory.
template <TZSAMPLETYPE D, TZSAMPLETYPE S>
[[gnu::flatten]] void TZ_STDCALL vectorCopy(void* d, const void* s, long n, float gain) {
  if (n < kBlock || (D == S && gain == 1.0f)) return copySamples<D, S>(d, s, n, gain);
  if constexpr (!kIsFloat<D> && !kIsFloat<S>) {
    if (gain == 1.0f && (kExactAtUnity<D, S> || roundsToNearest()))
      return runBlocks<D, S>(d, s, n, gain, [](uint8_t* to, const uint8_t* from, auto spill) {
        integerBlock<D, S, decltype(spill)::value>(to, from);
      });
  }
  // Ahead of the other methods' constants, whose setting up cost 5% of a call of 1 Ki samples.
  if constexpr (kHasSingle<D, S> && D == TZSAMPLETYPE_FLOAT32 && Layout<S>::kBytes >= 3) {
    if (singleExact<D, S>(gain) && (Layout<S>::kBytes == 4 || !runsMeet<D, S>(d, s, n)))
      return intsToSingle<S>(d, s, n, gain);
  }
  const Scale c = scaleFor<D, S>(gain);
  if constexpr (kIsFloat<D> && kIsFloat<S>) {
    if (gain == 1.0f) return runFloat<D, S, Method::kDoubleUnity>(d, s, n, gain, c);
  }
  if constexpr (kHasSingle<D, S>) {
    if (singleExact<D, S>(gain)) {
      if constexpr (S == TZSAMPLETYPE_FLOAT32 && Layout<D>::kBytes != 3) {
        if (isAligned(s, 4)) return singleToIntsBlocks<D>(d, s, n, gain, c);
      }
      return runFloat<D, S, Method::kSingle>(d, s, n, gain, c);
    }
  }
  runFloat<D, S, Method::kDouble>(d, s, n, gain, c);
}

template <TZSAMPLETYPE D, TZSAMPLETYPE S>
struct VectorEntry {
  static constexpr CopyKernel kernel() {
    if constexpr (hasCopyKernel(D, S)) {
      return &vectorCopy<D, S>;
    } else {
      return nullptr;
    }
  }
};

}  // namespace

CopyKernel baselineCopyKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  return PairTable<VectorEntry>::find(destination, source);
}

}  // namespace tz::audio
