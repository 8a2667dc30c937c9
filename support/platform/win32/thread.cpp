// Threads of the C runtime (_beginthreadex, so that its per-thread state is set up), with the
// seven levels passed to the system as they are: they are its own.
#include "support/platform/thread.h"

#include <process.h>
#include <windows.h>
#include <xmmintrin.h>

#include <new>

#include "support/platform/win32/system_error.h"

namespace tz::platform {

namespace {

constexpr unsigned kDefaultMxcsr = 0x1F80;  // all exceptions masked, round to nearest

}  // namespace

struct Thread::State {
  HANDLE handle = nullptr;
  uint32_t id = 0;
  Function function;
  void* context;

  static unsigned __stdcall run(void* argument) {
    auto* state = static_cast<State*>(argument);
    // Whatever the system's start-up leaves, a thread begins from the documented defaults.
    _mm_setcsr(kDefaultMxcsr);
    return state->function(state->context);
  }
};

PlatformError setCurrentThreadPriority(ThreadPriority priority) {
  if (!isThreadPriority(static_cast<int32_t>(priority))) return PlatformError::InvalidParameter;
  if (!SetThreadPriority(GetCurrentThread(), static_cast<int>(priority))) return lastSystemError();
  return PlatformError::Success;
}

Thread::~Thread() {
  if (state_ == nullptr) return;
  if (join() == PlatformError::Success) return;
  // Destroyed by its own thread: nothing can wait for it, so let it end on its own. Its
  // function and context were read before it could get here.
  CloseHandle(state_->handle);
  delete state_;
}

PlatformError Thread::start(Function function, void* context) {
  if (function == nullptr || state_ != nullptr) return PlatformError::InvalidParameter;
  auto* state = new (std::nothrow) State{nullptr, 0, function, context};
  if (state == nullptr) return PlatformError::NotEnoughMemory;
  unsigned id = 0;
  // Started suspended so that the handle and id are in place before the function can run.
  const uintptr_t handle = _beginthreadex(nullptr, 0, &State::run, state, CREATE_SUSPENDED, &id);
  if (handle == 0) {
    delete state;
    return PlatformError::NotEnoughMemory;
  }
  state->handle = reinterpret_cast<HANDLE>(handle);
  state->id = id;
  ResumeThread(state->handle);
  state_ = state;
  return PlatformError::Success;
}

PlatformError Thread::join(uint32_t* exitCode) {
  if (state_ == nullptr) return PlatformError::InvalidHandle;
  if (state_->id == GetCurrentThreadId()) return PlatformError::InvalidParameter;
  if (WaitForSingleObject(state_->handle, INFINITE) != WAIT_OBJECT_0) return lastSystemError();
  DWORD result = 0;
  GetExitCodeThread(state_->handle, &result);
  CloseHandle(state_->handle);
  delete state_;
  state_ = nullptr;
  if (exitCode != nullptr) *exitCode = result;
  return PlatformError::Success;
}

PlatformError Thread::setPriority(ThreadPriority priority) {
  if (state_ == nullptr) return PlatformError::InvalidHandle;
  if (!isThreadPriority(static_cast<int32_t>(priority))) return PlatformError::InvalidParameter;
  if (!SetThreadPriority(state_->handle, static_cast<int>(priority))) return lastSystemError();
  return PlatformError::Success;
}

uint32_t Thread::id() const {
  return state_ != nullptr ? state_->id : 0;
}

}  // namespace tz::platform
