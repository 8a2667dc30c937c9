#include "standins/rwmixer/block_ring.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// The ring hands every block over in order across threads, through a full ring, and ends
// after the last one.
TEST(BlockRingTest, BlocksPassInOrderAndTheCloseComesAfterThem) {
  tz::mixer::BlockRing ring(2, 8, 2);
  constexpr uint32_t kBlocks = 2000;
  std::thread producer([&] {
    for (uint32_t i = 0; i < kBlocks; ++i) {
      bool waited = false;
      tz::mixer::BlockSlot& slot = ring.acquire(waited);
      slot.frames = i % 8 + 1;
      slot.samples[9] = static_cast<float>(i);
      ring.publish();
    }
    ring.close();
  });
  uint32_t received = 0;
  while (const tz::mixer::BlockSlot* slot = ring.next()) {
    EXPECT_EQ(received % 8 + 1, slot->frames);
    EXPECT_EQ(static_cast<float>(received), slot->samples[9]);
    ++received;
    ring.release();
  }
  producer.join();
  EXPECT_EQ(kBlocks, received);
  EXPECT_EQ(nullptr, ring.next()) << "stays ended";
}

}  // namespace
