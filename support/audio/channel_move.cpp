// Operations that move samples between channels without converting them: sizes are all
// they need to know of a layout.
#include <utility>

#include "support/audio/channel_ops_common.h"
#include "tz/channel_ops.h"
#include "tz/format_copy.h"

namespace tz::audio {
namespace {

// Exchanges channels 0 and 1 of each frame, from `from` into `to` (which may be `from`).
void swapFirstTwo(uint8_t* to, const uint8_t* from, size_t bytes, size_t stride, long frames) {
  uint8_t left[8], right[8];
  for (long k = 0; k < frames; ++k) {
    std::memcpy(left, from + k * stride, bytes);
    std::memcpy(right, from + k * stride + bytes, bytes);
    std::memcpy(to + k * stride, right, bytes);
    std::memcpy(to + k * stride + bytes, left, bytes);
  }
}

// Frame k of the destination gets source sample k in all its channels.
void spreadFrame(uint8_t* to, long channels, const uint8_t* sample, size_t bytes) {
  uint8_t value[8];
  std::memcpy(value, sample, bytes);  // the source may be the frame being written
  for (long c = 0; c < channels; ++c) std::memcpy(to + c * bytes, value, bytes);
}

HRESULT checkedPlainFormat(const WAVEFORMATEX* format, long frames) {
  if (!isPlain(typeOf(format))) return E_FAIL;
  return frames < 0 || sampleBytes(format) == 0 ? E_INVALIDARG : S_OK;
}

}  // namespace
}  // namespace tz::audio

using namespace tz::audio;

HRESULT TZ_STDCALL TzAudio_CopyChannelToChannel(void* buffer, const WAVEFORMATEX* format,
                                                long sourceChannel, long destinationChannel,
                                                long frames) {
  if (anyNull(buffer, format)) return E_POINTER;
  if (const HRESULT hr = checkedPlainFormat(format, frames); FAILED(hr)) return hr;
  if (format->nChannels == 1) return S_OK;
  if (!validChannel(sourceChannel, format->nChannels) ||
      !validChannel(destinationChannel, format->nChannels))
    return E_INVALIDARG;
  const size_t bytes = sampleBytes(format);
  moveSamples(bytesAt(buffer, bytes * destinationChannel), format->nBlockAlign,
              bytesAt(buffer, bytes * sourceChannel), format->nBlockAlign, bytes, frames);
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_SwapStereoChannels(void* buffer, const WAVEFORMATEX* format,
                                              long frames) {
  if (anyNull(buffer, format)) return E_POINTER;
  return TzAudio_CopySwapStereoChannels(buffer, buffer, format, frames);
}

HRESULT TZ_STDCALL TzAudio_CopySwapStereoChannels(void* destination, const void* source,
                                                  const WAVEFORMATEX* format, long frames) {
  if (anyNull(destination, source, format)) return E_POINTER;
  if (const HRESULT hr = checkedPlainFormat(format, frames); FAILED(hr)) return hr;
  if (format->nChannels < 2) return S_OK;
  swapFirstTwo(static_cast<uint8_t*>(destination), static_cast<const uint8_t*>(source),
               sampleBytes(format), format->nBlockAlign, frames);
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_CopyChannelToMultiMono2(void* destination, long destinationChannels,
                                                   const void* source, long sourceChannels,
                                                   long sourceChannel, long frames,
                                                   TZSAMPLETYPE type) {
  if (anyNull(destination, source)) return E_POINTER;
  if (!isConvertible(type) || destinationChannels < 1 || frames < 0 ||
      !validChannel(sourceChannel, sourceChannels))
    return E_INVALIDARG;
  const size_t bytes = TzAudio_BytesFromSampleType(type);
  const size_t toStride = bytes * destinationChannels, fromStride = bytes * sourceChannels;
  uint8_t* to = static_cast<uint8_t*>(destination);
  const uint8_t* from = bytesAt(source, bytes * sourceChannel);
  // Wider destination frames overtake the source when walking forward in one buffer.
  if (destinationChannels > sourceChannels) {
    for (long k = frames - 1; k >= 0; --k)
      spreadFrame(to + k * toStride, destinationChannels, from + k * fromStride, bytes);
  } else {
    for (long k = 0; k < frames; ++k)
      spreadFrame(to + k * toStride, destinationChannels, from + k * fromStride, bytes);
  }
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_CopyChannelToMultiMono(void* destination,
                                                  const WAVEFORMATEX* destinationFormat,
                                                  const void* source,
                                                  const WAVEFORMATEX* sourceFormat,
                                                  long sourceChannel, long frames) {
  if (anyNull(destination, destinationFormat, source, sourceFormat)) return E_POINTER;
  const TZSAMPLETYPE type = typeOf(sourceFormat);
  if (typeOf(destinationFormat) != type) return E_INVALIDARG;
  return TzAudio_CopyChannelToMultiMono2(destination, destinationFormat->nChannels, source,
                                         sourceFormat->nChannels, sourceChannel, frames, type);
}

HRESULT TZ_STDCALL TzAudio_CopyChannelToAll(void* destination, const void* source,
                                            const WAVEFORMATEX* sourceFormat,
                                            const WAVEFORMATEX* destinationFormat,
                                            long sourceChannel, long frames) {
  if (anyNull(destination, source, sourceFormat, destinationFormat)) return E_POINTER;
  const TZSAMPLETYPE type = typeOf(sourceFormat);
  if (typeOf(destinationFormat) != type) return E_NOTIMPL;
  if (destinationFormat->nChannels == 1)
    return TzAudio_ExtractChannel(destination, sourceChannel, source, sourceFormat, frames);
  if (!isConvertible(type)) return E_FAIL;
  const long channels = destinationFormat->nChannels;
  if (channels < 1 || frames < 0 || !validChannel(sourceChannel, sourceFormat->nChannels))
    return E_INVALIDARG;
  const size_t bytes = TzAudio_BytesFromSampleType(type);
  const uint8_t* from = bytesAt(source, bytes * sourceChannel);
  for (long k = 0; k < frames; ++k)
    spreadFrame(bytesAt(destination, k * bytes * channels), channels,
                from + k * bytes * sourceFormat->nChannels, bytes);
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_ExtractChannel(void* destination, long channel, const void* source,
                                          TZSAMPLETYPE type, DWORD sourceChannels, long frames) {
  if (anyNull(destination, source)) return E_POINTER;
  if (!isConvertible(type)) return E_FAIL;
  if (frames < 0 || !validChannel(channel, static_cast<long>(sourceChannels))) return E_INVALIDARG;
  if (sourceChannels == 1) {
    const TZAUDIOCOPYPROC copy = TzAudio_GetCopyFunction2(type, type);
    if (copy == nullptr) return E_NOTIMPL;
    copy(destination, source, frames, 1.0f);
    return S_OK;
  }
  const size_t bytes = TzAudio_BytesFromSampleType(type);
  moveSamples(static_cast<uint8_t*>(destination), bytes, bytesAt(source, bytes * channel),
              bytes * sourceChannels, bytes, frames);
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_ExtractChannel(void* destination, long channel, const void* source,
                                          const WAVEFORMATEX* format, long frames) {
  if (anyNull(destination, source, format)) return E_POINTER;
  return TzAudio_ExtractChannel(destination, channel, source, typeOf(format), format->nChannels,
                                frames);
}

HRESULT TZ_STDCALL TzAudio_ExtractChannelPair(void* destination, long firstChannel,
                                              const void* source, const WAVEFORMATEX* format,
                                              long frames) {
  if (anyNull(destination, source, format)) return E_POINTER;
  if (const HRESULT hr = checkedPlainFormat(format, frames); FAILED(hr)) return hr;
  if (format->nChannels == 2)
    return TzAudio_Copy(format, destination, format, source, frames, 1.0f);
  if (!validChannel(firstChannel, format->nChannels - 1)) return E_INVALIDARG;
  const size_t bytes = sampleBytes(format);
  moveSamples(static_cast<uint8_t*>(destination), 2 * bytes, bytesAt(source, bytes * firstChannel),
              format->nBlockAlign, 2 * bytes, frames);
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_InsertChannel(void* destination, TZSAMPLETYPE type,
                                         long destinationChannels, long channel, const void* source,
                                         long frames) {
  if (anyNull(destination, source)) return E_POINTER;
  if (!isConvertible(type)) return E_FAIL;
  if (frames < 0 || !validChannel(channel, destinationChannels)) return E_INVALIDARG;
  const size_t bytes = TzAudio_BytesFromSampleType(type);
  if (destinationChannels == 1) {
    std::memmove(destination, source, bytes * frames);
    return S_OK;
  }
  moveSamples(bytesAt(destination, bytes * channel), bytes * destinationChannels,
              static_cast<const uint8_t*>(source), bytes, bytes, frames);
  return S_OK;
}
