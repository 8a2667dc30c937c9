// The debug channel's file target: the file, port or device named in the profile, opened on
// first use and kept open, and the device-control request it may be configured to use.
#pragma once

#include <string_view>

#include "support/platform/device_file.h"
#include "tz/win_types.h"

namespace tz::core {

class DebugFileTarget {
 public:
  // Sends text with "\r\n" for a newline (or "\n" as a device-control request); the statuses
  // of TzDebugString. The caller keeps calls from overlapping.
  HRESULT send(std::u16string_view text, bool newline);

 private:
  void choose();

  bool chosen_ = false;  // a path was read and tried; an empty one is read again next time
  platform::DeviceFile file_;
  DWORD controlCode_ = 0;
};

}  // namespace tz::core
