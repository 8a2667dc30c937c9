// Building wave-format records from a sample type, or from a tag with a speaker mask.
#include <bit>

#include "support/audio/sub_format.h"
#include "tz/wave_format.h"

namespace {

// Fills the 18 bytes of the plain record and nothing beyond them.
void writePlain(WAVEFORMATEX* format, WORD tag, DWORD rate, WORD bits, WORD channels) {
  // 16-bit like the field it fills: a frame wider than 65535 bytes wraps.
  const WORD blockAlign = static_cast<WORD>(bits / 8 * channels);
  format->wFormatTag = tag;
  format->nChannels = channels;
  format->nSamplesPerSec = rate;
  format->nAvgBytesPerSec = blockAlign * rate;
  format->nBlockAlign = blockAlign;
  format->wBitsPerSample = bits;
  format->cbSize = 0;
}

// The first `channels` speaker positions; every position from 32 channels up.
DWORD defaultMask(WORD channels) {
  return channels >= 32 ? ~DWORD{0} : (DWORD{1} << channels) - 1;
}

}  // namespace

void TZ_STDCALL TzAudio_InitWfx(WAVEFORMATEX* format, DWORD sampleRate, TZSAMPLETYPE type,
                                WORD channels) {
  if (format == nullptr) return;
  writePlain(format, TzAudio_FormatTagFromSampleType(type), sampleRate,
             static_cast<WORD>(TzAudio_BitsFromSampleType(type)), channels);
}

void TZ_STDCALL TzAudio_InitWfxFlex(WAVEFORMATEX* format, WORD formatTag, DWORD sampleRate,
                                    WORD bitsPerSample, WORD channels, DWORD channelMask,
                                    DWORD bytesAvailable) {
  // Not even the plain record fits: a partial record would be worse than none.
  if (format == nullptr || bytesAvailable < sizeof(WAVEFORMATEX)) return;
  // An ordinary mask (the lowest k positions) says nothing the plain record does not.
  const bool ordinary = (channelMask & (channelMask + 1)) == 0;
  if (ordinary || bytesAvailable < sizeof(WAVEFORMATEXTENSIBLE)) {
    writePlain(format, formatTag, sampleRate, bitsPerSample, channels);
    return;
  }
  DWORD mask = channelMask;
  const int setBits = std::popcount(mask);
  if (setBits > channels) {
    while (std::popcount(mask) > channels) mask &= mask - 1;  // drop the lowest positions
  } else if (setBits < channels) {
    mask = 0;  // too few positions to place every channel
  }
  writePlain(format, formatTag, sampleRate, bitsPerSample, channels);
  auto* ext = reinterpret_cast<WAVEFORMATEXTENSIBLE*>(format);
  ext->Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  ext->Format.cbSize = tz::audio::kExtensibleExtraBytes;
  ext->Samples.wValidBitsPerSample = bitsPerSample;
  ext->dwChannelMask = mask != 0 ? mask : defaultMask(channels);
  ext->SubFormat = tz::audio::subFormatForTag(formatTag);
}
