// The mixer's audio thread: one drive call per block at real-time pace or freewheeling, the
// transport and its script, the events the device hands back, and what each block counts.
// Everything is allocated before run(); run() itself never allocates or locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "standins/rewire_engine/mixer_api.h"
#include "standins/rwmixer/block_ring.h"
#include "standins/rwmixer/mixer_options.h"
#include "standins/rwmixer/run_stats.h"
#include "standins/rwmixer/session_marks.h"
#include "standins/rwmixer/transport.h"
#include "support/platform/sleep_word.h"

namespace tz::mixer {

struct AudioLoopSetup {
  RWMDeviceEntryPoints device{};
  uint32_t channels = 0;  // requested every block: channels 0 .. channels - 1
  const MixerOptions* options = nullptr;
  BlockRing* ring = nullptr;  // null: the blocks go nowhere
  MarkLog* marks = nullptr;   // null: no transport marks kept
};

class AudioLoop {
 public:
  explicit AudioLoop(const AudioLoopSetup& setup);

  // The audio thread's body; returns after the last block.
  void run();
  bool finished() const { return finished_.load(std::memory_order_acquire); }

  // Control thread. True when the audio thread waits for an audio-info change: pass `info`
  // to the device, then call completeAudioInfoChange() to let the audio thread go on.
  bool pendingAudioInfoChange(AudioInfo& info) const;
  void completeAudioInfoChange();
  // Control thread. True once each time the script asks the panel application to quit.
  bool takeQuitPanelRequest() { return quitPanel_.exchange(false, std::memory_order_acq_rel); }
  // What the device last said about its panel; a block unserved with a panel connected
  // may be a time-out.
  void setPanelConnected(bool connected) {
    panelConnected_.store(connected, std::memory_order_relaxed);
  }

  // After run() has returned.
  const RunCounters& counters() const { return counters_; }
  DriveTimes& driveTimes() { return times_; }

 private:
  void applyScript(double now);
  void changeAudioInfo(uint32_t rate, uint32_t block);
  void driveBlock();
  void prepareRecords(float* channels, uint32_t stride);
  void countBlock(int64_t driveNs, bool panelConnected);
  void countEvents(const DriveAudioOutput& output);
  void mark(MarkKind kind, int32_t value = 0, int32_t detail = 0, uint8_t on = 0);
  double mixerSeconds() const {
    return secondsBefore_ + static_cast<double>(framesAtRate_) / rate_;
  }
  int64_t nextDeadline() const;
  void pace();

  AudioLoopSetup setup_;
  const MixerOptions& options_;
  Transport transport_;
  RunCounters counters_;
  DriveTimes times_;
  std::vector<float> scratch_;  // channel buffers when there is no ring
  std::vector<ReWireEvent> events_;
  uint32_t largestBlock_;
  ReWireEvent noEvents_[1] = {};
  DriveAudioInput input_{};
  DriveAudioOutput output_{};

  uint32_t rate_;
  uint32_t block_;
  size_t nextAction_ = 0;
  double secondsBefore_ = 0;   // mixer time before the current rate took effect
  uint64_t framesAtRate_ = 0;  // frames since then
  int64_t anchorNs_ = 0;       // real-time pace: when the frames since the anchor began
  uint64_t framesSinceAnchor_ = 0;

  AudioInfo pendingInfo_{};
  tz::platform::SleepWord infoPending_;
  std::atomic<bool> quitPanel_{false};
  bool quitAsked_ = false;  // audio thread: the script has asked the panel to quit
  std::atomic<bool> panelConnected_{false};
  std::atomic<bool> finished_{false};
};

}  // namespace tz::mixer
