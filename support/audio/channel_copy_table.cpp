// Choosing a channel-copy kernel, and the channel-copy exports.
#include "support/audio/channel_copy.h"
#include "support/audio/format_type.h"
#include "tz/cpu_support.h"

using tz::audio::typeOf;

TZAUDIOCOPYCHANNELSPROC TZ_STDCALL TzAudio_GetCopyChannelsFunction2(TZSAMPLETYPE destination,
                                                                    TZSAMPLETYPE source) {
  if (destination < TZSAMPLETYPE_PCM8 || destination > TZSAMPLETYPE_WIDE24 ||
      source < TZSAMPLETYPE_PCM8 || source > TZSAMPLETYPE_WIDE24)
    return nullptr;
  // The one pair whose kernel depends on the processor.
  if (destination == TZSAMPLETYPE_FLOAT64 && source == TZSAMPLETYPE_PCM16 &&
      (TzGetCPUSupport(TZCPU_SIMD_MASK) & TZCPU_SSE2) != 0)
    return tz::audio::sse2::pcm16ToFloat64Channel;
  return tz::audio::baselineChannelKernel(destination, source);
}

TZAUDIOCOPYCHANNELSPROC TZ_STDCALL TzAudio_GetCopyChannelsFunction(const WAVEFORMATEX* d,
                                                                   const WAVEFORMATEX* s) {
  return TzAudio_GetCopyChannelsFunction2(typeOf(d), typeOf(s));
}
TZAUDIOCOPYCHANNELSPROC TZ_STDCALL TzAudio_GetCopyChannelsFunction(const WAVEFORMATEX* d,
                                                                   const _tzwaveformat* s) {
  return TzAudio_GetCopyChannelsFunction2(typeOf(d), typeOf(s));
}
TZAUDIOCOPYCHANNELSPROC TZ_STDCALL TzAudio_GetCopyChannelsFunction(const _tzwaveformat* d,
                                                                   const WAVEFORMATEX* s) {
  return TzAudio_GetCopyChannelsFunction2(typeOf(d), typeOf(s));
}

HRESULT TZ_STDCALL TzAudio_CopyChannels(const WAVEFORMATEX* df, void* d, const WAVEFORMATEX* sf,
                                        const void* s, long frames, const long* map) {
  if (map == nullptr) return TzAudio_Copy(df, d, sf, s, frames, 1.0f);
  if (frames == 0) return S_OK;
  if (df == nullptr || d == nullptr || sf == nullptr || s == nullptr) return E_POINTER;
  if (frames < 0) return E_INVALIDARG;
  const TZAUDIOCOPYCHANNELSPROC kernel = TzAudio_GetCopyChannelsFunction(df, sf);
  if (kernel == nullptr) return E_NOTIMPL;
  for (DWORD i = 0; i < sf->nChannels; ++i) {
    if (map[i] >= 0 && map[i] < static_cast<long>(df->nChannels))
      kernel(d, df->nChannels, static_cast<DWORD>(map[i]), s, sf->nChannels, i, frames);
  }
  return S_OK;
}
