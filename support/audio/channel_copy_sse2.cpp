// The SSE2 channel kernel from 16-bit integers to double precision: pairs of frames
// gathered from the source channel and converted together.
#include <emmintrin.h>

#include "support/audio/channel_copy.h"
#include "support/audio/sample_codec.h"

namespace tz::audio::sse2 {

void TZ_STDCALL pcm16ToFloat64Channel(void* destination, DWORD dChannels, DWORD dChannel,
                                      const void* source, DWORD sChannels, DWORD sChannel,
                                      long frames) {
  using In = Layout<TZSAMPLETYPE_PCM16>;
  using Out = Layout<TZSAMPLETYPE_FLOAT64>;
  auto* d = static_cast<uint8_t*>(destination) + dChannel * 8;
  const auto* s = static_cast<const uint8_t*>(source) + sChannel * 2;
  const long dStep = static_cast<long>(dChannels) * 8, sStep = static_cast<long>(sChannels) * 2;
  const __m128d k = _mm_set1_pd(power2(-15));
  long i = 0;
  for (; i + 2 <= frames; i += 2) {
    const __m128i pair =
        _mm_setr_epi32(In::read(s + i * sStep), In::read(s + (i + 1) * sStep), 0, 0);
    const __m128d x = _mm_mul_pd(_mm_cvtepi32_pd(pair), k);
    Out::write(d + i * dStep, _mm_cvtsd_f64(x));
    Out::write(d + (i + 1) * dStep, _mm_cvtsd_f64(_mm_unpackhi_pd(x, x)));
  }
  for (; i < frames; ++i) Out::write(d + i * dStep, In::read(s + i * sStep) * power2(-15));
}

}  // namespace tz::audio::sse2
