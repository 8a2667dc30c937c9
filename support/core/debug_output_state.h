// The debug channel's process-wide state: both targets under one lock, which each call holds
// throughout, so set-up happens once and one call's output is never mixed with another's.
#pragma once

#include <mutex>

#include "support/core/debug_file_target.h"
#include "support/core/debug_screen_strip.h"

namespace tz::core {

struct DebugOutputState {
  std::mutex lock;
  DebugFileTarget file;
  DebugScreenStrip strip;
};

DebugOutputState& debugOutputState();

// Tests: closes the target and forgets the strip, so the next call sets up again.
void resetDebugOutputForTesting();

}  // namespace tz::core
