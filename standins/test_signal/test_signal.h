// The test signal that the host stand-in renders and the mixer stand-in checks, sample by
// sample. Each channel carries a ramp coded from the song's frame: the frame at which a block
// (or, after a loop restart inside a block, its second part) starts follows from the mixer's
// song position in ticks, the tempo and the rate, so both sides compute it alike, and the
// ramp continues frame by frame from there. Values are exact in single precision, so a
// comparison is exact too.
#pragma once

#include <cmath>
#include <cstdint>

#include "tz/rewire_device.h"

namespace tz::signal {

constexpr int64_t kTicksPerQuarter = kRWTicksPerQuarterNote;
constexpr uint32_t kRampFrames = 65536;  // the ramp repeats after this many frames
constexpr uint32_t kChannelOffset = 4096;

// The song frame at which the mixer's tick position p starts, at tempo (thousandths of a beat
// per minute) and rate.
inline int64_t songFrame(int64_t ticks, uint32_t tempoMilli, uint32_t rate) {
  if (tempoMilli == 0) return 0;
  const double frames = static_cast<double>(ticks) * 60000.0 * rate /
                        (static_cast<double>(kTicksPerQuarter) * tempoMilli);
  return std::llround(frames);
}

// The sample of channel at song frame: a ramp from -0.5 up to just under 0.5, offset per channel.
inline float sample(uint32_t channel, int64_t frame) {
  const auto phase = static_cast<uint32_t>(
      (static_cast<uint64_t>(frame) + uint64_t{channel} * kChannelOffset) % kRampFrames);
  return static_cast<float>(phase) / kRampFrames - 0.5f;
}

// The mixer's tick position from the host's: positions in 24576 ticks per quarter note were
// rounded from the mixer's 15360, so the nearest value brings them back.
inline int64_t mixerTicks(int64_t hostTicks, uint32_t hostTicksPerQuarter) {
  if (hostTicksPerQuarter == kTicksPerQuarter) return hostTicks;
  return std::llround(static_cast<double>(hostTicks) * kTicksPerQuarter / hostTicksPerQuarter);
}

}  // namespace tz::signal
