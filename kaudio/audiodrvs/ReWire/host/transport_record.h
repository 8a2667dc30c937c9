// The transport record built for every mixer block: the mixer's drive record in the host's
// terms (sample and time positions, tempo, signature, loop), and what changed since the
// previous block.
#pragma once

#include <atomic>
#include <cstdint>

#include "tz/audio_driver.h"
#include "tz/rewire_device.h"

namespace tz::rewire {

// The driver's rounding: x + 0.5 toward zero, in double precision.
inline int64_t roundHalfUp(double x) {
  return static_cast<int64_t>(x + 0.5);
}

// Conversions with that rounding. Tempo in beats per minute; times in 100-ns units.
int64_t ticksToTime(int64_t ticks15360, double tempo);  // 0 when the tempo is 0
int64_t samplesToTime(int64_t samples, uint32_t rate);  // 0 when the rate is 0
int64_t timeToSamples(int64_t time, uint32_t rate);
int64_t ticks15360To24576(int64_t ticks);

// Builds record from the drive record (previous receives the record as it was) and returns
// the change flags. link is the device's connection flag word: playing, report all and the
// sent and echo bits are read and updated here one bit at a time, since the host's requests
// change other bits of it meanwhile.
DWORD buildTransportRecord(TRANSPORTINFO& record, TRANSPORTINFO& previous,
                           const DriveAudioInput& drive, const WAVEFORMATEX& format,
                           bool tickMode24576, std::atomic<DWORD>& link);

}  // namespace tz::rewire
