// The mixer's transport: tempo, signature, loop and the song position (15360 ticks per
// quarter note) moved on by the sample clock, and the play mode each block reports. Owned
// by the audio thread: no allocation, no lock, no system call.
#pragma once

#include <cstdint>

#include "tz/rewire_device.h"

namespace tz::mixer {

// The play mode of a block's record: stopped, playing on, or (re)starting at this position.
enum class PlayMode : uint32_t {
  Stopped = kRWPlayModeStopped,
  Playing = kRWPlayModePlaying,
  Starting = kRWPlayModeStarting
};

struct TransportSettings {
  uint32_t tempo = 120000;  // beats per minute × 1000
  uint32_t numerator = 4;
  uint32_t denominator = 4;
  int32_t loopStart = 0;
  int32_t loopEnd = 0;
  bool loopOn = false;
};

class Transport {
 public:
  explicit Transport(const TransportSettings& settings);

  // Requests take effect on the next block. A start, or a relocation while playing, makes
  // that block report Starting once.
  void play();
  void stop();
  void locate(int32_t ticks);
  void setTempo(uint32_t tempo);
  void setLoop(int32_t start, int32_t end, bool on);
  // A play, stop, reposition or loop request from the device; false for any other type.
  bool applyEvent(const ReWireEvent& event);

  // Writes the transport fields of the next block's record.
  void fillBlock(DriveAudioInput& input);
  // After a block of `frames` at `rate`: moves the position on while playing. A block that
  // started before the loop end and reaches it wraps into the loop (only while the loop is
  // on and not empty). The position stops at the end of the 32-bit range.
  void advance(uint32_t frames, uint32_t rate);

  bool playing() const { return playing_; }
  int32_t position() const { return static_cast<int32_t>(ticks_); }
  uint32_t tempo() const { return settings_.tempo; }

 private:
  TransportSettings settings_;
  int64_t ticks_ = 0;
  // The part of a tick carried over, in units of 1 / (60000 × fractionRate_) of a tick.
  uint64_t fraction_ = 0;
  uint32_t fractionRate_ = 0;
  bool playing_ = false;
  bool starting_ = false;
};

}  // namespace tz::mixer
