// The transport marks of a session picture: the script's actions, the device's requests and
// the loop restarts, each at the block it took effect on. The audio thread records them into
// an array sized before the run.
#pragma once

#include <cstdint>
#include <vector>

namespace tz::mixer {

enum class MarkKind : uint8_t {
  Play,  // the script's actions
  Stop,
  Locate,
  Tempo,
  AudioInfo,
  HostPlay,  // the device's requests
  HostStop,
  HostReposition,
  HostLoop,
  LoopRestart,  // the position wrapped at the loop end in the block before
};

struct Mark {
  uint64_t block = 0;  // the block it took effect on
  double seconds = 0;  // mixer time at which that block starts
  MarkKind kind = MarkKind::Play;
  uint8_t on = 0;      // HostLoop: the loop on
  int32_t value = 0;   // Locate, HostReposition, HostLoop start: ticks; Tempo: BPM × 1000;
                       // AudioInfo: rate
  int32_t detail = 0;  // HostLoop: loop end in ticks; AudioInfo: block frames
};

class MarkLog {
 public:
  // Not for the audio thread: allocates.
  explicit MarkLog(size_t capacity) { marks_.reserve(capacity); }

  // Audio thread: no allocation, no lock. Marks beyond the capacity are counted only.
  void add(const Mark& mark) {
    if (marks_.size() < marks_.capacity()) {
      marks_.push_back(mark);
    } else {
      ++dropped_;
    }
  }

  const std::vector<Mark>& marks() const { return marks_; }
  uint64_t dropped() const { return dropped_; }

 private:
  std::vector<Mark> marks_;
  uint64_t dropped_ = 0;
};

}  // namespace tz::mixer
