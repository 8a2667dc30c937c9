// Sample layouts and wave-format records: the closed set of layouts the audio routines work
// on, the Windows wave-format records, and the functions that build, classify and compare
// them. All functions are pure: no state, no lock, no allocation; safe on the audio path.
#pragma once

#include <cstddef>

#include "tz/export.h"
#include "tz/win_types.h"

// High nibble of the low byte: family (0x10 little-endian integer, 0x20 float, 0x30 special
// integer, 0x40 big-endian integer, 0x80 widened integer); low nibble: width in the family.
enum TZSAMPLETYPE : DWORD {
  TZSAMPLETYPE_UNKNOWN = 0x00,    // not recognised; every classifier's failure result
  TZSAMPLETYPE_PCM8 = 0x10,       // unsigned 8-bit, 0x80 is zero
  TZSAMPLETYPE_PCM16 = 0x11,      // signed 16-bit little-endian
  TZSAMPLETYPE_PCM24 = 0x12,      // signed 24-bit, three bytes packed, little-endian
  TZSAMPLETYPE_PCM32 = 0x13,      // signed 32-bit little-endian
  TZSAMPLETYPE_FLOAT32 = 0x20,    // IEEE single, full scale +-1.0
  TZSAMPLETYPE_FLOAT64 = 0x21,    // IEEE double, full scale +-1.0
  TZSAMPLETYPE_PCM24IN32 = 0x30,  // 24-bit value right-justified, sign-extended in 32 bits
  TZSAMPLETYPE_PCM8S = 0x31,      // signed 8-bit
  TZSAMPLETYPE_PCM16BE = 0x40,    // signed 16-bit big-endian
  TZSAMPLETYPE_PCM24BE = 0x41,    // signed 24-bit packed big-endian
  TZSAMPLETYPE_PCM32BE = 0x42,    // signed 32-bit big-endian
  TZSAMPLETYPE_WIDE16 = 0x80,     // 16-bit value sign-extended in a 32-bit word
  TZSAMPLETYPE_WIDE24 = 0x81,     // 24-bit value in the low three bytes of a 32-bit word
};
static_assert(sizeof(TZSAMPLETYPE) == 4);

constexpr WORD WAVE_FORMAT_PCM = 0x0001;
constexpr WORD WAVE_FORMAT_IEEE_FLOAT = 0x0003;
constexpr WORD WAVE_FORMAT_EXTENSIBLE = 0xFFFE;
// Private tags for layouts the registered ones cannot name.
constexpr WORD TZ_WAVE_FORMAT_PCM24IN32 = 0xFE00;  // wBitsPerSample 24 or 32
constexpr WORD TZ_WAVE_FORMAT_PCM8S = 0xFE01;      // as PCM, but 8-bit samples are signed
constexpr WORD TZ_WAVE_FORMAT_PCMBE = 0xFE02;      // big-endian; 8-bit samples unsigned
constexpr WORD TZ_WAVE_FORMAT_WIDE = 0xFE03;       // 16 or 24 bits widened to 32-bit words

#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;  // bytes that follow this record; 22 for the extensible form
};

// 32-bit IEEE float at `rate`, interleaved `channels`: the format of the host's outputs (2) and
// of the mixer's channel slots (1).
constexpr WAVEFORMATEX floatWaveFormat(DWORD rate, WORD channels) {
  return {WAVE_FORMAT_IEEE_FLOAT,          channels, rate, rate * 4u * channels,
          static_cast<WORD>(4 * channels), 32,       0};
}

struct WAVEFORMATEXTENSIBLE {
  WAVEFORMATEX Format;
  union {
    WORD wValidBitsPerSample;
    WORD wSamplesPerBlock;
    WORD wReserved;
  } Samples;
  DWORD dwChannelMask;
  GUID SubFormat;
};
#pragma pack(pop)

static_assert(sizeof(WAVEFORMATEX) == 18 && alignof(WAVEFORMATEX) == 1);
static_assert(offsetof(WAVEFORMATEX, nChannels) == 2 &&
              offsetof(WAVEFORMATEX, nSamplesPerSec) == 4);
static_assert(offsetof(WAVEFORMATEX, nAvgBytesPerSec) == 8);
static_assert(offsetof(WAVEFORMATEX, nBlockAlign) == 12);
static_assert(offsetof(WAVEFORMATEX, wBitsPerSample) == 14 && offsetof(WAVEFORMATEX, cbSize) == 16);
static_assert(sizeof(WAVEFORMATEXTENSIBLE) == 40);
static_assert(offsetof(WAVEFORMATEXTENSIBLE, Samples) == 18);
static_assert(offsetof(WAVEFORMATEXTENSIBLE, dwChannelMask) == 20);
static_assert(offsetof(WAVEFORMATEXTENSIBLE, SubFormat) == 24);

// Sub-formats are the base GUID {00000000-0000-0010-8000-00AA00389B71} with a format tag in
// the low 16 bits of the first field.
inline constexpr GUID KSDATAFORMAT_SUBTYPE_PCM = {
    0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID KSDATAFORMAT_SUBTYPE_IEEE_FLOAT = {
    0x00000003, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// The library's compact format record. Only nSampleType, nChannels and nBlockAlign are read
// by the copy and channel functions; the other two fields describe the stream for its owner.
struct _tzwaveformat {
  DWORD nSamplesPerSec;      // frames per second
  TZSAMPLETYPE nSampleType;  // used as is, never classified
  DWORD dwChannelMask;       // speaker positions as in WAVEFORMATEXTENSIBLE; 0 = default order
  WORD nChannels;            // interleaved channels per frame
  WORD nBlockAlign;          // bytes per frame
};
static_assert(sizeof(_tzwaveformat) == 16);
static_assert(offsetof(_tzwaveformat, nSampleType) == 4);
static_assert(offsetof(_tzwaveformat, dwChannelMask) == 8);
static_assert(offsetof(_tzwaveformat, nChannels) == 12 &&
              offsetof(_tzwaveformat, nBlockAlign) == 14);

// Bits per sample, bytes per sample and format tag of a layout; 0 for the widened types and
// any value outside the enumeration. TZSAMPLETYPE_PCM24IN32 reports its 32-bit container.
TZAPI(DWORD) TzAudio_BitsFromSampleType(TZSAMPLETYPE type);
TZAPI(DWORD) TzAudio_BytesFromSampleType(TZSAMPLETYPE type);
TZAPI(WORD) TzAudio_FormatTagFromSampleType(TZSAMPLETYPE type);

// Full-scale magnitude of an integer sample: 2^(bits-1) for 8, 16, 24 and 32; 1.0 otherwise.
TZAPI(double) TzAudio_GetNormalizeFactor(DWORD bitsPerSample);

// Layout of a format tag with a sample width; 20-bit PCM counts as packed 24-bit. Unknown
// tags and widths give TZSAMPLETYPE_UNKNOWN.
TZAPI(TZSAMPLETYPE) TzAudio_GetSampleType2(WORD formatTag, WORD bitsPerSample);

// Layout of a wave format; an extensible one is classified by its sub-format and valid bits
// (24 valid bits in 32-bit PCM give TZSAMPLETYPE_PCM24IN32). A record tagged extensible must be
// the full 40 bytes: its sub-format is read whatever cbSize says. Null gives UNKNOWN.
TZAPI(TZSAMPLETYPE) TzAudio_GetSampleType(const WAVEFORMATEX* format);

// The tag that describes the samples: an extensible format's sub-format tag (0 for a
// sub-format not derived from the base GUID), otherwise wFormatTag. Null gives 0.
TZAPI_TYPED(WORD) TzAudio_GetWaveFormatTag(const WAVEFORMATEX* format);

// Stores 1 or 3 in *tag for an extensible PCM or float format and returns TRUE; returns
// FALSE and leaves *tag alone for anything else, or when either pointer is null.
TZAPI_TYPED(BOOL) TzAudio_GetFormatTagExtensible(WAVEFORMATEXTENSIBLE* format, DWORD* tag);

// TRUE unless the format is uncompressed PCM or float in a layout the library knows, with
// nBlockAlign equal to whole bytes per sample times channels. Null counts as compressed.
TZAPI_TYPED(BOOL) TzAudio_IsCompressed(const WAVEFORMATEX* format);
// FALSE only for a complete extensible record (cbSize >= 22) with PCM or float sub-format.
TZAPI_TYPED(BOOL) TzAudio_IsCompressedExtensible(WAVEFORMATEXTENSIBLE* format);

// Fills the 18-byte record for a layout, without validation: an unknown layout gives tag 0
// and 0 bits. nBlockAlign wraps at 16 bits. Null writes nothing.
TZAPI_TYPED(void)
TzAudio_InitWfx(WAVEFORMATEX* format, DWORD sampleRate, TZSAMPLETYPE type, WORD channels);

// Fills a record with a speaker mask. An ordinary mask (its set bits are exactly the lowest
// k) or a zero mask gives the 18-byte record; a mask with gaps gives the 40-byte extensible
// record when bytesAvailable is at least 40, its surplus lowest bits cleared to fit the
// channel count (a mask too short for the channels is replaced by the lowest channels bits).
// Never writes past bytesAvailable: with fewer than 18 bytes nothing is written.
TZAPI_TYPED(void)
TzAudio_InitWfxFlex(WAVEFORMATEX* format, WORD formatTag, DWORD sampleRate, WORD bitsPerSample,
                    WORD channels, DWORD channelMask, DWORD bytesAvailable);

// TRUE when tag, channels, rate and bits per sample agree; block alignment, byte rate and any
// extensible part are not compared. FALSE if either pointer is null.
TZAPI(BOOL) TzAudio_IsEqualFormat(const WAVEFORMATEX* a, const WAVEFORMATEX* b);
