// Blocks of sixteen samples of each integer layout in and out of SSE2 registers, as 16- or
// 32-bit lanes, for the baseline vector kernels (format_copy_vector.cpp). Internal linkage, as
// for sample_codec.h.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "support/audio/sample_codec.h"

namespace tz::audio {
namespace {

inline constexpr long kBlock = 16;

struct Words {  // sixteen samples in 16-bit lanes
  __m128i v[2];
};
struct Ints {  // sixteen samples in 32-bit lanes
  __m128i v[4];
};

// The 8- and 16-bit layouts, which fit 16-bit lanes.
template <TZSAMPLETYPE T>
constexpr bool kWordLayout = !kIsFloat<T> && Layout<T>::kBytes <= 2;

inline __m128i loadBytes(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void storeBytes(uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

inline __m128i swapBytes16(__m128i v) {
  return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
}
// SSE2 has no byte shuffle: swap the words of each lane, then the bytes of each word.
inline __m128i swapBytes32(__m128i v) {
  constexpr int kSwap = _MM_SHUFFLE(2, 3, 0, 1);
  return swapBytes16(_mm_shufflehi_epi16(_mm_shufflelo_epi16(v, kSwap), kSwap));
}

// Sixteen samples of an 8- or 16-bit layout with their values at the top of 16-bit lanes
// (value << (16 - bits)), which unpacking against zero gives for free. Swapped, with the bytes
// of each word swapped (the values' big-endian bytes): unpacked the other way round for one
// byte, PCM16BE's bytes as they are.
template <TZSAMPLETYPE T, bool Swapped = false>
Words loadWordsTop(const uint8_t* p) {
  if constexpr (Layout<T>::kBytes == 1) {
    __m128i x = loadBytes(p);
    if constexpr (T == TZSAMPLETYPE_PCM8) x = _mm_xor_si128(x, _mm_set1_epi8(-128));
    const __m128i zero = _mm_setzero_si128(), low = Swapped ? x : zero, high = Swapped ? zero : x;
    return {{_mm_unpacklo_epi8(low, high), _mm_unpackhi_epi8(low, high)}};
  } else {
    Words w{{loadBytes(p), loadBytes(p + 16)}};
    if constexpr ((T == TZSAMPLETYPE_PCM16BE) != Swapped) {
      for (__m128i& v : w.v) v = swapBytes16(v);
    }
    return w;
  }
}

// Sixteen values that fit the layout, from 16-bit lanes.
template <TZSAMPLETYPE T>
void storeWords(uint8_t* p, const Words& w) {
  if constexpr (Layout<T>::kBytes == 1) {
    __m128i x = _mm_packs_epi16(w.v[0], w.v[1]);
    if constexpr (T == TZSAMPLETYPE_PCM8) x = _mm_xor_si128(x, _mm_set1_epi8(-128));
    storeBytes(p, x);
  } else if constexpr (T == TZSAMPLETYPE_PCM16BE) {
    storeBytes(p, swapBytes16(w.v[0]));
    storeBytes(p + 16, swapBytes16(w.v[1]));
  } else {
    storeBytes(p, w.v[0]);
    storeBytes(p + 16, w.v[1]);
  }
}

// Four three-byte samples as two pairs: bytes 0-5 and 8-13, the bytes after each pair stray.
// Reads 14 bytes: two past the group, which the caller keeps inside the run.
inline __m128i loadPairs24(const uint8_t* p) {
  const __m128 low = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
  return _mm_castps_si128(_mm_loadh_pi(low, reinterpret_cast<const __m64*>(p + 6)));
}

// The pairs of loadPairs24 in the other byte order: each sample's middle byte stays and its
// outer ones trade places. The stray bytes come out clear.
inline __m128i swapPairs24(__m128i x) {
  const __m128i middle = _mm_set1_epi64x(0x00FF0000FF00), up = _mm_slli_epi64(middle, 8),
                down = _mm_srli_epi64(middle, 8);
  return _mm_or_si128(_mm_and_si128(x, middle),
                      _mm_or_si128(_mm_and_si128(_mm_slli_epi64(x, 16), up),
                                   _mm_and_si128(_mm_srli_epi64(x, 16), down)));
}

// Four three-byte samples, each in the low three bytes of its 32-bit lane (bytes in memory
// order), the top byte clear. Reads 14 bytes: two past the group, which the caller keeps inside
// the run. Each 64-bit half holds two samples: the first in place, the second one byte short of
// its lane.
inline __m128i loadFour24(const uint8_t* p) {
  const __m128i x = loadPairs24(p);
  const __m128i first = _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF),
                second = _mm_set_epi32(0xFFFFFF, 0, 0xFFFFFF, 0);
  return _mm_or_si128(_mm_and_si128(x, first), _mm_and_si128(_mm_slli_epi64(x, 8), second));
}

// Four samples of a three-byte layout at the top of their lanes: a shift for little-endian
// bytes; for big-endian the lane's byte swap, which the clear top byte leaves at the bottom.
template <TZSAMPLETYPE T>
__m128i loadFour24Top(const uint8_t* p) {
  const __m128i x = loadFour24(p);
  return T == TZSAMPLETYPE_PCM24BE ? swapBytes32(x) : _mm_slli_epi32(x, 8);
}

// The low three bytes of each lane, each 64-bit half gathering its two samples' six bytes
// (bytes 0-5 and 8-13; the others are zero).
inline __m128i pairFour24(__m128i v) {
  const __m128i first = _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF);
  const __m128i second = _mm_set_epi32(0xFFFF, -0x1000000, 0xFFFF, -0x1000000);
  return _mm_or_si128(_mm_and_si128(v, first), _mm_and_si128(_mm_srli_epi64(v, 8), second));
}

// The twelve bytes of four pairs (stray bytes clear) together at the bottom of the register.
inline __m128i packPairs24(__m128i pairs) {
  return _mm_or_si128(_mm_move_epi64(pairs), _mm_slli_si128(_mm_srli_si128(pairs, 8), 6));
}

// Sixteen samples' 48 bytes from four registers of pairs, the stray bytes clear. Without Spill
// in three stores, nothing written past them. With Spill by eight-byte stores of six bytes
// each, which is far cheaper: each covers the two stray bytes of the one before, and the last
// writes two bytes past the block, which the caller keeps inside the run, unread, and writes
// afterwards.
template <bool Spill>
void storePairs24(uint8_t* p, const __m128i (&pairs)[4]) {
  if constexpr (Spill) {
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 12 * i), pairs[i]);
      _mm_storeh_pi(reinterpret_cast<__m64*>(p + 12 * i + 6), _mm_castsi128_ps(pairs[i]));
    }
  } else {
    const __m128i a = packPairs24(pairs[0]), b = packPairs24(pairs[1]), c = packPairs24(pairs[2]),
                  e = packPairs24(pairs[3]);
    storeBytes(p, _mm_or_si128(a, _mm_slli_si128(b, 12)));
    storeBytes(p + 16, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
    storeBytes(p + 32, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(e, 4)));
  }
}

// Sixteen samples from the low three bytes of each lane; Spill as for storePairs24.
template <bool Spill>
void storeSixteen24(uint8_t* p, const __m128i (&v)[4]) {
  __m128i pairs[4];
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) pairs[i] = pairFour24(v[i]);
  storePairs24<Spill>(p, pairs);
}

// PCM24IN32 words limited to 24 bits, as the exact path does before it shifts.
inline __m128i limit24(__m128i v) {
  const __m128i hi = _mm_set1_epi32(0x7FFFFF), lo = _mm_set1_epi32(-0x800000);
  const __m128i above = _mm_cmpgt_epi32(v, hi);
  v = _mm_or_si128(_mm_and_si128(above, hi), _mm_andnot_si128(above, v));
  const __m128i below = _mm_cmpgt_epi32(lo, v);
  return _mm_or_si128(_mm_and_si128(below, lo), _mm_andnot_si128(below, v));
}

// Sixteen samples of an integer layout with their values at the top of 32-bit lanes
// (value << (32 - bits)); PCM24IN32 words are limited to 24 bits first.
template <TZSAMPLETYPE T>
Ints loadIntsTop(const uint8_t* p) {
  Ints r;
  if constexpr (kWordLayout<T>) {
    const Words w = loadWordsTop<T>(p);
    const __m128i zero = _mm_setzero_si128();
#pragma GCC unroll 4
    for (int i = 0; i < 2; ++i) {
      r.v[2 * i] = _mm_unpacklo_epi16(zero, w.v[i]);
      r.v[2 * i + 1] = _mm_unpackhi_epi16(zero, w.v[i]);
    }
  } else if constexpr (Layout<T>::kBytes == 3) {
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
      r.v[i] = loadFour24Top<T>(p + 12 * i);
    }
  } else {
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
      const __m128i x = loadBytes(p + 16 * i);
      if constexpr (T == TZSAMPLETYPE_PCM32BE) r.v[i] = swapBytes32(x);
      if constexpr (T == TZSAMPLETYPE_PCM32) r.v[i] = x;
      if constexpr (T == TZSAMPLETYPE_PCM24IN32) r.v[i] = _mm_slli_epi32(limit24(x), 8);
    }
  }
  return r;
}

// Sixteen samples as the values Layout<T>::read gives (PCM24IN32 words whole).
template <TZSAMPLETYPE T>
Ints loadInts(const uint8_t* p) {
  if constexpr (T == TZSAMPLETYPE_PCM24IN32) {
    return {{loadBytes(p), loadBytes(p + 16), loadBytes(p + 32), loadBytes(p + 48)}};
  } else {
    Ints r = loadIntsTop<T>(p);
#pragma GCC unroll 4
    for (__m128i& v : r.v) v = _mm_srai_epi32(v, 32 - Layout<T>::kBits);
    return r;
  }
}

// Four values of a four-byte integer layout.
template <TZSAMPLETYPE T>
void storeFourInts(uint8_t* p, __m128i v) {
  storeBytes(p, T == TZSAMPLETYPE_PCM32BE ? swapBytes32(v) : v);
}

template <TZSAMPLETYPE T, bool Spill>
void storeInts(uint8_t* p, const Ints& r);

// Sixteen values that fit the layout at the top of 32-bit lanes (value << (32 - bits)), as
// widening gives them: big-endian three-byte samples then need only the lane's byte swap.
template <TZSAMPLETYPE T, bool Spill>
void storeIntsTop(uint8_t* p, Ints r) {
  if constexpr (T == TZSAMPLETYPE_PCM24BE) {
#pragma GCC unroll 4
    for (__m128i& v : r.v) v = swapBytes32(v);
    storeSixteen24<Spill>(p, r.v);
  } else {
    if constexpr (Layout<T>::kBits < 32) {
#pragma GCC unroll 4
      for (__m128i& v : r.v) v = _mm_srai_epi32(v, 32 - Layout<T>::kBits);
    }
    storeInts<T, Spill>(p, r);
  }
}

// Sixteen values that fit the layout, from 32-bit lanes; Spill as for storePairs24.
template <TZSAMPLETYPE T, bool Spill>
void storeInts(uint8_t* p, const Ints& r) {
  if constexpr (kWordLayout<T>) {
    storeWords<T>(p, {{_mm_packs_epi32(r.v[0], r.v[1]), _mm_packs_epi32(r.v[2], r.v[3])}});
  } else if constexpr (T == TZSAMPLETYPE_PCM24BE) {
    Ints top;
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) top.v[i] = _mm_slli_epi32(r.v[i], 8);
    storeIntsTop<T, Spill>(p, top);
  } else if constexpr (T == TZSAMPLETYPE_PCM24) {
    storeSixteen24<Spill>(p, r.v);
  } else {
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) storeFourInts<T>(p + 16 * i, r.v[i]);
  }
}

}  // namespace
}  // namespace tz::audio
