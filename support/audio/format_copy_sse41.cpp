// The SSE4.1 kernel from 16-bit integers to single-precision float: sign extension in one
// instruction. Built with SSE4.1 enabled; chosen only where the processor and system have it.
#include <smmintrin.h>

#include "support/audio/format_copy.h"
#include "support/audio/vector_run.h"

namespace tz::audio::sse41 {

namespace {

// Eight samples from `in` to eight floats at the 16-byte aligned `out`.
inline void convertEight(float* out, const uint8_t* in, __m128 k) {
  const __m128i low = _mm_cvtepi16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in)));
  const __m128i high =
      _mm_cvtepi16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + 8)));
  _mm_store_ps(out, _mm_mul_ps(_mm_cvtepi32_ps(low), k));
  _mm_store_ps(out + 4, _mm_mul_ps(_mm_cvtepi32_ps(high), k));
}

}  // namespace

// Two groups of eight per pass, which halves the loop's own cost; an odd last group alone.
void TZ_STDCALL pcm16ToFloat32(void* d, const void* s, long n, float gain) {
  constexpr auto D = TZSAMPLETYPE_FLOAT32, S = TZSAMPLETYPE_PCM16;
  if (!pcm16Vectorisable<D>(d, s, gain)) return copySamples<D, S>(d, s, n, gain);
  VectorMode mode(0);
  const __m128 k = _mm_set1_ps(gain * static_cast<float>(power2(-15)));
  splitRun<D, S, 8>(d, s, n, gain, samplesToAlign16(d, 4),
                    [k](uint8_t* to, const uint8_t* from, long groups) {
                      auto* out = reinterpret_cast<float*>(to);
                      long g = 0;
                      for (; g + 2 <= groups; g += 2) {
                        convertEight(out + g * 8, from + g * 16, k);
                        convertEight(out + g * 8 + 8, from + g * 16 + 16, k);
                      }
                      if (g < groups) convertEight(out + g * 8, from + g * 16, k);
                    });
}

}  // namespace tz::audio::sse41
