// A named mark: a process holds it to say "I am here", and any process of the user can ask
// whether some live process holds it. The mark goes with its last holder, also when that
// holder dies, so a crashed process never counts as present. hold and isHeld open files under
// a lock of the user's namespace, which any process of the user may keep for long: never on
// the audio path. A MarkWatch is the audio path's way to ask.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/platform/platform_error.h"

namespace tz::platform {

struct MarkHoldResult;
struct MarkWatchResult;

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
  // wants to be the only one give it back. Name rules and statuses as for SharedSection;
  // InvalidData when the live holders' mark is damaged.
  static MarkHoldResult hold(std::string_view name);

  // True while some live process holds the mark; false also for an invalid name.
  static bool isHeld(std::string_view name);

  bool held() const { return handle_ >= 0; }
  void release();

 private:
  int32_t handle_ = -1;
  int32_t lockHandle_ = -1;  // a backend's second handle, where its holders need one
};

struct MarkHoldResult {
  PlatformError error;
  NamedMark mark;
  bool existed;  // some live process held the mark before this call
};

// One mark followed from outside, opened once and then asked as often as needed. It follows
// the mark as it was when opened: once every holder of that mark has released it or died, the
// mark is gone for good, and a later hold of the name makes a new mark that only a new watch
// sees, even when it comes before this watch is next asked. A holder counts from the moment
// its hold returns. A watch holds nothing, so it never keeps a mark alive.
class MarkWatch {
 public:
  MarkWatch() = default;
  MarkWatch(MarkWatch&& other) noexcept;
  MarkWatch& operator=(MarkWatch&& other) noexcept;
  MarkWatch(const MarkWatch&) = delete;
  MarkWatch& operator=(const MarkWatch&) = delete;
  ~MarkWatch() { close(); }

  // Success with a watch of the mark; FileNotFound when no live process holds it now;
  // InvalidName; AccessDenied when the name is not the user's own file or the file has a
  // second name; else the system's error (TooManyOpenFiles, say). The watch is empty unless
  // Success. Not for the audio path (it allocates and opens a file), but it never waits for
  // the namespace's lock, so it completes while another process keeps that lock.
  static MarkWatchResult open(std::string_view name);

  // True while the mark has a live holder; false for an empty watch. Threads may ask at once,
  // but not while the watch is closed or assigned. Audio path: no allocation, no lock, one
  // system call that never waits.
  bool held() const;

  bool watching() const { return handle_ >= 0; }
  void close();

 private:
  // The watch of an opened mark; empty and FileNotFound when it has no live holder now.
  static MarkWatchResult adopt(int32_t handle, int64_t generation);

  int32_t handle_ = -1;
  int64_t generation_ = 0;  // tells this mark from later ones of the same name
};

struct MarkWatchResult {
  PlatformError error;
  MarkWatch watch;
};

}  // namespace tz::platform
