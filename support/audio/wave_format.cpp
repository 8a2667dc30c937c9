// Classification and comparison of wave-format records.
#include "tz/wave_format.h"
#include "support/audio/sub_format.h"

namespace {

using tz::audio::isDerivedSubFormat;
using tz::audio::kExtensibleExtraBytes;

// A record tagged extensible is read as one. The extensible record begins with the plain
// one, so the two pointers are interconvertible.
const WAVEFORMATEXTENSIBLE* asExtensible(const WAVEFORMATEX* format) {
  return reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(format);
}

bool hasExtensiblePart(const WAVEFORMATEX* format) {
  return format->wFormatTag == WAVE_FORMAT_EXTENSIBLE && format->cbSize >= kExtensibleExtraBytes;
}

}  // namespace

TZSAMPLETYPE TZ_STDCALL TzAudio_GetSampleType(const WAVEFORMATEX* format) {
  if (format == nullptr) return TZSAMPLETYPE_UNKNOWN;
  if (format->wFormatTag != WAVE_FORMAT_EXTENSIBLE)
    return TzAudio_GetSampleType2(format->wFormatTag, format->wBitsPerSample);
  const WAVEFORMATEXTENSIBLE* ext = asExtensible(format);
  const GUID subFormat = ext->SubFormat;  // copied: the packed field may be misaligned
  if (!isDerivedSubFormat(subFormat)) return TZSAMPLETYPE_UNKNOWN;
  TZSAMPLETYPE type =
      TzAudio_GetSampleType2(static_cast<WORD>(subFormat.Data1), format->wBitsPerSample);
  if (type == TZSAMPLETYPE_PCM32 && ext->Samples.wValidBitsPerSample == 24)
    return TZSAMPLETYPE_PCM24IN32;
  return type;
}

WORD TZ_STDCALL TzAudio_GetWaveFormatTag(const WAVEFORMATEX* format) {
  if (format == nullptr) return 0;
  if (!hasExtensiblePart(format)) return format->wFormatTag;
  const GUID subFormat = asExtensible(format)->SubFormat;
  return isDerivedSubFormat(subFormat) ? static_cast<WORD>(subFormat.Data1) : 0;
}

BOOL TZ_STDCALL TzAudio_GetFormatTagExtensible(WAVEFORMATEXTENSIBLE* format, DWORD* tag) {
  if (format == nullptr || tag == nullptr || !hasExtensiblePart(&format->Format)) return FALSE;
  const GUID subFormat = format->SubFormat;
  if (subFormat == KSDATAFORMAT_SUBTYPE_PCM) {
    *tag = WAVE_FORMAT_PCM;
    return TRUE;
  }
  if (subFormat == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT) {
    *tag = WAVE_FORMAT_IEEE_FLOAT;
    return TRUE;
  }
  return FALSE;
}

BOOL TZ_STDCALL TzAudio_IsCompressedExtensible(WAVEFORMATEXTENSIBLE* format) {
  if (format == nullptr || format->Format.cbSize < kExtensibleExtraBytes) return TRUE;
  const GUID subFormat = format->SubFormat;
  return subFormat == KSDATAFORMAT_SUBTYPE_PCM || subFormat == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT
             ? FALSE
             : TRUE;
}

BOOL TZ_STDCALL TzAudio_IsCompressed(const WAVEFORMATEX* format) {
  if (format == nullptr) return TRUE;
  switch (format->wFormatTag) {
    case WAVE_FORMAT_EXTENSIBLE:
      // The extensible record is only read, whatever its pointer's constness says.
      return TzAudio_IsCompressedExtensible(
          const_cast<WAVEFORMATEXTENSIBLE*>(asExtensible(format)));
    case WAVE_FORMAT_PCM:
    case WAVE_FORMAT_IEEE_FLOAT:
    case TZ_WAVE_FORMAT_PCM24IN32:
    case TZ_WAVE_FORMAT_PCM8S:
    case TZ_WAVE_FORMAT_PCMBE: {
      // Whole bytes per sample, so 20 bits in 3-byte containers counts as compressed.
      const unsigned frameBytes = format->wBitsPerSample / 8u * format->nChannels;
      return format->nBlockAlign != frameBytes ? TRUE : FALSE;
    }
    default:
      return TRUE;
  }
}

BOOL TZ_STDCALL TzAudio_IsEqualFormat(const WAVEFORMATEX* a, const WAVEFORMATEX* b) {
  if (a == nullptr || b == nullptr) return FALSE;
  return a->nChannels == b->nChannels && a->nSamplesPerSec == b->nSamplesPerSec &&
                 a->wFormatTag == b->wFormatTag && a->wBitsPerSample == b->wBitsPerSample
             ? TRUE
             : FALSE;
}
