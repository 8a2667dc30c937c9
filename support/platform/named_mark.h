// A named mark: a process holds it to say "I am here", and any process of the user can ask
// whether some live process holds it. The mark goes with its last holder, also when that
// holder dies, so a crashed process never counts as present. Not for the audio path: every
// call opens files under a lock of the user's namespace.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/platform/platform_error.h"

namespace tz::platform {

struct MarkHoldResult;

class NamedMark {
 public:
  NamedMark() = default;
  NamedMark(NamedMark&& other) noexcept;
  NamedMark& operator=(NamedMark&& other) noexcept;
  NamedMark(const NamedMark&) = delete;
  NamedMark& operator=(const NamedMark&) = delete;
  ~NamedMark() { release(); }

  // Holds the mark until release. Any number of holders may share it; `existed` tells that
  // a live holder (in this process or another) had it already, which lets a caller that
  // wants to be the only one give it back. Name rules and statuses as for SharedSection.
  static MarkHoldResult hold(std::string_view name);

  // True while some live process holds the mark; false also for an invalid name.
  static bool isHeld(std::string_view name);

  bool held() const { return handle_ >= 0; }
  void release();

 private:
  int32_t handle_ = -1;
};

struct MarkHoldResult {
  PlatformError error;
  NamedMark mark;
  bool existed;  // some live process held the mark before this call
};

}  // namespace tz::platform
