// Time code to absolute frame counts and back, drop-frame included.
#include <cstdint>

#include "support/time/smpte_formats.h"

namespace tz::time {
namespace {

// The drop-frame rule counts in nominal labels of a 30-label second.
constexpr uint32_t kNominalHour = 108000;
constexpr uint32_t kNominalMinute = 1800;
constexpr uint32_t kDropFrameDay = 2589408;

// Labels skipped before the given minute of the given hour: two in each minute that is not a
// multiple of 10.
uint32_t droppedBefore(uint32_t hours, uint32_t minutes) {
  return hours * 108 + (minutes - minutes / 10) * 2;
}

void split(_smpteval& value, uint32_t count, uint32_t perHour, uint32_t perMinute,
           uint32_t perSecond) {
  value.hours = count / perHour;
  value.minutes = count % perHour / perMinute;
  value.seconds = count % perMinute / perSecond;
  value.frames = count % perSecond;
}

// Finds the nominal count n = count + droppedBefore(n). The dropped total only grows with n,
// so the search ends after a few steps, with n at most 2 591 999.
void splitDropFrame(_smpteval& value, uint32_t count) {
  uint32_t nominal = count % kDropFrameDay;
  uint32_t dropped = 0;
  for (;;) {
    const uint32_t now =
        droppedBefore(nominal / kNominalHour, nominal % kNominalHour / kNominalMinute);
    if (now == dropped) break;
    nominal += now - dropped;
    dropped = now;
  }
  split(value, nominal, kNominalHour, kNominalMinute, 30);
}

}  // namespace

bool isDroppedLabel(const SmpteFormat& format, const _smpteval& value) {
  return format.dropFrame && value.seconds == 0 && value.frames < 2 && value.minutes % 10 != 0;
}

uint32_t smpteFrameCount(const _smpteval& value) {
  const SmpteFormat& format = smpteFormat(value.format);
  if (!format.counted) return 0;
  const uint32_t frames = isDroppedLabel(format, value) ? 2 : value.frames;
  const uint32_t seconds = (value.hours * 60 + value.minutes) * 60 + value.seconds;
  const uint32_t count = seconds * format.labelsPerSecond + frames;
  return format.dropFrame ? count - droppedBefore(value.hours, value.minutes) : count;
}

void setSmpteFrameCount(_smpteval& value, uint32_t count) {
  const SmpteFormat& format = smpteFormat(value.format);
  if (!format.counted || format.dropFrame) {
    splitDropFrame(value, count);
  } else {
    split(value, count % format.framesPerDay, format.labelsPerHour(), format.labelsPerMinute(),
          format.labelsPerSecond);
  }
}

}  // namespace tz::time

DWORD TZ_STDCALL TZSMPTE_SMPTEToFrameCount(const _smpteval* value) {
  return value != nullptr ? tz::time::smpteFrameCount(*value) : 0;
}

void TZ_STDCALL TZSMPTE_FrameCountToSMPTE(_smpteval* value, DWORD frameCount) {
  if (value != nullptr) tz::time::setSmpteFrameCount(*value, frameCount);
}
