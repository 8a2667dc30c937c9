// Threads of our own with the original platform's seven priority levels. A new thread starts
// with the default floating-point control state (MXCSR 0x1F80) and at normal priority,
// whatever its creator runs with. Atomics and one-time init come from the standard library.
#pragma once

#include <cstdint>

#include "support/platform/platform_error.h"

namespace tz::platform {

enum class ThreadPriority : int32_t {
  TimeCritical = 15,
  Highest = 2,
  AboveNormal = 1,
  Normal = 0,
  BelowNormal = -1,
  Lowest = -2,
  Idle = -15,
};

// True for the seven levels above; a level read from a setting is checked with this.
bool isThreadPriority(int32_t value);

// Sets the calling thread's priority. InvalidParameter for a value outside the seven levels.
// A level the process may not take (real-time scheduling or a raised priority without the
// privilege) falls back to the nearest one it may take and still returns Success.
PlatformError setCurrentThreadPriority(ThreadPriority priority);

// One thread at a time. Move-only; destroying or move-assigning over a started thread joins
// it first, so that its function never outlives what its context points to.
class Thread {
 public:
  using Function = uint32_t (*)(void* context);

  Thread() = default;
  Thread(Thread&& other) noexcept : state_(other.state_) { other.state_ = nullptr; }
  Thread& operator=(Thread&& other) noexcept;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  ~Thread();

  // Runs function(context) on a new thread. InvalidParameter for a null function or when
  // this object already holds a thread; NotEnoughMemory when the system has no room for one.
  PlatformError start(Function function, void* context);

  // Waits without a time limit for the thread to end and releases it; its function's result
  // goes to exitCode when given. InvalidHandle when no thread is held, InvalidParameter
  // when called from the thread itself (the object then stays as it was).
  PlatformError join(uint32_t* exitCode = nullptr);

  // As setCurrentThreadPriority, for this thread; InvalidHandle when no thread is held.
  PlatformError setPriority(ThreadPriority priority);

  bool started() const { return state_ != nullptr; }
  // The system-wide id (the one currentThreadId() gives inside the thread); 0 when none.
  uint32_t id() const;

 private:
  struct State;
  State* state_ = nullptr;
};

}  // namespace tz::platform
