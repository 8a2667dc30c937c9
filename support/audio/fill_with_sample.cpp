// Filling a buffer with one repeated frame, converted when the layouts differ.
#include "support/audio/channel_ops_common.h"
#include "tz/channel_ops.h"
#include "tz/format_copy.h"

namespace tz::audio {
namespace {

constexpr bool convertsFrom(TZSAMPLETYPE t) {
  return t == TZSAMPLETYPE_PCM16 || t == TZSAMPLETYPE_PCM24 || t == TZSAMPLETYPE_FLOAT32 ||
         t == TZSAMPLETYPE_FLOAT64 || t == TZSAMPLETYPE_PCM24IN32;
}
constexpr bool convertsTo(TZSAMPLETYPE t) {
  return convertsFrom(t) || t == TZSAMPLETYPE_PCM32;
}

}  // namespace
}  // namespace tz::audio

using namespace tz::audio;

HRESULT TZ_STDCALL TzAudio_FillWithSample(const WAVEFORMATEX* bufferFormat, void* buffer,
                                          const WAVEFORMATEX* sampleFormat, const void* sampleFrame,
                                          long frames) {
  if (anyNull(bufferFormat, buffer, sampleFormat, sampleFrame)) return E_POINTER;
  if (frames == 0) return S_OK;
  if (frames < 0) return E_INVALIDARG;
  const TZSAMPLETYPE to = typeOf(bufferFormat), from = typeOf(sampleFormat);
  const size_t stride = bufferFormat->nBlockAlign;
  // A sample frame narrower than the buffer's (fewer channels) is converted like any other.
  if (to == from && sampleFormat->nBlockAlign >= stride) {
    for (long k = 0; k < frames; ++k) std::memcpy(bytesAt(buffer, k * stride), sampleFrame, stride);
    return S_OK;
  }
  const size_t bytes = TzAudio_BytesFromSampleType(to);
  const long channels = bufferFormat->nChannels < 2 ? bufferFormat->nChannels : 2;
  if (!convertsFrom(from) || !convertsTo(to) || sampleFormat->nChannels == 0 ||
      stride < bytes * channels) {
    TzAudio_FillSilence(bufferFormat, buffer, static_cast<DWORD>(frames));
    return S_OK;
  }
  // The pair is read in the sample layout's own precision; a mono sample frame has one value.
  uint8_t pair[16];
  const size_t sampleBytes = TzAudio_BytesFromSampleType(from);
  std::memcpy(pair, sampleFrame, sampleBytes);
  std::memcpy(pair + sampleBytes,
              bytesAt(sampleFrame, sampleFormat->nChannels > 1 ? sampleBytes : 0), sampleBytes);
  uint8_t converted[16];
  TzAudio_GetCopyFunction2(to, from)(converted, pair, 2, 1.0f);
  for (long k = 0; k < frames; ++k)
    std::memcpy(bytesAt(buffer, k * stride), converted, bytes * channels);
  return S_OK;
}
