#include "tz/wave_format.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

GUID derived(DWORD data1) {
  GUID g = KSDATAFORMAT_SUBTYPE_PCM;
  g.Data1 = data1;
  return g;
}

WAVEFORMATEXTENSIBLE extensible(GUID sub, WORD bits, WORD validBits, WORD cbSize = 22) {
  WAVEFORMATEXTENSIBLE ext{};
  ext.Format = {WAVE_FORMAT_EXTENSIBLE, 2, 48000, 0, static_cast<WORD>(bits / 4), bits, cbSize};
  ext.Samples.wValidBitsPerSample = validBits;
  ext.SubFormat = sub;
  return ext;
}

TEST(SampleTypeTest, PropertiesAndNormalizeFactors) {
  // type, bits, bytes, tag
  const DWORD rows[][4] = {
      {0x00, 0, 0, 0},      {0x10, 8, 1, 1},       {0x11, 16, 2, 1},      {0x12, 24, 3, 1},
      {0x13, 32, 4, 1},     {0x20, 32, 4, 3},      {0x21, 64, 8, 3},      {0x30, 32, 4, 0xFE00},
      {0x31, 8, 1, 0xFE01}, {0x40, 16, 2, 0xFE02}, {0x41, 24, 3, 0xFE02}, {0x42, 32, 4, 0xFE02},
      {0x80, 0, 0, 0},      {0x81, 0, 0, 0},       {0x14, 0, 0, 0},       {0x1FF, 0, 0, 0}};
  for (const auto& [value, bits, bytes, tag] : rows) {
    const auto type = static_cast<TZSAMPLETYPE>(value);
    EXPECT_EQ(TzAudio_BitsFromSampleType(type), bits) << std::hex << value;
    EXPECT_EQ(TzAudio_BytesFromSampleType(type), bytes) << std::hex << value;
    EXPECT_EQ(TzAudio_FormatTagFromSampleType(type), tag) << std::hex << value;
  }
  const double factors[][2] = {{8, 128.0}, {16, 32768.0}, {24, 8388608.0}, {32, 2147483648.0},
                               {12, 1.0},  {0, 1.0},      {64, 1.0}};
  for (const auto& [bits, factor] : factors)
    EXPECT_EQ(TzAudio_GetNormalizeFactor(static_cast<DWORD>(bits)), factor) << bits;
}

TEST(SampleTypeTest, EveryTagAndWidth) {
  const WORD widths[] = {8, 16, 20, 24, 32, 64, 0, 4, 12, 48};
  // tag, then the type for each width above
  const DWORD types[][11] = {{1, 0x10, 0x11, 0x12, 0x12, 0x13},
                             {0xFE01, 0x31, 0x11, 0x12, 0x12, 0x13},
                             {3, 0, 0, 0, 0, 0x20, 0x21},
                             {0xFE00, 0, 0, 0, 0x30, 0x30},
                             {0xFE02, 0x10, 0x40, 0, 0x41, 0x42},
                             {0xFE03, 0, 0x80, 0, 0x81},
                             {0},
                             {2},
                             {0xFE04},
                             {0xFFFE}};
  for (const auto& row : types) {
    const auto tag = static_cast<WORD>(row[0]);
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(TzAudio_GetSampleType2(tag, widths[i]), row[i + 1])
          << std::hex << tag << std::dec << "/" << widths[i];
      const WAVEFORMATEX plain{tag, 2, 44100, 0, 0, widths[i], 0};
      if (tag != WAVE_FORMAT_EXTENSIBLE) {
        EXPECT_EQ(TzAudio_GetSampleType(&plain), row[i + 1]);
      }
    }
  }
}

TEST(WaveFormatTest, ExtensibleClassificationAndTags) {
  const struct {
    GUID sub;
    WORD bits, valid, cbSize;
    DWORD type, effectiveTag;
  } rows[] = {
      {KSDATAFORMAT_SUBTYPE_PCM, 32, 24, 22, TZSAMPLETYPE_PCM24IN32, 1},
      {KSDATAFORMAT_SUBTYPE_PCM, 32, 32, 22, TZSAMPLETYPE_PCM32, 1},
      {KSDATAFORMAT_SUBTYPE_PCM, 32, 20, 22, TZSAMPLETYPE_PCM32, 1},
      {KSDATAFORMAT_SUBTYPE_PCM, 24, 24, 22, TZSAMPLETYPE_PCM24, 1},
      {KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, 32, 24, 22, TZSAMPLETYPE_FLOAT32, 3},
      {derived(0xFE02), 16, 16, 22, TZSAMPLETYPE_PCM16BE, 0xFE02},
      {derived(0x00010001), 16, 16, 22, TZSAMPLETYPE_UNKNOWN, 0},
      {{1, 0, 0x10, {0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x72}}, 16, 16, 22, TZSAMPLETYPE_UNKNOWN, 0},
      // A short extension hides the sub-format from the tag, not from the classifier.
      {KSDATAFORMAT_SUBTYPE_PCM, 16, 16, 21, TZSAMPLETYPE_PCM16, 0xFFFE},
  };
  for (const auto& r : rows) {
    WAVEFORMATEXTENSIBLE ext = extensible(r.sub, r.bits, r.valid, r.cbSize);
    SCOPED_TRACE(testing::Message() << std::hex << r.sub.Data1 << std::dec << "/" << r.bits);
    EXPECT_EQ(TzAudio_GetSampleType(&ext.Format), r.type);
    EXPECT_EQ(TzAudio_GetWaveFormatTag(&ext.Format), r.effectiveTag);
    const bool standard = r.cbSize >= 22 && (r.effectiveTag == 1 || r.effectiveTag == 3);
    DWORD tag = 77;
    EXPECT_EQ(TzAudio_GetFormatTagExtensible(&ext, &tag), standard ? TRUE : FALSE);
    EXPECT_EQ(tag, standard ? r.effectiveTag : 77u);
    EXPECT_EQ(TzAudio_IsCompressedExtensible(&ext), standard ? FALSE : TRUE);
  }
  WAVEFORMATEXTENSIBLE pcm = extensible(KSDATAFORMAT_SUBTYPE_PCM, 16, 16);
  pcm.Format.wFormatTag = WAVE_FORMAT_PCM;
  DWORD tag = 77;
  EXPECT_FALSE(TzAudio_GetFormatTagExtensible(&pcm, &tag));
  EXPECT_FALSE(TzAudio_GetFormatTagExtensible(nullptr, &tag));
  EXPECT_EQ(tag, 77u);
  EXPECT_EQ(TzAudio_GetWaveFormatTag(nullptr), 0);
  EXPECT_EQ(TzAudio_GetSampleType(nullptr), TZSAMPLETYPE_UNKNOWN);
}

TEST(WaveFormatTest, CompressionAndEquality) {
  const WORD rows[][5] = {// tag, bits, channels, block, compressed
                          {1, 16, 2, 4, 0},     {1, 16, 2, 8, 1},        {1, 20, 2, 6, 1},
                          {1, 20, 2, 4, 0},     {3, 64, 6, 48, 0},       {0xFE00, 32, 1, 4, 0},
                          {0xFE01, 8, 1, 1, 0}, {0xFE02, 24, 2, 6, 0},   {0xFE03, 16, 1, 2, 1},
                          {2, 4, 1, 0, 1},      {1, 16, 40000, 14464, 1}};  // block wrapped
  for (const auto& [tag, bits, channels, block, compressed] : rows) {
    const WAVEFORMATEX wfx{tag, channels, 8000, 0, block, bits, 0};
    EXPECT_EQ(TzAudio_IsCompressed(&wfx), compressed) << std::hex << tag << "/" << bits;
  }
  WAVEFORMATEXTENSIBLE ext = extensible(KSDATAFORMAT_SUBTYPE_PCM, 16, 16);
  ext.Format.nBlockAlign = 99;  // not checked for the extensible form
  EXPECT_FALSE(TzAudio_IsCompressed(&ext.Format));
  ext.SubFormat = derived(0xFE02);
  EXPECT_TRUE(TzAudio_IsCompressed(&ext.Format));
  EXPECT_TRUE(TzAudio_IsCompressed(nullptr));

  const WAVEFORMATEX a{1, 2, 44100, 176400, 4, 16, 0};
  const WAVEFORMATEX differing[] = {{1, 2, 44100, 1, 7, 16, 22},
                                    {3, 2, 44100, 176400, 4, 16, 0},
                                    {1, 1, 44100, 176400, 4, 16, 0},
                                    {1, 2, 48000, 176400, 4, 16, 0},
                                    {1, 2, 44100, 176400, 4, 24, 0}};
  for (const WAVEFORMATEX& b : differing)
    EXPECT_EQ(TzAudio_IsEqualFormat(&a, &b), &b == differing ? TRUE : FALSE) << &b - differing;
  EXPECT_FALSE(TzAudio_IsEqualFormat(&a, nullptr));
}

// Leading bytes of a 0xCC-filled buffer that a builder wrote.
size_t writtenBytes(const BYTE (&buffer)[64]) {
  size_t end = sizeof buffer;
  while (end > 0 && buffer[end - 1] == 0xCC) --end;
  return end;
}

TEST(WaveFormatTest, InitWfxBuildsPlainRecords) {
  alignas(4) BYTE buffer[64];
  auto* wfx = reinterpret_cast<WAVEFORMATEX*>(buffer);
  memset(buffer, 0xCC, sizeof buffer);
  TzAudio_InitWfx(wfx, 48000, TZSAMPLETYPE_PCM24IN32, 2);
  EXPECT_EQ(writtenBytes(buffer), 18u);
  const WAVEFORMATEX expected{0xFE00, 2, 48000, 384000, 8, 32, 0};
  EXPECT_EQ(memcmp(wfx, &expected, 18), 0);
  TzAudio_InitWfx(wfx, 44100, TZSAMPLETYPE_WIDE16, 2);
  EXPECT_EQ(wfx->wFormatTag | wfx->wBitsPerSample | wfx->nBlockAlign, 0);
  TzAudio_InitWfx(wfx, 1000, TZSAMPLETYPE_FLOAT64, 10000);  // 80000-byte frames wrap
  EXPECT_EQ(wfx->nBlockAlign, 80000 - 65536);
  EXPECT_EQ(wfx->nAvgBytesPerSec, (80000u - 65536u) * 1000u);
}

TEST(WaveFormatTest, InitWfxFlexChoosesRecordAndMask) {
  // mask, channels, bytes available, bytes written, mask written
  const DWORD rows[][5] = {
      {0x3, 2, 40, 18, 0},    {0x3F, 6, 64, 18, 0},     {0, 2, 40, 18, 0},
      {0x7, 2, 40, 18, 0},    {~0u, 2, 40, 18, 0},      {0x33, 2, 40, 40, 0x30},
      {0x33, 2, 39, 18, 0},   {0x33, 2, 18, 18, 0},     {0x33, 2, 17, 0, 0},
      {0x3, 2, 0, 0, 0},      {0x5, 2, 40, 40, 0x5},    {0x5, 3, 40, 40, 0x7},
      {0x6, 40, 40, 40, ~0u}, {0xF0F, 3, 64, 40, 0xE00}};
  for (const auto& [mask, channels, available, written, outMask] : rows) {
    alignas(4) BYTE buffer[64];
    memset(buffer, 0xCC, sizeof buffer);
    auto* ext = reinterpret_cast<WAVEFORMATEXTENSIBLE*>(buffer);
    const auto ch = static_cast<WORD>(channels);
    TzAudio_InitWfxFlex(&ext->Format, 3, 48000, 32, ch, mask, available);
    SCOPED_TRACE(testing::Message() << std::hex << mask << std::dec << ", " << ch << " channels, "
                                    << available << " bytes");
    ASSERT_EQ(writtenBytes(buffer), written);
    if (written == 0) continue;
    const bool plain = written == 18;
    const WORD tag = plain ? 3 : 0xFFFE, block = 4 * ch, extra = plain ? 0 : 22;
    const WAVEFORMATEX format{tag, ch, 48000, 192000 * channels, block, 32, extra};
    EXPECT_EQ(memcmp(&ext->Format, &format, 18), 0);
    if (plain) continue;
    EXPECT_EQ(ext->Samples.wValidBitsPerSample, 32);
    EXPECT_EQ(ext->dwChannelMask, outMask);
    EXPECT_TRUE(ext->SubFormat == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT);
  }
}

}  // namespace
