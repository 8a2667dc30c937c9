#include "kaudio/audiodrvs/ReWire/exchange_block.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/common/isolated_session.h"

namespace {

using namespace tz::rewire;

constexpr char kName[] = "Halvard.Loopra7.ReWireDevice";

TEST(ExchangeBlock, SizeIsTheRoundedHeaderPlusSlotsRoundedToTheGranularity) {
  EXPECT_EQ(131072u, exchangeBlockBytes(10, 512));
  EXPECT_EQ(65536u + 1507328u, exchangeBlockBytes(90, 4096));
  EXPECT_EQ(0u, exchangeBlockBytes(10, 0));
  EXPECT_EQ(0u, exchangeBlockBytes(10, kMaxFramesPerBlock + 1));
  EXPECT_EQ(0u, exchangeBlockBytes(257, 512));
}

// The re-creation of a block that a panel still holds is in the device session tests.
TEST(ExchangeBlock, PanelMapsOnlyWhatTheHeaderDescribesAndTheSectionHolds) {
  const tz::test::IsolatedSession session;
  ExchangeBlock device, panel;
  uint32_t rate = 0, frames = 0;
  EXPECT_EQ(1u, openExchangeBlock(panel, kName, 5, &rate, &frames)) << "nothing to open yet";
  EXPECT_EQ(1u, createExchangeBlock(device, kName, 10, 0));
  ASSERT_EQ(0u, createExchangeBlock(device, kName, 10, 512));
  EXPECT_EQ(nullptr, device.slots[10]);
  device.header()->sampleRate = 44100;
  device.header()->maxFramesPerBlock = 512;
  device.slots[9][511] = 1.5f;
  ASSERT_EQ(0u, openExchangeBlock(panel, kName, 5, &rate, &frames));
  EXPECT_EQ(44100u, rate);
  EXPECT_EQ(512u, frames);
  EXPECT_EQ(1.5f, panel.slots[9][511]);
  device.header()->maxFramesPerBlock = 1 << 16;
  EXPECT_EQ(1u, openExchangeBlock(panel, kName, 5, nullptr, nullptr)) << "slots past the end";
  EXPECT_FALSE(panel.isOpen());
  device.header()->maxFramesPerBlock = 512;
  EXPECT_EQ(1u, openExchangeBlock(panel, kName, 129, nullptr, nullptr)) << "258 channels";
}

// Slot c lies at the audio area's start plus c × F samples on both sides, and every slot
// written in full leaves the header, the block numbers and the other slots alone.
TEST(ExchangeBlock, SlotsLieInTheAudioAreaOneAfterTheOtherOnBothSides) {
  const tz::test::IsolatedSession session;
  ExchangeBlock device, panel;
  ASSERT_EQ(0u, createExchangeBlock(device, kName, 10, 300));
  device.header()->sampleRate = 48000;
  device.header()->maxFramesPerBlock = 300;
  device.sync()->requested = 7;
  ASSERT_EQ(0u, openExchangeBlock(panel, kName, 5, nullptr, nullptr));
  const auto* whole = static_cast<const uint8_t*>(device.whole.data());
  for (uint32_t c = 0; c < 10; ++c) {
    for (uint32_t i = 0; i < 300; ++i) panel.slots[c][i] = static_cast<float>(c * 1000 + i);
    float first = 0, last = 0;
    const size_t at = kAudioAreaOffset + size_t{c} * 300 * sizeof(float);
    std::memcpy(&first, whole + at, sizeof first);
    std::memcpy(&last, whole + at + 299 * sizeof(float), sizeof last);
    EXPECT_EQ(static_cast<float>(c * 1000), first) << "slot " << c;
    EXPECT_EQ(static_cast<float>(c * 1000 + 299), last) << "slot " << c;
  }
  for (uint32_t c = 0; c < 10; ++c)
    EXPECT_EQ(static_cast<float>(c * 1000 + 299), device.slots[c][299]) << "slot " << c;
  EXPECT_EQ(48000u, device.header()->sampleRate);
  EXPECT_EQ(300u, device.header()->maxFramesPerBlock);
  EXPECT_EQ(7u, device.sync()->requested.load());
}

}  // namespace
