// The check of --verify: every served block against the host stand-in's test signal. Blocks
// before the host starts rendering (silence, or nothing served) are skipped; from the first
// block that carries audio on, every block must be served on every channel and every sample
// must be the signal's, until the panel is asked to quit.
#pragma once

#include <cstdint>
#include <cstdio>

#include "standins/rwmixer/block_ring.h"

namespace tz::mixer {

struct SignalReport {
  bool started = false;
  uint64_t skipped = 0;  // blocks before the host started
  uint64_t checked = 0;
  uint64_t lost = 0;  // blocks after the start with a channel not served
  uint64_t wrongSamples = 0;
  uint64_t loopRestarts = 0;  // blocks whose audio restarted at the loop start inside them
  uint64_t afterQuit = 0;     // blocks after the panel was asked to quit, not checked

  bool passed() const { return started && lost == 0 && wrongSamples == 0; }
};

class SignalCheck {
 public:
  explicit SignalCheck(uint32_t channels) : channels_(channels) {}
  // Consumer thread: one block, its channels planar at stride samples apart.
  void check(const BlockSlot& slot, uint32_t stride);
  const SignalReport& report() const { return report_; }

 private:
  uint32_t channels_;
  SignalReport report_;
};

void printSignalReport(std::FILE* out, const SignalReport& report);

}  // namespace tz::mixer
