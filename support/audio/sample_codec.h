// How one sample of each layout is read and written, and the scalar conversion every kernel
// variant must match. Everything has internal linkage: the kernel files of wider instruction
// sets include this too, and their copies must never stand in for the baseline ones.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "tz/wave_format.h"

namespace tz::audio {
namespace {

inline int32_t load32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void store32(uint8_t* p, int32_t v) {
  std::memcpy(p, &v, 4);
}
inline int32_t signExtend24(uint32_t low24) {
  return static_cast<int32_t>(low24 << 8) >> 8;
}

// Integer layouts give a signed value v of kBits significant bits; a PCM24IN32 word is read
// whole, so v may exceed 24 bits there. Float layouts give a double and have kBits 0.
template <TZSAMPLETYPE T>
struct Layout;

template <>
struct Layout<TZSAMPLETYPE_PCM8> {
  static constexpr int kBytes = 1, kBits = 8;
  static int32_t read(const uint8_t* p) { return static_cast<int8_t>(*p ^ 0x80); }
  static void write(uint8_t* p, int32_t v) { *p = static_cast<uint8_t>(v) ^ 0x80; }
};
template <>
struct Layout<TZSAMPLETYPE_PCM8S> {
  static constexpr int kBytes = 1, kBits = 8;
  static int32_t read(const uint8_t* p) { return static_cast<int8_t>(*p); }
  static void write(uint8_t* p, int32_t v) { *p = static_cast<uint8_t>(v); }
};
template <>
struct Layout<TZSAMPLETYPE_PCM16> {
  static constexpr int kBytes = 2, kBits = 16;
  static int32_t read(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }
  static void write(uint8_t* p, int32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
  }
};
template <>
struct Layout<TZSAMPLETYPE_PCM16BE> {
  static constexpr int kBytes = 2, kBits = 16;
  static int32_t read(const uint8_t* p) { return static_cast<int16_t>(p[1] | p[0] << 8); }
  static void write(uint8_t* p, int32_t v) {
    p[1] = static_cast<uint8_t>(v);
    p[0] = static_cast<uint8_t>(v >> 8);
  }
};
template <>
struct Layout<TZSAMPLETYPE_PCM24> {
  static constexpr int kBytes = 3, kBits = 24;
  static int32_t read(const uint8_t* p) { return signExtend24(p[0] | p[1] << 8 | p[2] << 16); }
  static void write(uint8_t* p, int32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
  }
};
template <>
struct Layout<TZSAMPLETYPE_PCM24BE> {
  static constexpr int kBytes = 3, kBits = 24;
  static int32_t read(const uint8_t* p) { return signExtend24(p[2] | p[1] << 8 | p[0] << 16); }
  static void write(uint8_t* p, int32_t v) {
    p[2] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[0] = static_cast<uint8_t>(v >> 16);
  }
};
template <>
struct Layout<TZSAMPLETYPE_PCM32> {
  static constexpr int kBytes = 4, kBits = 32;
  static int32_t read(const uint8_t* p) { return load32(p); }
  static void write(uint8_t* p, int32_t v) { store32(p, v); }
};
template <>
struct Layout<TZSAMPLETYPE_PCM32BE> {
  static constexpr int kBytes = 4, kBits = 32;
  static int32_t read(const uint8_t* p) {
    return static_cast<int32_t>(__builtin_bswap32(static_cast<uint32_t>(load32(p))));
  }
  static void write(uint8_t* p, int32_t v) {
    store32(p, static_cast<int32_t>(__builtin_bswap32(static_cast<uint32_t>(v))));
  }
};
template <>
struct Layout<TZSAMPLETYPE_PCM24IN32> {
  static constexpr int kBytes = 4, kBits = 24;
  static int32_t read(const uint8_t* p) { return load32(p); }
  static void write(uint8_t* p, int32_t v) { store32(p, v); }
};
// The widened types are read as their declared widths: a WIDE16 word by its low 16 bits, a
// WIDE24 word by its low 24 bits, whatever the upper bits hold.
template <>
struct Layout<TZSAMPLETYPE_WIDE16> {
  static constexpr int kBytes = 4, kBits = 16;
  static int32_t read(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }
  static void write(uint8_t* p, int32_t v) { store32(p, v); }
};
template <>
struct Layout<TZSAMPLETYPE_WIDE24> {
  static constexpr int kBytes = 4, kBits = 24;
  static int32_t read(const uint8_t* p) { return signExtend24(p[0] | p[1] << 8 | p[2] << 16); }
  static void write(uint8_t* p, int32_t v) { store32(p, v); }
};
template <>
struct Layout<TZSAMPLETYPE_FLOAT32> {
  static constexpr int kBytes = 4, kBits = 0;
  static double read(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
  }
  static void write(uint8_t* p, double v) {
    const float f = static_cast<float>(v);
    std::memcpy(p, &f, 4);
  }
};
template <>
struct Layout<TZSAMPLETYPE_FLOAT64> {
  static constexpr int kBytes = 8, kBits = 0;
  static double read(const uint8_t* p) {
    double d;
    std::memcpy(&d, p, 8);
    return d;
  }
  static void write(uint8_t* p, double v) { std::memcpy(p, &v, 8); }
};

template <TZSAMPLETYPE T>
constexpr bool kIsFloat = Layout<T>::kBits == 0;

// 2^e for a small exponent, exactly.
constexpr double power2(int e) {
  double r = 1.0;
  for (; e > 0; --e) r *= 2.0;
  for (; e < 0; ++e) r *= 0.5;
  return r;
}

// Rounds to nearest, ties to even, by letting the addition of 1.5 * 2^52 drop the fraction
// in the default rounding mode; the low 32 bits of the sum are then the integer. The range
// limit comes first, so the sum never leaves the window where this holds. NaN gives 0, the
// one result every variant produces for it.
inline int32_t roundLimited(double y, double lo, double hi) {
  // The processor's min and max, so that the limits cost no branch (saturating input is not
  // predictable); each returns y when y is NaN, which then takes the rare branch.
  y = _mm_cvtsd_f64(_mm_min_sd(_mm_set_sd(hi), _mm_set_sd(y)));
  y = _mm_cvtsd_f64(_mm_max_sd(_mm_set_sd(lo), _mm_set_sd(y)));
  if (y != y) y = 0.0;
  const double sum = y + 6755399441055744.0;
  uint64_t bits;
  std::memcpy(&bits, &sum, 8);
  return static_cast<int32_t>(static_cast<uint32_t>(bits));
}

template <int Bits>
constexpr double kIntLow = -power2(Bits - 1);
template <int Bits>
constexpr double kIntHigh = power2(Bits - 1) - 1.0;

// The factor that takes a source value to the destination's scale, gain included. Folding
// the scales into one product rounds the same as normalise-then-gain-then-scale, since the
// scales are powers of two.
template <TZSAMPLETYPE D, TZSAMPLETYPE S>
double multiplierFor(float gain) {
  constexpr int n = Layout<S>::kBits, m = Layout<D>::kBits;
  return static_cast<double>(gain) * power2((m ? m - 1 : 0) - (n ? n - 1 : 0));
}

// True for the pairs that gain 1.0 converts without arithmetic: integer to an integer of at
// least the same width, and float to float.
template <TZSAMPLETYPE D, TZSAMPLETYPE S>
constexpr bool kExactAtUnity = kIsFloat<D> == kIsFloat<S> &&
                               (kIsFloat<D> || Layout<D>::kBits >= Layout<S>::kBits);

// One sample by the general conversion with a premultiplied factor.
template <TZSAMPLETYPE D, TZSAMPLETYPE S>
inline void convertScaled(uint8_t* d, const uint8_t* s, double multiplier) {
  const double y = Layout<S>::read(s) * multiplier;
  if constexpr (kIsFloat<D>) {
    Layout<D>::write(d, y);
  } else {
    constexpr int m = Layout<D>::kBits;
    Layout<D>::write(d, roundLimited(y, kIntLow<m>, kIntHigh<m>));
  }
}

// One sample by the exact path at gain 1.0: widening shifts left; a PCM24IN32 word is
// limited to 24 bits first.
template <TZSAMPLETYPE D, TZSAMPLETYPE S>
inline void convertExact(uint8_t* d, const uint8_t* s) {
  if constexpr (kIsFloat<D>) {
    Layout<D>::write(d, Layout<S>::read(s));
  } else {
    int32_t v = Layout<S>::read(s);
    if constexpr (S == TZSAMPLETYPE_PCM24IN32) v = v < -0x800000 ? -0x800000 : v;
    if constexpr (S == TZSAMPLETYPE_PCM24IN32) v = v > 0x7FFFFF ? 0x7FFFFF : v;
    const int shift = Layout<D>::kBits - Layout<S>::kBits;
    Layout<D>::write(d, static_cast<int32_t>(static_cast<uint32_t>(v) << shift));
  }
}

}  // namespace
}  // namespace tz::audio
