// The SSE2 channel kernels: from 16-bit integers to double precision, frames gathered from the
// source channel, four per load from stereo sources and two at a time otherwise; and single
// floats, split from stereo into mono four frames at a time.
#include <emmintrin.h>

#include <cstring>

#include "support/audio/channel_copy.h"
#include "support/audio/sample_codec.h"

namespace tz::audio::sse2 {
namespace {

// Two doubles of 2^52 + 2^15 + v (v + 2^15 in their low mantissa bits) as v x 2^-15: one exact
// subtraction and one exact product, so the results equal the baseline kernel's.
inline __m128d fromOffset(__m128i bits) {
  const __m128d offset = _mm_set1_pd(power2(52) + power2(15));
  return _mm_mul_pd(_mm_sub_pd(_mm_castsi128_pd(bits), offset), _mm_set1_pd(power2(-15)));
}

}  // namespace

void TZ_STDCALL pcm16ToFloat64Channel(void* destination, DWORD dChannels, DWORD dChannel,
                                      const void* source, DWORD sChannels, DWORD sChannel,
                                      long frames) {
  using In = Layout<TZSAMPLETYPE_PCM16>;
  using Out = Layout<TZSAMPLETYPE_FLOAT64>;
  auto* d = static_cast<uint8_t*>(destination) + dChannel * 8;
  const auto* s = static_cast<const uint8_t*>(source) + sChannel * 2;
  const long dStep = static_cast<long>(dChannels) * 8, sStep = static_cast<long>(sChannels) * 2;
  const __m128i low16 = _mm_set1_epi32(0xFFFF), sign = _mm_set1_epi32(0x8000);
  const __m128i upper = _mm_set1_epi32(0x43300000);
  const auto store = [&](long i, __m128d x) {
    // Integer-typed stores: the destination need not be aligned to its doubles.
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d + i * dStep), _mm_castpd_si128(x));
    _mm_storeh_pi(reinterpret_cast<__m64*>(d + (i + 1) * dStep), _mm_castpd_ps(x));
  };
  long i = 0;
  if (sChannels == 2) {
    // Stereo, the usual source: four whole frames per load, the channel's word shifted to the
    // low half of each 32-bit lane.
    const __m128i shift = _mm_cvtsi32_si128(static_cast<int>(sChannel) * 16);
    for (; i + 4 <= frames; i += 4) {
      const auto* frame = reinterpret_cast<const __m128i*>(s - sChannel * 2 + i * 4);
      const __m128i v = _mm_and_si128(_mm_srl_epi32(_mm_loadu_si128(frame), shift), low16);
      const __m128i words = _mm_xor_si128(v, sign);
      store(i, fromOffset(_mm_unpacklo_epi32(words, upper)));
      store(i + 2, fromOffset(_mm_unpackhi_epi32(words, upper)));
    }
  }
  // Each sample by a four-byte load, its upper half masked off; the last frame is left to the
  // tail, so those two bytes always lie within the source.
  for (; i + 2 < frames; i += 2) {
    const __m128i pair = _mm_unpacklo_epi32(_mm_cvtsi32_si128(load32(s + i * sStep)),
                                            _mm_cvtsi32_si128(load32(s + (i + 1) * sStep)));
    const __m128i words = _mm_xor_si128(_mm_and_si128(pair, low16), sign);
    store(i, fromOffset(_mm_unpacklo_epi32(words, upper)));
  }
  for (; i < frames; ++i) Out::write(d + i * dStep, In::read(s + i * sStep) * power2(-15));
}

}  // namespace tz::audio::sse2

namespace tz::audio::sse2 {
namespace {

// One channel of stereo frames, eight frames a turn; returns the frames done, a multiple of 4.
template <int kLanes>
long splitStereo(float* out, const float* frame, long frames) {
  long i = 0;
  for (; i + 8 <= frames; i += 8) {
    const __m128 a = _mm_loadu_ps(frame + 2 * i), b = _mm_loadu_ps(frame + 2 * i + 4);
    const __m128 c = _mm_loadu_ps(frame + 2 * i + 8), e = _mm_loadu_ps(frame + 2 * i + 12);
    _mm_storeu_ps(out + i, _mm_shuffle_ps(a, b, kLanes));
    _mm_storeu_ps(out + i + 4, _mm_shuffle_ps(c, e, kLanes));
  }
  for (; i + 4 <= frames; i += 4) {
    const __m128 a = _mm_loadu_ps(frame + 2 * i), b = _mm_loadu_ps(frame + 2 * i + 4);
    _mm_storeu_ps(out + i, _mm_shuffle_ps(a, b, kLanes));
  }
  return i;
}

}  // namespace

void TZ_STDCALL float32Channel(void* destination, DWORD dChannels, DWORD dChannel,
                               const void* source, DWORD sChannels, DWORD sChannel, long frames) {
  auto* d = static_cast<uint8_t*>(destination) + dChannel * 4;
  const auto* s = static_cast<const uint8_t*>(source) + sChannel * 4;
  // Spreading a buffer over more channels in place would overwrite samples not yet read.
  if (d == s && dChannels > sChannels) return;
  const long dStep = static_cast<long>(dChannels) * 4, sStep = static_cast<long>(sChannels) * 4;
  long i = 0;
  if (dChannels == 1 && sChannels == 2 && sChannel < 2) {
    // Shuffles move the bits as they are, NaN payloads included. In place the stores stay
    // behind the loads: frame i's destination lies below source frame 2i.
    const auto* frame = reinterpret_cast<const float*>(s - sChannel * 4);
    auto* out = reinterpret_cast<float*>(d);
    i = sChannel == 0 ? splitStereo<_MM_SHUFFLE(2, 0, 2, 0)>(out, frame, frames)
                      : splitStereo<_MM_SHUFFLE(3, 1, 3, 1)>(out, frame, frames);
  }
  for (; i < frames; ++i) std::memcpy(d + i * dStep, s + i * sStep, 4);
}

}  // namespace tz::audio::sse2
