// The wall-clock date and time in the user's time zone, to the second. Not for the audio path:
// the C library may read the zone's rules and takes its own lock.
#pragma once

#include <cstdint>

namespace tz::platform {

struct LocalTime {
  int32_t year;    // e.g. 2008
  int32_t month;   // 1-12
  int32_t day;     // 1-31
  int32_t hour;    // 0-23
  int32_t minute;  // 0-59
  int32_t second;  // 0-60 (60 for a leap second)
};

LocalTime localTimeNow();

}  // namespace tz::platform
