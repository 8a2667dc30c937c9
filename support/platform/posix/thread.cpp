// Threads on pthreads. The seven levels map to Linux scheduling: Time Critical to round-robin
// real time, Idle to SCHED_IDLE, the five between to per-thread nice values. Linux applies
// setpriority() with a thread id to that one thread only, which is what makes the nice
// values per-thread here.
#include "support/platform/thread.h"

#include <errno.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <xmmintrin.h>

#include <algorithm>
#include <atomic>
#include <new>

#include "support/platform/this_thread.h"

namespace tz::platform {

namespace {

constexpr unsigned kDefaultMxcsr = 0x1F80;  // all exceptions masked, round to nearest
// Low in the real-time range: above every normal thread, below the system's own helpers.
constexpr int kRealtimePriority = 10;

struct Target {
  int policy;
  int nice;  // for SCHED_OTHER, and the fallback when the policy is refused
};

Target targetFor(ThreadPriority priority) {
  switch (priority) {
    // Round-robin rather than FIFO: equal-priority threads share the processor by time
    // slices, as they do on the original platform.
    case ThreadPriority::TimeCritical:
      return {SCHED_RR, -20};
    case ThreadPriority::Highest:
      return {SCHED_OTHER, -10};
    case ThreadPriority::AboveNormal:
      return {SCHED_OTHER, -5};
    case ThreadPriority::Normal:
      return {SCHED_OTHER, 0};
    case ThreadPriority::BelowNormal:
      return {SCHED_OTHER, 5};
    case ThreadPriority::Lowest:
      return {SCHED_OTHER, 10};
    case ThreadPriority::Idle:
      return {SCHED_IDLE, 19};
  }
  return {SCHED_OTHER, 0};
}

rlim_t softLimit(int resource) {
  rlimit limit{};
  return getrlimit(resource, &limit) == 0 ? limit.rlim_cur : 0;
}

bool tryRealtime(pthread_t thread) {
  sched_param param{};
  param.sched_priority = kRealtimePriority;
  if (pthread_setschedparam(thread, SCHED_RR, &param) == 0) return true;
  // Without the privilege, RLIMIT_RTPRIO may still allow a lower real-time priority.
  const rlim_t allowed = std::min<rlim_t>(softLimit(RLIMIT_RTPRIO), kRealtimePriority);
  if (allowed == 0) return false;
  param.sched_priority = static_cast<int>(allowed);
  return pthread_setschedparam(thread, SCHED_RR, &param) == 0;
}

void setNice(uint32_t tid, int nice) {
  if (setpriority(PRIO_PROCESS, tid, nice) == 0) return;
  // Refused: without the privilege, RLIMIT_NICE allows lowering down to 20 - limit only.
  // Take that floor when it is still a step towards the level asked for.
  const int floor = 20 - static_cast<int>(std::min<rlim_t>(softLimit(RLIMIT_NICE), 40));
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, tid);
  if (errno == 0 && floor > nice && floor < current) setpriority(PRIO_PROCESS, tid, floor);
}

// Every step may be refused for lack of privilege; what was refused stays as it was.
void apply(pthread_t thread, uint32_t tid, ThreadPriority priority) {
  const Target target = targetFor(priority);
  if (target.policy == SCHED_RR && tryRealtime(thread)) return;
  sched_param param{};
  if (target.policy == SCHED_IDLE && pthread_setschedparam(thread, SCHED_IDLE, &param) == 0) return;
  pthread_setschedparam(thread, SCHED_OTHER, &param);
  setNice(tid, target.nice);
}

bool isNormal(uint32_t tid) {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, tid);
  return sched_getscheduler(0) == SCHED_OTHER && nice == 0 && errno == 0;
}

}  // namespace

struct Thread::State {
  pthread_t handle{};
  Function function;
  void* context;
  std::atomic<uint32_t> id{0};  // published by the thread once it runs at normal priority

  static void* run(void* argument) {
    auto* state = static_cast<State*>(argument);
    // Linux threads inherit their creator's control register and scheduling.
    _mm_setcsr(kDefaultMxcsr);
    const uint32_t tid = currentThreadId();
    if (!isNormal(tid)) apply(pthread_self(), tid, ThreadPriority::Normal);
    const Function function = state->function;
    void* const context = state->context;
    // The state lives until the join, so notifying after the store is safe.
    state->id.store(tid, std::memory_order_release);
    state->id.notify_all();
    return reinterpret_cast<void*>(static_cast<uintptr_t>(function(context)));
  }
};

PlatformError setCurrentThreadPriority(ThreadPriority priority) {
  if (!isThreadPriority(static_cast<int32_t>(priority))) return PlatformError::InvalidParameter;
  apply(pthread_self(), currentThreadId(), priority);
  return PlatformError::Success;
}

Thread::~Thread() {
  if (state_ == nullptr) return;
  if (join() == PlatformError::Success) return;
  // Destroyed by its own thread: nothing can wait for it, so let it end on its own.
  pthread_detach(state_->handle);
  delete state_;
}

PlatformError Thread::start(Function function, void* context) {
  if (function == nullptr || state_ != nullptr) return PlatformError::InvalidParameter;
  auto* state = new (std::nothrow) State{{}, function, context};
  if (state == nullptr) return PlatformError::NotEnoughMemory;
  const int error = pthread_create(&state->handle, nullptr, &State::run, state);
  if (error != 0) {
    delete state;
    return error == EAGAIN ? PlatformError::NotEnoughMemory : errorFromErrno(error);
  }
  state_ = state;
  return PlatformError::Success;
}

PlatformError Thread::join(uint32_t* exitCode) {
  if (state_ == nullptr) return PlatformError::InvalidHandle;
  if (pthread_equal(state_->handle, pthread_self())) return PlatformError::InvalidParameter;
  void* result = nullptr;
  const int error = pthread_join(state_->handle, &result);
  if (error != 0) return errorFromErrno(error);
  delete state_;
  state_ = nullptr;
  if (exitCode != nullptr) *exitCode = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(result));
  return PlatformError::Success;
}

PlatformError Thread::setPriority(ThreadPriority priority) {
  if (state_ == nullptr) return PlatformError::InvalidHandle;
  if (!isThreadPriority(static_cast<int32_t>(priority))) return PlatformError::InvalidParameter;
  apply(state_->handle, id(), priority);
  return PlatformError::Success;
}

uint32_t Thread::id() const {
  if (state_ == nullptr) return 0;
  uint32_t id = state_->id.load(std::memory_order_acquire);
  while (id == 0) {
    state_->id.wait(0, std::memory_order_acquire);
    id = state_->id.load(std::memory_order_acquire);
  }
  return id;
}

}  // namespace tz::platform
