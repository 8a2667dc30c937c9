// Every output of the device, opened and started with a render callback that writes the test
// signal: each channel a ramp coded from the song's frame, which the mixer stand-in checks
// sample by sample (rwmixer --verify). The ramp follows the record the driver hands over, so
// it continues across loop restarts, repositions and tempo changes. Idle outputs write nothing
// and claim the frames, so that a block costs the driver's own work alone.
#pragma once

#include <string>
#include <vector>

#include "tz/audio_driver.h"

namespace tz::host {

class SignalOutputs {
 public:
  explicit SignalOutputs(bool idle = false) : idle_(idle) {}
  SignalOutputs(const SignalOutputs&) = delete;
  SignalOutputs& operator=(const SignalOutputs&) = delete;
  ~SignalOutputs() { close(); }

  // Opens and starts each output of an open device; false with the reason on failure (what
  // was opened stays for close()).
  bool open(IAudioDevice2* device, std::string& error);
  // Stops, closes and releases them.
  void close();
  size_t count() const { return outputs_.size(); }
  bool idle() const { return idle_; }

 private:
  bool idle_;
  std::vector<IAudioOut*> outputs_;
};

}  // namespace tz::host
