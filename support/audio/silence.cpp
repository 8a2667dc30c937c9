// Silence for a whole buffer, for one channel by format tag, and muting a channel by layout.
#include "support/audio/channel_ops_common.h"
#include "tz/channel_ops.h"

namespace tz::audio {
namespace {

constexpr uint8_t kUnsignedSilence = 0x80;

// The silence byte of a wave format, or -1 for a tag it does not know, or -2 for an
// extensible format of another sub-format, which is left alone.
int silenceByte(const WAVEFORMATEX* format) {
  switch (format->wFormatTag) {
    case WAVE_FORMAT_PCM:
    case TZ_WAVE_FORMAT_PCMBE:
      return format->wBitsPerSample == 8 ? kUnsignedSilence : 0;
    case WAVE_FORMAT_IEEE_FLOAT:
    case TZ_WAVE_FORMAT_PCM24IN32:
    case TZ_WAVE_FORMAT_PCM8S:
      return 0;
    case WAVE_FORMAT_EXTENSIBLE: {
      const GUID& sub = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(format)->SubFormat;
      if (sub == KSDATAFORMAT_SUBTYPE_PCM)
        return format->wBitsPerSample == 8 ? kUnsignedSilence : 0;
      return sub == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT ? 0 : -2;
    }
    default:
      return -1;
  }
}

// Bytes of one sample of a single-channel silence, or 0 for a tag or width not accepted.
// A PCM24IN32 sample fills its 32-bit word whatever wBitsPerSample says.
uint32_t channelSampleBytes(const WAVEFORMATEX* format) {
  const WORD bits = format->wBitsPerSample;
  switch (format->wFormatTag) {
    case WAVE_FORMAT_IEEE_FLOAT:
      return bits == 32 || bits == 64 ? bits / 8 : 0;
    case TZ_WAVE_FORMAT_PCM24IN32:
      return bits == 24 || bits == 32 ? 4 : 0;
    case WAVE_FORMAT_PCM:
    case TZ_WAVE_FORMAT_PCM8S:
    case TZ_WAVE_FORMAT_PCMBE:
      return bits == 8 || bits == 16 || bits == 24 || bits == 32 ? bits / 8 : 0;
    default:
      return 0;
  }
}

}  // namespace
}  // namespace tz::audio

using namespace tz::audio;

HRESULT TZ_STDCALL TzAudio_FillSilence(const WAVEFORMATEX* format, void* buffer, DWORD frames) {
  if (anyNull(format, buffer)) return E_POINTER;
  const size_t bytes = size_t{format->nBlockAlign} * frames;
  if (bytes == 0) return S_OK;
  const int fill = silenceByte(format);
  if (fill == -1) return E_FAIL;
  if (fill >= 0) std::memset(buffer, fill, bytes);
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_FillSilence(const _tzwaveformat* format, void* buffer, DWORD frames) {
  if (anyNull(format, buffer)) return E_POINTER;
  const size_t bytes = size_t{format->nBlockAlign} * frames;
  if (bytes == 0) return S_OK;
  if (!isConvertible(format->nSampleType)) return E_FAIL;
  std::memset(buffer, format->nSampleType == TZSAMPLETYPE_PCM8 ? kUnsignedSilence : 0, bytes);
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_FillSilenceChannel(const WAVEFORMATEX* format, void* buffer,
                                              DWORD channel, DWORD frames) {
  if (anyNull(format, buffer)) return E_POINTER;
  if (channel >= format->nChannels) return E_FAIL;
  if (frames == 0) return S_OK;
  if (format->nChannels < 2) return TzAudio_FillSilence(format, buffer, frames);
  const uint32_t bytes = channelSampleBytes(format);
  const size_t stride = size_t{bytes} * format->nChannels;
  if (bytes == 0) return E_FAIL;
  if (stride > format->nBlockAlign) return E_INVALIDARG;  // the buffer is frames x nBlockAlign
  const bool unsignedBytes = bytes == 1 && format->wFormatTag != TZ_WAVE_FORMAT_PCM8S;
  uint8_t* at = bytesAt(buffer, size_t{bytes} * channel);
  for (DWORD k = 0; k < frames; ++k)
    std::memset(at + k * stride, unsignedBytes ? kUnsignedSilence : 0, bytes);
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_MuteChannel(void* buffer, TZSAMPLETYPE type, long channels, long channel,
                                       long frames) {
  if (anyNull(buffer)) return E_POINTER;
  if (!isConvertible(type)) return E_FAIL;
  if (!validChannel(channel, channels) || frames < 0) return E_INVALIDARG;
  const size_t bytes = TzAudio_BytesFromSampleType(type);
  uint8_t* at = bytesAt(buffer, bytes * channel);
  for (long k = 0; k < frames; ++k)
    std::memset(at + k * bytes * channels, type == TZSAMPLETYPE_PCM8 ? kUnsignedSilence : 0, bytes);
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_MuteChannel(void* buffer, const WAVEFORMATEX* format, long channel,
                                       long frames) {
  if (anyNull(buffer, format)) return E_POINTER;
  return TzAudio_MuteChannel(buffer, typeOf(format), format->nChannels, channel, frames);
}

HRESULT TZ_STDCALL TzAudio_MuteChannel(void* buffer, const _tzwaveformat* format, long channel,
                                       long frames) {
  if (anyNull(buffer, format)) return E_POINTER;
  return TzAudio_MuteChannel(buffer, typeOf(format), format->nChannels, channel, frames);
}
