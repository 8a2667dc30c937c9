// The audio cycle renders a block through open outputs without allocating: every allocation
// on this thread is counted while the cycle runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "kaudio/audiodrvs/ReWire/exchange_block.h"
#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/host/audio_output.h"
#include "tests/common/isolated_session.h"
#include "tests/kaudio/audiodrvs/ReWire/host/device_test_access.h"

namespace {

thread_local bool countingAllocations = false;
thread_local int allocationsCounted = 0;

void* countedAllocation(size_t size) {
  if (countingAllocations) ++allocationsCounted;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

void* operator new(size_t size) {
  return countedAllocation(size);
}
void* operator new[](size_t size) {
  return countedAllocation(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  if (countingAllocations) ++allocationsCounted;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  if (countingAllocations) ++allocationsCounted;
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
  std::free(block);
}

namespace tz::rewire {

namespace {

LONG TZ_CALLBACK acceptAll(IAudioDevice*, DWORD, DWORD, DWORD, void*) {
  return 0;
}

// A constant per output and channel, so that every slot shows who wrote it.
LONG TZ_CALLBACK renderConstant(IAudioOut*, DWORD code, DWORD cookie, DWORD, void* buffer,
                                DWORD frames, DWORD, TRANSPORTINFO*) {
  if ((code & 0x7FFF) != kOutputRender) return 1;
  auto* samples = static_cast<float*>(buffer);
  for (DWORD i = 0; i < frames; ++i) {
    samples[2 * i] = static_cast<float>(cookie);
    samples[2 * i + 1] = -static_cast<float>(cookie);
  }
  return static_cast<LONG>(frames);
}

TEST(AudioCycle, RendersOpenOutputsAndSilenceWithoutAllocating) {
  countingAllocations = true;
  delete new int(1);  // the counter itself works
  countingAllocations = false;
  ASSERT_EQ(1, allocationsCounted);
  allocationsCounted = 0;

  const tz::test::IsolatedSession session;
  const char* name = "Halvard.Loopra7.ReWireDevice";
  ExchangeBlock mixerSide;
  ASSERT_EQ(0u, createExchangeBlock(mixerSide, name, 10, 512));
  ExchangeHeader& header = *mixerSide.header();
  header.sampleRate = 44100;
  header.maxFramesPerBlock = 512;

  auto* device = new CReWireAudioDevice(nullptr);
  device->AddRef();
  device->outputCount = 5;
  ASSERT_TRUE(DeviceTestAccess::mapBlock(*device, name));
  WAVEFORMATEX format{};
  ASSERT_EQ(S_OK, device->Open(&format, acceptAll, 0));
  ASSERT_EQ(S_OK, device->PrepareAndRun());
  // Outputs 0 and 3 play; the others stay closed and give silence.
  for (LONG i : {0, 3}) {
    auto* output = static_cast<IAudioOut*>(static_cast<void**>(device->outputs()->slots)[i]);
    LONGLONG duration = 0;
    ASSERT_EQ(S_OK, output->Open(&format, 0, 0, 0, &duration, renderConstant, 10 + i));
    ASSERT_EQ(S_OK, output->Start(0));
  }
  DriveAudioInput& drive = header.request;
  drive.frames = 512;
  drive.playMode = 1;
  drive.tempo = 120000;
  drive.loopOn = 1;
  drive.loopEnd = 200;  // inside the first block: two render calls
  for (unsigned c = 0; c < 10; ++c) channelSetAdd(drive.requestedChannels, c);
  for (unsigned c = 0; c < 10; ++c)
    for (unsigned i = 0; i < 512; ++i) mixerSide.slots[c][i] = 99.f;

  countingAllocations = true;
  for (int block = 0; block < 4; ++block) {
    DeviceTestAccess::runCycle(*device);
    drive.songPosition += 512 * 15360 / 22050;
  }
  countingAllocations = false;
  EXPECT_EQ(0, allocationsCounted);

  const float expected[10] = {10, -10, 0, 0, 0, 0, 13, -13, 0, 0};
  for (unsigned c = 0; c < 10; ++c) {
    EXPECT_EQ(expected[c], mixerSide.slots[c][0]) << "channel " << c;
    EXPECT_EQ(expected[c], mixerSide.slots[c][511]) << "channel " << c;
  }
  // The format comes from what the device mapped, not from the header a peer may rewrite.
  header.sampleRate = 96000;
  WAVEFORMATEX mapped{};
  EXPECT_EQ(S_OK, device->GetFormat(&mapped));
  EXPECT_EQ(44100u, mapped.nSamplesPerSec);
  EXPECT_EQ(S_OK, device->IsFormatSupported(&mapped, 0));
  device->Close();
  DeviceTestAccess::unmapBlock(*device);
  device->Release();
  closeExchangeBlock(mixerSide);
}

}  // namespace
}  // namespace tz::rewire
