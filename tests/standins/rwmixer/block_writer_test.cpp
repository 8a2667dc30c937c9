#include "standins/rwmixer/block_writer.h"

#include <gtest/gtest.h>

namespace {

TEST(BlockWriterTest, UnservedChannelsBecomeSilence) {
  float planar[3 * 4];  // three channels, stride 4, three frames used
  for (int i = 0; i < 12; ++i) planar[i] = static_cast<float>(i + 1);
  tz::mixer::BlockSlot slot;
  slot.frames = 3;
  slot.samples = planar;
  channelSetAdd(slot.served, 0);
  channelSetAdd(slot.served, 2);
  float out[9];
  tz::mixer::interleaveBlock(slot, 3, 4, out);
  const float expected[9] = {1, 0, 9, 2, 0, 10, 3, 0, 11};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(expected[i], out[i]) << i;
}

}  // namespace
