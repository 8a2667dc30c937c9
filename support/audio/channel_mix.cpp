// Mixing channels: the average in every channel, and channel-count changes to and from mono.
// Integer samples are normalised and written back through the format-copy kernels, so the
// scaling, limits and rounding are format copy's.
#include "support/audio/channel_ops_common.h"
#include "tz/channel_ops.h"
#include "tz/format_copy.h"

namespace tz::audio {
namespace {

// Reads samples as normalised doubles and writes doubles back, with format copy's rules.
class DoubleCodec {
 public:
  explicit DoubleCodec(TZSAMPLETYPE type)
      : toDouble_(TzAudio_GetCopyFunction2(TZSAMPLETYPE_FLOAT64, type)),
        fromDouble_(TzAudio_GetCopyFunction2(type, TZSAMPLETYPE_FLOAT64)) {}
  double read(const uint8_t* sample) const {
    double v;
    toDouble_(&v, sample, 1, 1.0f);
    return v;
  }
  void write(uint8_t* sample, double v) const { fromDouble_(sample, &v, 1, 1.0f); }

 private:
  TZAUDIOCOPYPROC toDouble_, fromDouble_;
};

int64_t readInteger(TZSAMPLETYPE type, const uint8_t* p) {
  switch (type) {
    case TZSAMPLETYPE_PCM8:
      return *p;
    case TZSAMPLETYPE_PCM16: {
      int16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    default: {
      int32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
  }
}

// A frame's mean as the layout keeps it: unsigned bytes and 16- and 32-bit integers truncate;
// 24-bit and float go through double precision, 24-bit rounding to nearest.
void writeMean(TZSAMPLETYPE type, const DoubleCodec& codec, uint8_t* to, const uint8_t* frame,
               long channels, size_t bytes) {
  if (type == TZSAMPLETYPE_PCM8 || type == TZSAMPLETYPE_PCM16 || type == TZSAMPLETYPE_PCM32) {
    int64_t sum = 0;
    for (long c = 0; c < channels; ++c) sum += readInteger(type, frame + c * bytes);
    const int64_t mean = sum / channels;
    std::memcpy(to, &mean, bytes);  // little-endian: the low bytes are the value
    return;
  }
  double sum = 0;
  for (long c = 0; c < channels; ++c) sum += codec.read(frame + c * bytes);
  codec.write(to, sum / channels);
}

// Unsigned bytes averaged as 16-bit values, then narrowed as format copy narrows 16 to 8 bits.
void writeAverageOfBytes(uint8_t* to, const uint8_t* frame, long channels) {
  int32_t sum = 0;
  for (long c = 0; c < channels; ++c) sum += static_cast<int8_t>(frame[c] ^ 0x80) * 256;
  int32_t mean = sum / channels;
  mean = mean < -32768 ? -32768 : mean > 32767 ? 32767 : mean;
  const int16_t word = static_cast<int16_t>(mean);
  TzAudio_GetCopyFunction2(TZSAMPLETYPE_PCM8, TZSAMPLETYPE_PCM16)(to, &word, 1, 1.0f);
}

HRESULT changeChannels(void* destination, long destinationChannels, const void* source,
                       const WAVEFORMATEX* format, long frames, bool average) {
  const long channels = format->nChannels;
  if (channels < 1 || destinationChannels < 1 || frames < 0) return E_INVALIDARG;
  if (destinationChannels == channels)
    return TzAudio_Copy(format, destination, format, source, frames, 1.0f);
  const TZSAMPLETYPE type = typeOf(format);
  if (!isConvertible(type)) return E_FAIL;
  if (channels == 1)
    return TzAudio_CopyChannelToMultiMono2(destination, destinationChannels, source, 1, 0, frames,
                                           type);
  if (destinationChannels != 1 || type == TZSAMPLETYPE_PCM24IN32) return E_FAIL;
  const size_t bytes = TzAudio_BytesFromSampleType(type);
  if (format->nBlockAlign < bytes * channels) return E_INVALIDARG;
  const DoubleCodec codec(type);
  for (long k = 0; k < frames; ++k) {
    const uint8_t* frame = bytesAt(source, k * size_t{format->nBlockAlign});
    uint8_t* to = bytesAt(destination, k * bytes);
    if (average && type == TZSAMPLETYPE_PCM8) {
      writeAverageOfBytes(to, frame, channels);
      continue;
    }
    double sum = 0;
    for (long c = 0; c < channels; ++c) sum += codec.read(frame + c * bytes);
    codec.write(to, average ? sum / channels : sum);
  }
  return S_OK;
}

}  // namespace
}  // namespace tz::audio

using namespace tz::audio;

HRESULT TZ_STDCALL TzAudio_MonoChannel(void* destination, const void* source,
                                       const WAVEFORMATEX* format, long frames) {
  if (anyNull(destination, source, format)) return E_POINTER;
  const TZSAMPLETYPE type = typeOf(format);
  if (!isPlain(type)) return E_FAIL;
  const long channels = format->nChannels;
  const size_t bytes = TzAudio_BytesFromSampleType(type);
  if (channels < 1 || frames < 0 || format->nBlockAlign < bytes * channels) return E_INVALIDARG;
  if (channels == 1) return TzAudio_Copy(format, destination, format, source, frames, 1.0f);
  const DoubleCodec codec(type);
  const size_t stride = format->nBlockAlign;
  for (long k = 0; k < frames; ++k) {
    uint8_t* to = bytesAt(destination, k * stride);
    uint8_t mean[8];
    writeMean(type, codec, mean, bytesAt(source, k * stride), channels, bytes);
    for (long c = 0; c < channels; ++c) std::memcpy(to + c * bytes, mean, bytes);
  }
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_ChannelChange(void* destination, long destinationChannels,
                                         const void* source, const WAVEFORMATEX* sourceFormat,
                                         long frames) {
  if (anyNull(destination, source, sourceFormat)) return E_POINTER;
  return changeChannels(destination, destinationChannels, source, sourceFormat, frames, false);
}

HRESULT TZ_STDCALL TzAudio_ChannelChangeAvg(void* destination, long destinationChannels,
                                            const void* source, const WAVEFORMATEX* sourceFormat,
                                            long frames) {
  if (anyNull(destination, source, sourceFormat)) return E_POINTER;
  return changeChannels(destination, destinationChannels, source, sourceFormat, frames, true);
}
