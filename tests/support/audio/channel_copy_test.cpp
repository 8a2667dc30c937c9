// Channel copy: the channel maps, the widened layouts, the same-place guard, and agreement of
// every channel kernel with the format-copy kernel of its pair.
#include "tz/channel_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "support/audio/channel_copy.h"
#include "support/audio/convertible_types.h"
#include "support/audio/cpu_support_internal.h"
#include "support/audio/format_copy.h"
#include "tests/support/audio/wave_formats.h"
#include "tz/cpu_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(ChannelCopyTest, MapsPickAndSkipChannels) {
  const WAVEFORMATEX stereo16 = plainFormat(TZSAMPLETYPE_PCM16, 2),
                     mono16 = plainFormat(TZSAMPLETYPE_PCM16, 1);
  const WAVEFORMATEX monoFloat = plainFormat(TZSAMPLETYPE_FLOAT32, 1),
                     stereoFloat = plainFormat(TZSAMPLETYPE_FLOAT32, 2);
  const int16_t in[6] = {16384, -8192, 0x7FFF, 1, -32768, 4};
  const float a = 0.5f, b = -0.25f, c = 0x7FFF / 32768.0f, d = 1 / 32768.0f, f = 4 / 32768.0f;
  const struct {
    const char* name;
    const WAVEFORMATEX *to, *from;
    std::vector<long> map;
    std::vector<float> want;  // destination samples, 9 meaning untouched
  } rows[] = {
      {"left to mono", &monoFloat, &stereo16, {0, -1}, {a, c, -1.0f}},
      {"right to mono", &monoFloat, &stereo16, {-1, 0}, {b, d, f}},
      {"later entry wins", &monoFloat, &stereo16, {0, 0}, {b, d, f}},
      {"entry past the channels skipped", &monoFloat, &stereo16, {1, 7}, {9, 9, 9}},
      {"mono into the right channel", &stereoFloat, &mono16, {1}, {9, a, 9, b, 9, c}},
      {"swap", &stereoFloat, &stereo16, {1, 0}, {b, a, d, c, f, -1.0f}},
  };
  for (const auto& r : rows) {
    std::vector<float> out(r.want.size() + 1, 9.0f);
    EXPECT_EQ(TzAudio_CopyChannels(r.to, out.data(), r.from, in, 3, r.map.data()), S_OK) << r.name;
    out.pop_back();
    EXPECT_EQ(out, r.want) << r.name;
  }
  // A null map is a format copy for the source's channel count; 0 frames do nothing.
  float out[6] = {};
  EXPECT_EQ(TzAudio_CopyChannels(&monoFloat, out, &stereo16, in, 3, nullptr), S_OK);
  EXPECT_EQ(out[4], -1.0f);
  const long both[2] = {0, 0};
  EXPECT_EQ(TzAudio_CopyChannels(&monoFloat, out, &stereo16, in, 0, both), S_OK);
  EXPECT_EQ(TzAudio_CopyChannels(&monoFloat, out, &stereo16, in, -1, both), E_INVALIDARG);
}

TEST(ChannelCopyTest, WidenedLayoutsReadAsTheirDeclaredWidth) {
  WAVEFORMATEX wide16 = plainFormat(TZSAMPLETYPE_PCM16, 1),
               pcm16 = plainFormat(TZSAMPLETYPE_PCM16, 1);
  wide16.wFormatTag = TZ_WAVE_FORMAT_WIDE;
  const long map[1] = {0};
  int32_t words[2] = {-2, 5};
  int16_t out[2] = {};
  EXPECT_EQ(TzAudio_CopyChannels(&pcm16, out, &wide16, words, 2, nullptr), E_NOTIMPL);
  EXPECT_EQ(TzAudio_CopyChannels(&pcm16, out, &wide16, words, 2, map), S_OK);
  EXPECT_EQ(out[0], -2);
  EXPECT_EQ(out[1], 5);

  auto convert = [](TZSAMPLETYPE to, TZSAMPLETYPE from, Bytes in) {
    Bytes out(TzAudio_BytesFromSampleType(to) ? TzAudio_BytesFromSampleType(to) : 4, 0xEE);
    TzAudio_GetCopyChannelsFunction2(to, from)(out.data(), 1, 0, in.data(), 1, 0, 1);
    return out;
  };
  constexpr auto W16 = TZSAMPLETYPE_WIDE16, W24 = TZSAMPLETYPE_WIDE24;
  const struct {
    TZSAMPLETYPE to, from;
    Bytes in, want;
  } rows[] = {
      {TZSAMPLETYPE_PCM32, W16, {0x00, 0x80, 0x12, 0x34}, {0, 0, 0, 0x80}},
      {TZSAMPLETYPE_PCM24IN32, W16, {0x00, 0x80, 0xFF, 0xFF}, {0, 0, 0x80, 0xFF}},
      {TZSAMPLETYPE_PCM24, W16, {0x34, 0x12, 0, 0}, {0, 0x34, 0x12}},
      {TZSAMPLETYPE_FLOAT32, W16, {0x00, 0xC0, 0x55, 0x55}, {0, 0, 0, 0xBF}},  // -0.5
      {TZSAMPLETYPE_PCM24, W24, {0x56, 0x34, 0x12, 0x99}, {0x56, 0x34, 0x12}},
      {TZSAMPLETYPE_FLOAT32, W24, {0, 0, 0x80, 0x00}, {0, 0, 0x80, 0xBF}},  // -1.0
      {TZSAMPLETYPE_FLOAT64, W24, {0, 0, 0x40, 0x00}, {0, 0, 0, 0, 0, 0, 0xE0, 0x3F}},
      {TZSAMPLETYPE_PCM16, W24, {0x80, 0x34, 0x12, 0}, {0x34, 0x12}},  // tie to even
      {TZSAMPLETYPE_PCM16, W24, {0x80, 0x35, 0x12, 0}, {0x36, 0x12}},
      {TZSAMPLETYPE_PCM16, W24, {0xFF, 0xFF, 0x7F, 0}, {0xFF, 0x7F}},
      {W16, TZSAMPLETYPE_PCM16, {0x00, 0x80}, {0x00, 0x80, 0xFF, 0xFF}},
      {W16, TZSAMPLETYPE_PCM24, {0x80, 0x34, 0x12}, {0x34, 0x12, 0, 0}},
      {W16, TZSAMPLETYPE_PCM24, {0xFF, 0xFF, 0x7F}, {0xFF, 0x7F, 0, 0}},
      {W16, TZSAMPLETYPE_FLOAT32, {0, 0, 0x80, 0xBF}, {0x00, 0x80, 0xFF, 0xFF}},
      {W24, TZSAMPLETYPE_PCM16, {0x34, 0x12}, {0, 0x34, 0x12, 0}},
      {W24, TZSAMPLETYPE_PCM24, {0, 0, 0x80}, {0, 0, 0x80, 0xFF}},
      {W24, TZSAMPLETYPE_FLOAT32, {0, 0, 0x00, 0x40}, {0xFF, 0xFF, 0x7F, 0}},  // 2.0 saturates
  };
  for (const auto& r : rows)
    EXPECT_EQ(convert(r.to, r.from, r.in), r.want) << std::hex << r.to << " <- " << r.from;

  // Every pair's kernel; only double <- 16-bit takes another when SSE2 is not allowed.
  const auto kernelAt = [](DWORD d, DWORD s) {
    return reinterpret_cast<uintptr_t>(TzAudio_GetCopyChannelsFunction2(
        static_cast<TZSAMPLETYPE>(d), static_cast<TZSAMPLETYPE>(s)));
  };
  std::vector<uintptr_t> everything;
  for (DWORD d = 0; d < 0x100; ++d)
    for (DWORD s = 0; s < 0x100; ++s) everything.push_back(kernelAt(d, s));
  EXPECT_EQ(121 + 16, std::count_if(everything.begin(), everything.end(),
                                    [](uintptr_t kernel) { return kernel != 0; }));
  TzOnlyAllowCPUSupport(0);
  TzSetCPUClassBySupport();
  int differing = 0;
  for (DWORD d = 0; d < 0x100; ++d)
    for (DWORD s = 0; s < 0x100; ++s) differing += kernelAt(d, s) != everything[d * 0x100 + s];
  tz::audio::resetCpuSupportForTesting();
  EXPECT_EQ(1, differing);
  EXPECT_EQ(everything[TZSAMPLETYPE_FLOAT64 * 0x100 + TZSAMPLETYPE_PCM16],
            reinterpret_cast<uintptr_t>(tz::audio::sse2::pcm16ToFloat64Channel));
}

TEST(ChannelCopyTest, SamePlaceGuard) {
  const auto kernel = TzAudio_GetCopyChannelsFunction2(TZSAMPLETYPE_PCM16, TZSAMPLETYPE_PCM16);
  int16_t buffer[4] = {1, 2, 3, 4};
  kernel(buffer, 2, 0, buffer, 1, 0, 2);  // would spread over unread samples
  EXPECT_EQ(buffer[1], 2);
  kernel(buffer, 1, 0, buffer, 2, 1, 2);  // fewer destination channels: runs forward
  EXPECT_EQ(buffer[0], 2);
  EXPECT_EQ(buffer[1], 4);
}

// Mono to mono at gain 1.0, every channel kernel of the eleven must equal the format copy.
TEST(ChannelCopyTest, AgreesWithFormatCopyForEveryPair) {
  Bytes sweep(8 * 4096);
  uint32_t seed = 99;
  for (size_t i = 0; i < sweep.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    sweep[i] = static_cast<uint8_t>(seed >> 24);
  }
  for (size_t i = 0; i < 64; ++i) sweep[i * 8 + 7] = 0x3F;  // doubles near full scale
  for (TZSAMPLETYPE d : tz::audio::kConvertibleTypes) {
    for (TZSAMPLETYPE s : tz::audio::kConvertibleTypes) {
      const auto channel = tz::audio::baselineChannelKernel(d, s);
      const auto copy = tz::audio::baselineCopyKernel(d, s);
      if (copy == nullptr) continue;
      const long n = static_cast<long>(sweep.size() / 8);
      Bytes a(n * 8, 0), b(n * 8, 0);
      channel(a.data(), 1, 0, sweep.data(), 1, 0, n);
      copy(b.data(), sweep.data(), n, 1.0f);
      EXPECT_EQ(a, b) << std::hex << d << " <- " << s;
    }
  }
}

TEST(ChannelCopyTest, VectorKernelEqualsBaseline) {
  const auto vector = tz::audio::sse2::pcm16ToFloat64Channel;
  const auto scalar = tz::audio::referenceChannelKernel(TZSAMPLETYPE_FLOAT64, TZSAMPLETYPE_PCM16);
  for (DWORD sChannels : {1u, 2u, 3u}) {
    for (DWORD channel = 0; channel < sChannels; ++channel) {
      for (long frames : {0L, 1L, 2L, 3L, 5L, 7L, 65536L}) {
        // The source ends at the last frame, so that a read past it is caught.
        std::vector<int16_t> in(std::max(frames, 1L) * sChannels);
        for (size_t v = 0; v < in.size(); ++v) in[v] = static_cast<int16_t>(v * 7);
        const DWORD dChannels = channel + 1;
        std::vector<double> a(frames * dChannels + 1, 9.0), b = a;
        vector(a.data(), dChannels, channel, in.data(), sChannels, channel, frames);
        scalar(b.data(), dChannels, channel, in.data(), sChannels, channel, frames);
        EXPECT_EQ(a, b) << sChannels << " " << channel << " " << frames;
      }
    }
  }
}

// Random bits, NaN payloads and denormals among them, moved as they are; in place too.
TEST(ChannelCopyTest, FloatVectorKernelEqualsBaselineBitForBit) {
  const auto vector = tz::audio::sse2::float32Channel;
  const auto scalar = tz::audio::referenceChannelKernel(TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_FLOAT32);
  uint32_t seed = 1234;
  for (DWORD sChannels : {1u, 2u, 3u}) {
    for (DWORD channel = 0; channel < sChannels; ++channel) {
      for (DWORD dChannels : {1u, 2u}) {
        for (long frames : {0L, 1L, 3L, 4L, 5L, 9L, 4099L}) {
          // The source ends at the last frame, so that a read past it is caught.
          std::vector<uint32_t> in(std::max(frames, 1L) * sChannels);
          for (uint32_t& v : in) v = seed = seed * 1664525u + 1013904223u;
          const DWORD dChannel = dChannels - 1;
          std::vector<uint32_t> a(frames * dChannels + 1, 0x7FC00009u), b = a;
          vector(a.data(), dChannels, dChannel, in.data(), sChannels, channel, frames);
          scalar(b.data(), dChannels, dChannel, in.data(), sChannels, channel, frames);
          EXPECT_EQ(a, b) << "seed " << seed << ", " << sChannels << " " << channel << " "
                          << dChannels << " " << frames;
          std::vector<uint32_t> inPlace = in, expected = in;
          vector(inPlace.data(), 1, 0, inPlace.data(), sChannels, channel, frames);
          scalar(expected.data(), 1, 0, expected.data(), sChannels, channel, frames);
          EXPECT_EQ(inPlace, expected)
              << "in place, seed " << seed << ", " << sChannels << " " << channel << " " << frames;
        }
      }
    }
  }
}

}  // namespace
