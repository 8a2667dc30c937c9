// Channel operations: each one's examples, its failure codes and its zero-frame case.
#include "tz/channel_ops.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "support/audio/cpu_support_internal.h"
#include "tests/support/audio/wave_formats.h"
#include "tz/cpu_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

template <class T>
std::vector<T> run(std::vector<T> buffer, const std::function<HRESULT(T*)>& op,
                   HRESULT want = S_OK) {
  EXPECT_EQ(op(buffer.data()), want);
  return buffer;
}

// Calls in place on a buffer that fresh() restores to `start`; an empty `after` means the call
// left the buffer as it was.
template <class T>
struct InPlace {
  std::vector<T> start, buffer = start;
  T* const b = buffer.data();
  int row = 0;
  T* fresh() { return buffer = start, b; }
  void expect(HRESULT got, HRESULT want, const std::vector<T>& after = {}) {
    EXPECT_EQ(got, want) << "row " << row;
    EXPECT_EQ(buffer, after.empty() ? start : after) << "row " << row;
    ++row;
  }
};

const WAVEFORMATEX kPcm8Stereo = plainFormat(TZSAMPLETYPE_PCM8, 2),
                   kPcm16Mono = plainFormat(TZSAMPLETYPE_PCM16, 1),
                   kPcm16Stereo = plainFormat(TZSAMPLETYPE_PCM16, 2),
                   kPcm16Quad = plainFormat(TZSAMPLETYPE_PCM16, 4),
                   kFloatStereo = plainFormat(TZSAMPLETYPE_FLOAT32, 2),
                   kDoubleStereo = plainFormat(TZSAMPLETYPE_FLOAT64, 2),
                   kPcm32Stereo = plainFormat(TZSAMPLETYPE_PCM32, 2),
                   kPcm24Stereo = plainFormat(TZSAMPLETYPE_PCM24, 2);

TEST(ChannelOpsTest, Silence) {
  WAVEFORMATEX signed8 = kPcm8Stereo, tag2 = kPcm16Stereo,
               in32 = plainFormat(TZSAMPLETYPE_PCM24IN32, 2);
  signed8.wFormatTag = TZ_WAVE_FORMAT_PCM8S;
  tag2.wFormatTag = 2;
  in32.wBitsPerSample = 24;  // a 24-bit PCM24IN32 format still has 4-byte samples
  WAVEFORMATEXTENSIBLE other{};
  other.Format = kPcm16Stereo;
  other.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  other.Format.cbSize = 22;
  other.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
  other.SubFormat.Data1 = 0x55;
  InPlace<uint8_t> c{Bytes(8, 1)};
  c.expect(TzAudio_FillSilence(&kPcm8Stereo, c.fresh(), 3), S_OK,
           {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 1, 1});
  c.expect(TzAudio_FillSilence(&signed8, c.fresh(), 3), S_OK, {0, 0, 0, 0, 0, 0, 1, 1});
  c.expect(TzAudio_FillSilence(&kPcm8Stereo, c.fresh(), 0), S_OK);
  c.expect(TzAudio_FillSilence(&other.Format, c.fresh(), 2), S_OK);
  c.expect(TzAudio_FillSilence(&tag2, c.fresh(), 1), E_FAIL);
  const _tzwaveformat tz8{48000, TZSAMPLETYPE_PCM8, 0, 1, 1},
      wide{48000, TZSAMPLETYPE_WIDE16, 0, 1, 4}, tz16{48000, TZSAMPLETYPE_PCM16BE, 0, 2, 4};
  c.expect(TzAudio_FillSilence(&tz8, c.fresh(), 2), S_OK, {0x80, 0x80, 1, 1, 1, 1, 1, 1});
  c.expect(TzAudio_FillSilence(&wide, c.fresh(), 1), E_FAIL);

  c.expect(TzAudio_FillSilenceChannel(&kPcm16Stereo, c.fresh(), 2, 1), E_FAIL);
  c.expect(TzAudio_FillSilenceChannel(&kPcm16Mono, c.fresh(), 0, 3), S_OK,
           {0, 0, 0, 0, 0, 0, 1, 1});
  c.expect(TzAudio_FillSilenceChannel(&kPcm16Stereo, c.fresh(), 1, 2), S_OK,
           {1, 1, 0, 0, 1, 1, 0, 0});
  c.expect(TzAudio_FillSilenceChannel(&kPcm8Stereo, c.fresh(), 0, 2), S_OK,
           {0x80, 1, 0x80, 1, 1, 1, 1, 1});
  c.expect(TzAudio_FillSilenceChannel(&in32, c.fresh(), 1, 1), S_OK, {1, 1, 1, 1, 0, 0, 0, 0});
  c.expect(TzAudio_FillSilenceChannel(&other.Format, c.fresh(), 0, 1), E_FAIL);
  c.expect(TzAudio_FillSilenceChannel(&kPcm16Stereo, c.fresh(), 0, 0), S_OK);

  c.expect(TzAudio_MuteChannel(c.fresh(), TZSAMPLETYPE_PCM8, 4, 3, 2), S_OK,
           {1, 1, 1, 0x80, 1, 1, 1, 0x80});
  c.expect(TzAudio_MuteChannel(c.fresh(), &kFloatStereo, 1, 1), S_OK, {1, 1, 1, 1, 0, 0, 0, 0});
  c.expect(TzAudio_MuteChannel(c.fresh(), &tz16, 0, 2), S_OK, {0, 0, 1, 1, 0, 0, 1, 1});
  c.expect(TzAudio_MuteChannel(c.fresh(), TZSAMPLETYPE_WIDE16, 2, 0, 1), E_FAIL);
  c.expect(TzAudio_MuteChannel(c.fresh(), &kPcm16Stereo, 2, 1), E_INVALIDARG);
}

TEST(ChannelOpsTest, FillWithSample) {
  using V = std::vector<int16_t>;
  const double pair[2] = {0.5, -1.0};
  const int16_t pcmPair[2] = {0x1234, -2};
  auto fill = [](const WAVEFORMATEX* bf, const WAVEFORMATEX* sf, const void* sample, long frames) {
    V out(6, 7);
    EXPECT_EQ(TzAudio_FillWithSample(bf, out.data(), sf, sample, frames), S_OK);
    return out;
  };
  EXPECT_EQ(fill(&kPcm16Stereo, &kPcm16Stereo, pcmPair, 2), (V{0x1234, -2, 0x1234, -2, 7, 7}));
  EXPECT_EQ(fill(&kPcm16Stereo, &kDoubleStereo, pair, 3),
            (V{16384, -32768, 16384, -32768, 16384, -32768}));
  EXPECT_EQ(fill(&kPcm16Mono, &kDoubleStereo, pair, 2), (V{16384, 16384, 7, 7, 7, 7}));
  const WAVEFORMATEX doubleMono = plainFormat(TZSAMPLETYPE_FLOAT64, 1);
  EXPECT_EQ(fill(&kPcm16Stereo, &doubleMono, pair, 1), (V{16384, 16384, 7, 7, 7, 7}));
  EXPECT_EQ(fill(&kPcm16Stereo, &kPcm16Mono, pcmPair, 2),
            (V{0x1234, 0x1234, 0x1234, 0x1234, 7, 7}));
  EXPECT_EQ(fill(&kPcm16Stereo, &kPcm8Stereo, pair, 1), (V{0, 0, 7, 7, 7, 7}));
  EXPECT_EQ(fill(&kPcm16Stereo, &kDoubleStereo, pair, 0), V(6, 7));
  uint8_t bytes[4] = {1, 1, 1, 1};
  EXPECT_EQ(TzAudio_FillWithSample(&kPcm8Stereo, bytes, &kFloatStereo, pair, 1), S_OK);
  EXPECT_EQ(bytes[0], 0x80);
  EXPECT_EQ(bytes[2], 1);
}

TEST(ChannelOpsTest, MovingChannels) {
  using V = std::vector<int16_t>;
  const V quad{1, 2, 3, 4, 5, 6, 7, 8};
  const int16_t src[6] = {10, 20, 30, 40, 50, 60};
  InPlace<int16_t> c{quad};
  int16_t* const b = c.b;
  WAVEFORMATEX be = kPcm16Stereo;
  be.wFormatTag = TZ_WAVE_FORMAT_PCMBE;
  const auto P16 = TZSAMPLETYPE_PCM16;
  c.expect(TzAudio_CopyChannelToChannel(c.fresh(), &kPcm16Quad, 3, 0, 2), S_OK,
           {4, 2, 3, 4, 8, 6, 7, 8});
  c.expect(TzAudio_CopyChannelToChannel(c.fresh(), &kPcm16Quad, 4, 0, 2), E_INVALIDARG);
  c.expect(TzAudio_CopyChannelToChannel(c.fresh(), &kPcm16Mono, 0, 0, 2), S_OK);
  c.expect(TzAudio_SwapStereoChannels(c.fresh(), &kPcm16Quad, 2), S_OK, {2, 1, 3, 4, 6, 5, 7, 8});
  c.expect(TzAudio_CopySwapStereoChannels(c.fresh(), quad.data() + 4, &kPcm16Stereo, 2), S_OK,
           {6, 5, 8, 7, 5, 6, 7, 8});
  c.expect(TzAudio_SwapStereoChannels(c.fresh(), &be, 2), E_FAIL);
  // One channel everywhere: in place from mono to four channels walks backward.
  c.expect(TzAudio_CopyChannelToMultiMono2(c.fresh(), 4, b, 1, 0, 2, P16), S_OK,
           {1, 1, 1, 1, 2, 2, 2, 2});
  c.expect(TzAudio_CopyChannelToMultiMono2(c.fresh(), 2, b, 4, 2, 2, P16), S_OK,
           {3, 3, 7, 7, 5, 6, 7, 8});
  c.expect(TzAudio_CopyChannelToMultiMono2(c.fresh(), 2, b, 4, 2, 2, TZSAMPLETYPE_WIDE16),
           E_INVALIDARG);
  c.expect(TzAudio_CopyChannelToMultiMono(c.fresh(), &kPcm16Stereo, b, &kFloatStereo, 0, 1),
           E_INVALIDARG);
  c.expect(TzAudio_CopyChannelToAll(c.fresh(), b, &kFloatStereo, &kPcm16Stereo, 0, 1), E_NOTIMPL);
  c.expect(TzAudio_CopyChannelToAll(c.fresh(), src, &kPcm16Stereo, &kPcm16Quad, 1, 2), S_OK,
           {20, 20, 20, 20, 40, 40, 40, 40});
  c.expect(TzAudio_CopyChannelToAll(c.fresh(), src, &kPcm16Stereo, &kPcm16Mono, 1, 3), S_OK,
           {20, 40, 60, 4, 5, 6, 7, 8});
  c.expect(TzAudio_ExtractChannel(c.fresh(), 2, src, P16, 3, 2), S_OK, {30, 60, 3, 4, 5, 6, 7, 8});
  c.expect(TzAudio_ExtractChannel(c.fresh(), 0, src, &kPcm16Mono, 3), S_OK,
           {10, 20, 30, 4, 5, 6, 7, 8});
  c.expect(TzAudio_ExtractChannel(c.fresh(), 0, src, TZSAMPLETYPE_WIDE24, 1, 3), E_FAIL);
  c.expect(TzAudio_ExtractChannelPair(c.fresh(), 1, quad.data(), &kPcm16Quad, 2), S_OK,
           {2, 3, 6, 7, 5, 6, 7, 8});
  c.expect(TzAudio_ExtractChannelPair(c.fresh(), 3, src, &kPcm16Stereo, 3), S_OK,
           {10, 20, 30, 40, 50, 60, 7, 8});
  c.expect(TzAudio_ExtractChannelPair(c.fresh(), 3, quad.data(), &kPcm16Quad, 1), E_INVALIDARG);
  c.expect(TzAudio_InsertChannel(c.fresh(), P16, 4, 1, src, 2), S_OK, {1, 10, 3, 4, 5, 20, 7, 8});
  c.expect(TzAudio_InsertChannel(c.fresh(), P16, 1, 0, src, 3), S_OK, {10, 20, 30, 4, 5, 6, 7, 8});
}

TEST(ChannelOpsTest, MixingChannels) {
  auto mono = [](const WAVEFORMATEX* f, Bytes in, HRESULT want = S_OK) {
    return run<uint8_t>(
        in, [&](uint8_t* b) { return TzAudio_MonoChannel(b, b, f, 1); }, want);
  };
  const auto le16 = bytesOf<int16_t>;
  const auto le32 = bytesOf<int32_t>;
  EXPECT_EQ(mono(&kPcm16Stereo, le16({1, 2})), le16({1, 1}));
  EXPECT_EQ(mono(&kPcm16Stereo, le16({-1, -2})), le16({-1, -1}));
  EXPECT_EQ(mono(&kPcm32Stereo, le32({0x7FFFFFFF, 0x7FFFFFFF})), le32({0x7FFFFFFF, 0x7FFFFFFF}));
  EXPECT_EQ(mono(&kPcm8Stereo, Bytes{0x00, 0x03}), (Bytes{0x01, 0x01}));
  EXPECT_EQ(mono(&kPcm24Stereo, Bytes{1, 0, 0, 2, 0, 0}),
            (Bytes{2, 0, 0, 2, 0, 0}));  // 1.5 to even
  EXPECT_EQ(mono(&kPcm24Stereo, Bytes{0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0x7F}),
            (Bytes{0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0x7F}));
  WAVEFORMATEX be = kPcm16Stereo;
  be.wFormatTag = TZ_WAVE_FORMAT_PCMBE;
  EXPECT_EQ(mono(&be, le16({1, 2}), E_FAIL), le16({1, 2}));

  auto change = [](bool avg, const WAVEFORMATEX* f, long to, Bytes in, size_t outBytes,
                   HRESULT want = S_OK) {
    in.resize(std::max(in.size(), outBytes), 0xEE);
    return run<uint8_t>(
        in,
        [&](uint8_t* b) {
          return avg ? TzAudio_ChannelChangeAvg(b, to, b, f, 1)
                     : TzAudio_ChannelChange(b, to, b, f, 1);
        },
        want);
  };
  EXPECT_EQ(change(false, &kPcm16Stereo, 1, le16({20000, 20000}), 0), le16({32767, 20000}));
  EXPECT_EQ(change(true, &kPcm16Stereo, 1, le16({20000, 20000}), 0), le16({20000, 20000}));
  EXPECT_EQ(change(true, &kPcm16Stereo, 1, le16({3, 0}), 0), le16({2, 0}));  // 1.5 rounds to even
  EXPECT_EQ(change(false, &kPcm16Stereo, 3, le16({1, 2}), 0, E_FAIL), le16({1, 2}));
  EXPECT_EQ(change(false, &kPcm16Mono, 4, le16({5}), 8), le16({5, 5, 5, 5}));
  EXPECT_EQ(change(true, &kPcm8Stereo, 1, Bytes{0x00, 0x01}, 0),
            (Bytes{0x00, 0x01}));  // -127.5 rounds to even -128
  EXPECT_EQ(change(false, &kPcm8Stereo, 1, Bytes{0xC0, 0xC0}, 0), (Bytes{0xFF, 0xC0}));
  const WAVEFORMATEX in32 = plainFormat(TZSAMPLETYPE_PCM24IN32, 2);
  EXPECT_EQ(change(false, &in32, 1, le32({1, 2}), 0, E_FAIL), le32({1, 2}));
  EXPECT_EQ(change(false, &kFloatStereo, 1, bytesOf<float>({0.75f, 0.75f}), 0),
            bytesOf<float>({1.5f, 0.75f}));  // floats are not limited
}

TEST(ChannelOpsTest, StereoSplitAndJoinInEveryVersion) {
  alignas(16) uint8_t interleaved[96], left[48], right[48], joined[96];
  for (int i = 0; i < 96; ++i) interleaved[i] = static_cast<uint8_t>(i * 3 + 1);
  for (DWORD allowed : {0ul, TZCPU_MMX, TZCPU_MMX | TZCPU_SSE}) {
    TzOnlyAllowCPUSupport(allowed);
    for (TZSAMPLETYPE type : {TZSAMPLETYPE_PCM8, TZSAMPLETYPE_PCM16, TZSAMPLETYPE_PCM32,
                              TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_FLOAT64, TZSAMPLETYPE_PCM24IN32}) {
      const size_t bytes = TzAudio_BytesFromSampleType(type);
      for (size_t offset : {size_t{0}, size_t{4}}) {
        const long frames = static_cast<long>((40 - offset) / bytes / 2) - 1;
        std::memset(joined, 0, sizeof joined);
        ASSERT_EQ(TzAudio_DeInterleaveStereo(left + offset, right + offset, interleaved + offset,
                                             type, frames),
                  S_OK);
        for (long k = 0; k < frames; ++k) {
          ASSERT_EQ(0, std::memcmp(left + offset + k * bytes, interleaved + offset + 2 * k * bytes,
                                   bytes));
          ASSERT_EQ(0, std::memcmp(right + offset + k * bytes,
                                   interleaved + offset + (2 * k + 1) * bytes, bytes));
        }
        ASSERT_EQ(
            TzAudio_InterleaveStereo(joined + offset, left + offset, right + offset, type, frames),
            S_OK);
        EXPECT_EQ(0, std::memcmp(joined + offset, interleaved + offset, 2 * bytes * frames))
            << type << " " << allowed;
        EXPECT_EQ(joined[offset + 2 * bytes * frames], 0) << "written past the end";
      }
    }
  }
  tz::audio::resetCpuSupportForTesting();
  EXPECT_EQ(TzAudio_InterleaveStereo(joined, left, right, TZSAMPLETYPE_PCM24, 1), E_NOTIMPL);
  EXPECT_EQ(TzAudio_DeInterleaveStereo(left, right, joined, TZSAMPLETYPE_PCM16BE, 1), E_NOTIMPL);
}

// Every operation with 0 frames succeeds and writes nothing.
TEST(ChannelOpsTest, ZeroFramesWriteNothing) {
  const int16_t source[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const auto P16 = TZSAMPLETYPE_PCM16;
  const WAVEFORMATEX *stereo = &kPcm16Stereo, *quad = &kPcm16Quad;
  InPlace<int16_t> c{std::vector<int16_t>(8, -7)};
  c.expect(TzAudio_FillSilence(stereo, c.fresh(), 0), S_OK);
  c.expect(TzAudio_FillSilenceChannel(stereo, c.fresh(), 1, 0), S_OK);
  c.expect(TzAudio_MuteChannel(c.fresh(), stereo, 1, 0), S_OK);
  c.expect(TzAudio_FillWithSample(stereo, c.fresh(), &kFloatStereo, source, 0), S_OK);
  c.expect(TzAudio_CopyChannelToChannel(c.fresh(), stereo, 0, 1, 0), S_OK);
  c.expect(TzAudio_SwapStereoChannels(c.fresh(), stereo, 0), S_OK);
  c.expect(TzAudio_CopySwapStereoChannels(c.fresh(), source, stereo, 0), S_OK);
  c.expect(TzAudio_CopyChannelToMultiMono2(c.fresh(), 4, source, 2, 1, 0, P16), S_OK);
  c.expect(TzAudio_CopyChannelToMultiMono(c.fresh(), quad, source, stereo, 1, 0), S_OK);
  c.expect(TzAudio_CopyChannelToAll(c.fresh(), source, stereo, quad, 1, 0), S_OK);
  c.expect(TzAudio_ExtractChannel(c.fresh(), 1, source, stereo, 0), S_OK);
  c.expect(TzAudio_ExtractChannel(c.fresh(), 0, source, P16, 1, 0), S_OK);
  c.expect(TzAudio_ExtractChannelPair(c.fresh(), 1, source, quad, 0), S_OK);
  c.expect(TzAudio_InsertChannel(c.fresh(), P16, 2, 1, source, 0), S_OK);
  c.expect(TzAudio_MonoChannel(c.fresh(), source, stereo, 0), S_OK);
  c.expect(TzAudio_ChannelChange(c.fresh(), 1, source, stereo, 0), S_OK);
  c.expect(TzAudio_ChannelChangeAvg(c.fresh(), 4, source, &kPcm16Mono, 0), S_OK);
  c.expect(TzAudio_DeInterleaveStereo(c.fresh(), c.b + 4, source, P16, 0), S_OK);
  c.expect(TzAudio_InterleaveStereo(c.fresh(), source, source + 4, P16, 0), S_OK);
}

// A null format or buffer is refused before anything is written.
TEST(ChannelOpsTest, NullPointersAreRefused) {
  int16_t b[8] = {};
  const WAVEFORMATEX* f = &kPcm16Stereo;
  const HRESULT results[] = {
      TzAudio_FillSilence(static_cast<const WAVEFORMATEX*>(nullptr), b, 1),
      TzAudio_FillSilence(static_cast<const _tzwaveformat*>(nullptr), b, 1),
      TzAudio_FillSilenceChannel(f, nullptr, 0, 1),
      TzAudio_MuteChannel(nullptr, TZSAMPLETYPE_PCM16, 2, 0, 1),
      TzAudio_MuteChannel(b, static_cast<const WAVEFORMATEX*>(nullptr), 0, 1),
      TzAudio_FillWithSample(f, b, f, nullptr, 1),
      TzAudio_CopyChannelToChannel(b, nullptr, 0, 1, 1),
      TzAudio_SwapStereoChannels(nullptr, f, 1),
      TzAudio_CopySwapStereoChannels(b, nullptr, f, 1),
      TzAudio_CopyChannelToMultiMono2(nullptr, 2, b, 2, 0, 1, TZSAMPLETYPE_PCM16),
      TzAudio_CopyChannelToMultiMono(b, f, b, nullptr, 0, 1),
      TzAudio_CopyChannelToAll(b, b, nullptr, f, 0, 1),
      TzAudio_ExtractChannel(b, 0, nullptr, TZSAMPLETYPE_PCM16, 2, 1),
      TzAudio_ExtractChannel(b, 0, b, static_cast<const WAVEFORMATEX*>(nullptr), 1),
      TzAudio_ExtractChannelPair(nullptr, 0, b, f, 1),
      TzAudio_InsertChannel(b, TZSAMPLETYPE_PCM16, 2, 0, nullptr, 1),
      TzAudio_MonoChannel(b, b, nullptr, 1),
      TzAudio_ChannelChange(b, 1, nullptr, f, 1),
      TzAudio_ChannelChangeAvg(nullptr, 1, b, f, 1),
      TzAudio_DeInterleaveStereo(b, nullptr, b, TZSAMPLETYPE_PCM16, 1),
      TzAudio_InterleaveStereo(b, b, nullptr, TZSAMPLETYPE_PCM16, 1),
  };
  for (size_t i = 0; i < std::size(results); ++i) EXPECT_EQ(results[i], E_POINTER) << i;
  for (int16_t v : b) EXPECT_EQ(v, 0);
}

}  // namespace
