// What the session picture shows, gathered as the run goes: each channel's minimum and maximum
// per slice of mixer time, collected on the consumer thread from the blocks it already takes
// off the ring, and the histogram of the drive times. The drawing is svg_writer's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standins/rwmixer/block_ring.h"
#include "standins/rwmixer/run_stats.h"

namespace tz::mixer {

constexpr uint32_t kPictureColumns = 2000;

class SessionPicture {
 public:
  struct Column {
    float min;
    float max;
    bool unserved;  // some of it came from a block that did not serve the channel
    bool empty() const { return min > max; }  // no sample fell into it
  };

  // One lane per name. The columns start `columnSeconds` wide and double in width whenever
  // the session outgrows `capacity` of them, so a run of any length fits.
  SessionPicture(std::vector<std::string> channelNames, double columnSeconds,
                 uint32_t capacity = kPictureColumns);

  // Consumer thread: one block, its channels planar at `stride` samples apart. A channel the
  // block did not serve counts as silence, as the WAV file has it.
  void add(const BlockSlot& slot, uint32_t stride);

  uint32_t channels() const { return static_cast<uint32_t>(names_.size()); }
  const std::string& name(uint32_t channel) const { return names_[channel]; }
  uint64_t blocks() const { return blocks_; }
  double seconds() const { return seconds_; }  // mixer time of every block added
  double columnSeconds() const { return columnSeconds_; }
  // Columns up to the end of the last block.
  uint32_t columns() const { return used_; }
  Column column(uint32_t channel, uint32_t index) const {
    return columns_[size_t{channel} * capacity_ + index];
  }

 private:
  void widen();

  std::vector<std::string> names_;
  uint32_t capacity_;
  double columnSeconds_;
  std::vector<Column> columns_;  // by channel, then time
  uint32_t used_ = 0;
  uint64_t blocks_ = 0;
  double seconds_ = 0;
};

// Drive times in buckets of 1-2-5 steps from 10 µs to 2 s, with the percentiles the summary
// prints. It shows the served blocks when there are any, since a block given up at once says
// nothing of the device's speed, and every block otherwise.
struct DriveHistogram {
  static constexpr uint32_t kBuckets = 18;
  // Bucket i holds times below kUpperNs[i] (and at or above the bound before); the last one
  // holds the rest.
  static constexpr uint32_t kUpperNs[kBuckets - 1] = {
      10000,    20000,    50000,    100000,    200000,    500000,    1000000,    2000000,   5000000,
      10000000, 20000000, 50000000, 100000000, 200000000, 500000000, 1000000000, 2000000000};
  uint64_t counts[kBuckets] = {};
  uint32_t p50 = 0;  // nanoseconds
  uint32_t p99 = 0;
  uint32_t max = 0;
  DriveSet shown = DriveSet::All;
  uint64_t leftOut = 0;  // unserved blocks not counted when only the served ones are shown
};

// Sorts the samples, as percentile() does.
DriveHistogram driveHistogram(DriveTimes& times);

}  // namespace tz::mixer
