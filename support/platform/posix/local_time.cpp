#include "support/platform/local_time.h"

#include <time.h>

namespace tz::platform {

LocalTime localTimeNow() {
  const time_t now = time(nullptr);
  struct tm fields {};
  // localtime_r, unlike localtime, shares no result buffer with other threads.
  if (localtime_r(&now, &fields) == nullptr) return {1970, 1, 1, 0, 0, 0};
  return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
          fields.tm_hour,        fields.tm_min,     fields.tm_sec};
}

}  // namespace tz::platform
