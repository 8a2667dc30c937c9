// What a run counts: blocks by outcome, events by type, and the duration of every drive
// call. The audio thread records; the summary reads after the audio thread has ended.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace tz::mixer {

// Drive-call durations in nanoseconds, kept in an array sized before the run.
class DriveTimes {
 public:
  // Not for the audio thread: allocates.
  explicit DriveTimes(size_t capacity) { samples_.reserve(capacity); }

  // Audio thread: no allocation, no lock. Samples beyond the capacity are counted only.
  void add(uint64_t nanoseconds) {
    if (samples_.size() < samples_.capacity()) {
      samples_.push_back(nanoseconds > UINT32_MAX ? UINT32_MAX
                                                  : static_cast<uint32_t>(nanoseconds));
    } else {
      ++dropped_;
    }
  }

  size_t count() const { return samples_.size(); }
  const std::vector<uint32_t>& samples() const { return samples_; }
  uint64_t dropped() const { return dropped_; }
  // The nearest-rank percentile (0 < p ≤ 100) of the samples; 0 when there are none.
  // Reorders the samples.
  uint32_t percentile(double p);

 private:
  std::vector<uint32_t> samples_;
  uint64_t dropped_ = 0;
};

struct EventCounts {
  uint64_t play = 0;
  uint64_t stop = 0;
  uint64_t reposition = 0;
  uint64_t loop = 0;
  uint64_t other = 0;
  uint64_t beyondCapacity = 0;  // events a device reported past the buffer's capacity
};

struct RunCounters {
  uint64_t blocks = 0;
  uint64_t served = 0;       // at least one channel served
  uint64_t partial = 0;      // served, but not every requested channel
  uint64_t notServed = 0;    // no channel served: written as silence
  uint64_t timeouts = 0;     // not served although a panel was connected, after a full wait
  uint64_t late = 0;         // real-time pace: the drive call ended after the next deadline
  uint64_t writerWaits = 0;  // the audio thread found the file writer's queue full
  EventCounts events;
};

// The summary lines, one "name: value" each, so that scripts can pick them out.
void printSummary(std::FILE* out, const RunCounters& counters, DriveTimes& times);

}  // namespace tz::mixer
