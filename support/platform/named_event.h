// An auto-reset event shared by name between processes. A set releases exactly one waiter;
// with nobody waiting the event stays set for the next wait, and a further set adds
// nothing. A name lives while some live process holds the event; events left by a crashed
// process count as gone. A set handed to a waiter whose process died in its wait is not
// lost: the next wait or poll takes it, at once when the process is gone, after about two
// seconds when it still answers for its id (a zombie its parent has not reaped). The shared
// record is checked and repaired as it is used: damage written into it by another process
// may show as a spurious signal or hold a set back for those seconds, but never keeps a
// wait past its time-out, never loses a later set and never crashes.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/platform/platform_error.h"

namespace tz::platform {

enum class WaitResult : uint32_t { Signaled, TimedOut, Failed };

struct EventOpenResult;

class NamedEvent {
 public:
  static constexpr uint32_t Infinite = 0xFFFFFFFF;  // a wait that never times out

  NamedEvent() = default;
  NamedEvent(NamedEvent&& other) noexcept;
  NamedEvent& operator=(NamedEvent&& other) noexcept;
  ~NamedEvent() { close(); }

  // Starts the event clear; or, when a live process holds one of this name, joins it in
  // the state it is in (`existed` set). Name rules and statuses as for SharedSection;
  // InvalidData when the existing object is not an event of this layout.
  static EventOpenResult create(std::string_view name);
  // FileNotFound when no live process holds an event of this name.
  static EventOpenResult open(std::string_view name);

  bool isOpen() const { return record_ != nullptr; }

  // Releases one waiter, or leaves the event set. InvalidHandle when not open.
  // Audio path: no allocation, no lock; a system call only when there is a waiter to wake.
  PlatformError set();

  // Waits until the event is set, then clears it, or until timeoutMs pass (0 only polls).
  // Failed when not open or when waiters are beyond count (1023).
  // Audio path: no allocation, no lock; no system call when the event is already set or
  // timeoutMs is 0, otherwise one futex wait per wake-up, a blocked waiter also waking every
  // half second to check the record. Recovery: a wait or poll that finds a set handed to
  // another waiter not yet returned (never so with one waiter per event) first asks whether
  // each waiting process still lives, one system call per process.
  WaitResult wait(uint32_t timeoutMs);

  // Only when no call on this object is in progress.
  void close();

 private:
  static EventOpenResult adopt(PlatformError error, int32_t handle, bool existed);
  void* record_ = nullptr;  // the mapped shared record, or the system's event
  int32_t handle_ = -1;
};

struct EventOpenResult {
  PlatformError error;
  NamedEvent event;
  bool existed;  // create joined an event that a live process already held
};

}  // namespace tz::platform
