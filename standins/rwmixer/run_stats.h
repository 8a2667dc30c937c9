// What a run counts: blocks by outcome, events by type, and the duration of every drive
// call, served or not. The audio thread records; the summary reads after it has ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

namespace tz::mixer {

// Which drive times a figure covers: every block's, or only those of blocks the device served.
// They differ most when no host is there: the device then gives every block up at once.
enum class DriveSet { All, Served };

// Drive-call durations in nanoseconds, in one array sized before the run: the served blocks'
// fill it from the front, the unserved ones' from the back, so that each set is one range
// and neither needs an array of its own.
class DriveTimes {
 public:
  // Not for the audio thread: allocates and touches the whole array.
  explicit DriveTimes(size_t capacity) : samples_(capacity), unservedBegin_(capacity) {}

  // Audio thread: no allocation, no lock. Samples beyond the capacity are counted only.
  void add(uint64_t nanoseconds, bool served) {
    if (servedEnd_ == unservedBegin_) {
      ++dropped_;
      return;
    }
    const uint32_t ns = nanoseconds > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(nanoseconds);
    sorted_ = false;
    if (served) {
      samples_[servedEnd_++] = ns;
    } else {
      samples_[--unservedBegin_] = ns;
    }
  }

  size_t count(DriveSet set) const {
    return servedEnd_ + (set == DriveSet::All ? samples_.size() - unservedBegin_ : 0);
  }
  uint64_t dropped() const { return dropped_; }
  std::span<const uint32_t> served() const { return {samples_.data(), servedEnd_}; }
  std::span<const uint32_t> unserved() const {
    return {samples_.data() + unservedBegin_, samples_.size() - unservedBegin_};
  }
  // The nearest-rank percentile (0 < p ≤ 100) of the set; 0 when it is empty. Not while the
  // audio thread runs: the first call after an add() sorts each set in place.
  uint32_t percentile(DriveSet set, double p);

 private:
  std::vector<uint32_t> samples_;
  size_t servedEnd_ = 0;
  size_t unservedBegin_;
  uint64_t dropped_ = 0;
  bool sorted_ = false;
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

// The summary lines, one "name: value" each, so that scripts can pick them out. The drive
// times are given for every block and for the served ones apart.
void printSummary(std::FILE* out, const RunCounters& counters, DriveTimes& times);

}  // namespace tz::mixer
