// The SMPTE frame-rate formats and the count conversions that every time-code function builds
// on. Records are taken as they are: out-of-range fields wrap modulo 2^32, never fault.
#pragma once

#include <cstdint>

#include "tz/smpte.h"

namespace tz::time {

struct SmpteFormat {
  uint32_t labelsPerSecond;  // nominal: drop-frame labels still run 00..29
  double realRate;           // frames per second, used only to convert to and from time
  uint32_t framesPerDay;     // counts wrap by this
  bool counted;              // false for codes that are no format: they count as 0 frames
  bool dropFrame;            // labels 0 and 1 of most minutes are skipped

  constexpr uint32_t lastLabel() const { return labelsPerSecond - 1; }
  constexpr uint32_t labelsPerMinute() const { return labelsPerSecond * 60; }
  constexpr uint32_t labelsPerHour() const { return labelsPerSecond * 3600; }
};

// The format of a code; codes outside 1..6 get a stand-in of 30 frames a second that
// converts from counts, and wraps, as drop-frame does.
const SmpteFormat& smpteFormat(DWORD code);

// Frames 0 and 1 at second 0 of a minute that is not a multiple of 10, in drop-frame.
bool isDroppedLabel(const SmpteFormat& format, const _smpteval& value);

// The absolute frame count (0 for a code that is no format); a dropped label counts as
// frame 2 of its second.
uint32_t smpteFrameCount(const _smpteval& value);

// Hours, minutes, seconds and frames of a count, reduced modulo the format's day.
void setSmpteFrameCount(_smpteval& value, uint32_t count);

}  // namespace tz::time
