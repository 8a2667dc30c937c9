// The --verify check on blocks made from the test signal: silence before the host starts is
// skipped, a loop restart inside a block is accepted where the loop end falls, and a wrong
// sample or a channel not served is counted.
#include "standins/rwmixer/signal_check.h"

#include <gtest/gtest.h>

#include <vector>

#include "standins/test_signal/test_signal.h"

namespace tz::mixer {
namespace {

constexpr uint32_t kChannels = 2;
constexpr uint32_t kFrames = 256;

struct Block {
  std::vector<float> samples = std::vector<float>(kChannels * kFrames, 0.0f);
  BlockSlot slot;

  explicit Block(int32_t position, bool loop = false) {
    slot.frames = kFrames;
    slot.samples = samples.data();
    slot.transport = {position, 120000, 44100, 1, loop ? 1u : 0u, 0, position + 150};
    for (uint32_t c = 0; c < kChannels; ++c) channelSetAdd(slot.served, c);
  }
  // The host's rendering: the ramp from the position, restarting at the loop start at split.
  void render(uint32_t split = kFrames) {
    const BlockTransport& t = slot.transport;
    const int64_t start = signal::songFrame(t.songPosition, t.tempo, t.rate);
    const int64_t loop = signal::songFrame(t.loopStart, t.tempo, t.rate);
    for (uint32_t c = 0; c < kChannels; ++c)
      for (uint32_t f = 0; f < kFrames; ++f)
        samples[c * kFrames + f] = signal::sample(c, f < split ? start + f : loop + (f - split));
  }
};

TEST(SignalCheckTest, AcceptsTheSignalAndCountsWhatIsWrongOrLost) {
  SignalCheck check(kChannels);
  Block silent(0);
  check.check(silent.slot, kFrames);
  EXPECT_FALSE(check.report().started);

  Block first(1000);
  first.render();
  check.check(first.slot, kFrames);
  // 150 ticks at 120 beats per minute and 44100 Hz are 215 frames.
  Block looped(2000, true);
  looped.render(215);
  check.check(looped.slot, kFrames);
  EXPECT_TRUE(check.report().passed());
  EXPECT_EQ(1u, check.report().loopRestarts);

  Block wrong(3000, true);
  wrong.render(100);  // restarts far from the loop end
  check.check(wrong.slot, kFrames);
  EXPECT_EQ(2u * (kFrames - 100), check.report().wrongSamples);

  Block lost(4000);
  lost.render();
  lost.slot.served = {};
  channelSetAdd(lost.slot.served, 1);
  check.check(lost.slot, kFrames);
  EXPECT_EQ(1u, check.report().lost);
  EXPECT_EQ(4u, check.report().checked);
  EXPECT_FALSE(check.report().passed());
}

}  // namespace
}  // namespace tz::mixer
