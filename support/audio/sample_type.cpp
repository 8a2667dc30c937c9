// The sample-type table and the classification of a format tag with a sample width.
#include "tz/wave_format.h"

namespace {

struct TypeInfo {
  TZSAMPLETYPE type;
  WORD bits;
  WORD tag;
};

// The widened types are absent on purpose: only channel copy handles them, and they have
// no wave-format form, so every query answers 0 for them as for unknown values.
constexpr TypeInfo kTypes[] = {
    {TZSAMPLETYPE_PCM8, 8, WAVE_FORMAT_PCM},
    {TZSAMPLETYPE_PCM16, 16, WAVE_FORMAT_PCM},
    {TZSAMPLETYPE_PCM24, 24, WAVE_FORMAT_PCM},
    {TZSAMPLETYPE_PCM32, 32, WAVE_FORMAT_PCM},
    {TZSAMPLETYPE_FLOAT32, 32, WAVE_FORMAT_IEEE_FLOAT},
    {TZSAMPLETYPE_FLOAT64, 64, WAVE_FORMAT_IEEE_FLOAT},
    {TZSAMPLETYPE_PCM24IN32, 32, TZ_WAVE_FORMAT_PCM24IN32},
    {TZSAMPLETYPE_PCM8S, 8, TZ_WAVE_FORMAT_PCM8S},
    {TZSAMPLETYPE_PCM16BE, 16, TZ_WAVE_FORMAT_PCMBE},
    {TZSAMPLETYPE_PCM24BE, 24, TZ_WAVE_FORMAT_PCMBE},
    {TZSAMPLETYPE_PCM32BE, 32, TZ_WAVE_FORMAT_PCMBE},
};

constexpr TypeInfo find(TZSAMPLETYPE type) {
  for (const TypeInfo& info : kTypes)
    if (info.type == type) return info;
  return {TZSAMPLETYPE_UNKNOWN, 0, 0};
}

// Integer PCM by width, with the 8-bit form that the tag implies.
constexpr TZSAMPLETYPE pcmType(WORD bits, TZSAMPLETYPE eightBit) {
  switch (bits) {
    case 8:
      return eightBit;
    case 16:
      return TZSAMPLETYPE_PCM16;
    case 20:  // 20-bit samples travel in packed 24-bit containers
    case 24:
      return TZSAMPLETYPE_PCM24;
    case 32:
      return TZSAMPLETYPE_PCM32;
    default:
      return TZSAMPLETYPE_UNKNOWN;
  }
}

constexpr TZSAMPLETYPE bigEndianType(WORD bits) {
  switch (bits) {
    case 8:
      return TZSAMPLETYPE_PCM8;  // byte order does not apply to single bytes
    case 16:
      return TZSAMPLETYPE_PCM16BE;
    case 24:
      return TZSAMPLETYPE_PCM24BE;
    case 32:
      return TZSAMPLETYPE_PCM32BE;
    default:
      return TZSAMPLETYPE_UNKNOWN;
  }
}

}  // namespace

DWORD TZ_STDCALL TzAudio_BitsFromSampleType(TZSAMPLETYPE type) {
  return find(type).bits;
}

DWORD TZ_STDCALL TzAudio_BytesFromSampleType(TZSAMPLETYPE type) {
  return find(type).bits / 8;
}

WORD TZ_STDCALL TzAudio_FormatTagFromSampleType(TZSAMPLETYPE type) {
  return find(type).tag;
}

double TZ_STDCALL TzAudio_GetNormalizeFactor(DWORD bitsPerSample) {
  switch (bitsPerSample) {
    case 8:
      return 128.0;
    case 16:
      return 32768.0;
    case 24:
      return 8388608.0;
    case 32:
      return 2147483648.0;
    default:
      return 1.0;
  }
}

TZSAMPLETYPE TZ_STDCALL TzAudio_GetSampleType2(WORD formatTag, WORD bitsPerSample) {
  switch (formatTag) {
    case WAVE_FORMAT_PCM:
      return pcmType(bitsPerSample, TZSAMPLETYPE_PCM8);
    case TZ_WAVE_FORMAT_PCM8S:
      return pcmType(bitsPerSample, TZSAMPLETYPE_PCM8S);
    case WAVE_FORMAT_IEEE_FLOAT:
      if (bitsPerSample == 32) return TZSAMPLETYPE_FLOAT32;
      if (bitsPerSample == 64) return TZSAMPLETYPE_FLOAT64;
      return TZSAMPLETYPE_UNKNOWN;
    case TZ_WAVE_FORMAT_PCM24IN32:
      return bitsPerSample == 24 || bitsPerSample == 32 ? TZSAMPLETYPE_PCM24IN32
                                                        : TZSAMPLETYPE_UNKNOWN;
    case TZ_WAVE_FORMAT_PCMBE:
      return bigEndianType(bitsPerSample);
    case TZ_WAVE_FORMAT_WIDE:
      if (bitsPerSample == 16) return TZSAMPLETYPE_WIDE16;
      if (bitsPerSample == 24) return TZSAMPLETYPE_WIDE24;
      return TZSAMPLETYPE_UNKNOWN;
    default:
      return TZSAMPLETYPE_UNKNOWN;
  }
}
