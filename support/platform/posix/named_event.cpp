// The event is one futex word in a small named record. The word packs the set flag, the
// waiters and how many of them a set has released, so every decision is a single atomic
// change of one word and the shared futex wait can never miss a set.
#include "support/platform/named_event.h"

#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <utility>

#include "support/platform/posix/named_object_path.h"

namespace tz::platform {
namespace {

// Shared between processes that may run different builds, hence the magic and version.
struct EventRecord {
  uint32_t magic;
  uint32_t version;
  uint32_t state;
};
static_assert(sizeof(EventRecord) == 12);
static_assert(offsetof(EventRecord, version) == 4);
static_assert(offsetof(EventRecord, state) == 8);
static_assert(std::atomic_ref<uint32_t>::is_always_lock_free);

constexpr uint32_t Magic = 0x76457A54;  // "TzEv"
constexpr uint32_t Version = 1;

// A set with waiters hands the signal to one of them (Released) instead of raising SetBit,
// as the original platform's events do: two sets release two waiters even before either
// has run, where a plain flag would let the second set fall on the first.
constexpr uint32_t SetBit = 1u;
constexpr uint32_t ReleasedOne = 1u << 1;  // bits 1-15: waiters released, not yet returned
constexpr uint32_t WaiterOne = 1u << 16;   // bits 16-31: waiters
constexpr uint32_t MaxWaiters = 0x7FFF;    // so that Released cannot overflow into Waiter

uint32_t released(uint32_t state) {
  return (state >> 1) & 0x7FFF;
}

uint32_t waiters(uint32_t state) {
  return state >> 16;
}

uint32_t& stateOf(void* record) {
  return static_cast<EventRecord*>(record)->state;
}

// Not _PRIVATE: the word is shared with other processes.
long futexWait(uint32_t& word, uint32_t expected, const timespec* deadline) {
  return syscall(SYS_futex, &word, FUTEX_WAIT_BITSET, expected, deadline, nullptr,
                 FUTEX_BITSET_MATCH_ANY);
}

void futexWakeOne(uint32_t& word) {
  syscall(SYS_futex, &word, FUTEX_WAKE, 1, nullptr, nullptr, 0);
}

timespec deadlineAfter(uint32_t ms) {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  t.tv_sec += static_cast<time_t>(ms / 1000);
  t.tv_nsec += static_cast<long>(ms % 1000) * 1000000;
  if (t.tv_nsec >= 1000000000) {
    t.tv_nsec -= 1000000000;
    ++t.tv_sec;
  }
  return t;
}

// Entered registered as a waiter; leaves unregistered.
WaitResult sleepUntilReleased(uint32_t& word, uint32_t state, uint32_t timeoutMs) {
  std::atomic_ref<uint32_t> atomic(word);
  timespec deadline{};
  if (timeoutMs != NamedEvent::Infinite) deadline = deadlineAfter(timeoutMs);
  const timespec* limit = timeoutMs == NamedEvent::Infinite ? nullptr : &deadline;
  bool ending = false;
  WaitResult endResult = WaitResult::TimedOut;
  for (;;) {
    // A release counts even after the time is up: leaving it would strand it.
    if (released(state) > 0) {
      if (atomic.compare_exchange_weak(state, state - ReleasedOne - WaiterOne,
                                       std::memory_order_acquire, std::memory_order_relaxed))
        return WaitResult::Signaled;
      continue;
    }
    if (ending) {
      if (atomic.compare_exchange_weak(state, state - WaiterOne, std::memory_order_relaxed))
        return endResult;
      continue;
    }
    if (futexWait(word, state, limit) != 0 && errno != EAGAIN && errno != EINTR) {
      ending = true;
      if (errno != ETIMEDOUT) endResult = WaitResult::Failed;
    }
    state = atomic.load(std::memory_order_relaxed);
  }
}

}  // namespace

NamedEvent::NamedEvent(NamedEvent&& other) noexcept
    : record_(std::exchange(other.record_, nullptr)), handle_(std::exchange(other.handle_, -1)) {}

NamedEvent& NamedEvent::operator=(NamedEvent&& other) noexcept {
  if (this != &other) {
    close();
    record_ = std::exchange(other.record_, nullptr);
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

EventOpenResult NamedEvent::adopt(PlatformError error, int32_t handle, bool existed) {
  EventOpenResult result{error, NamedEvent(), existed};
  if (error != PlatformError::Success) return result;
  struct stat st;
  void* record = MAP_FAILED;
  // Check the size first: touching a mapping beyond the end of its file faults.
  if (fstat(handle, &st) == 0 && st.st_size >= static_cast<off_t>(sizeof(EventRecord)))
    record = mmap(nullptr, sizeof(EventRecord), PROT_READ | PROT_WRITE, MAP_SHARED, handle, 0);
  const auto* r = static_cast<const EventRecord*>(record);
  if (record == MAP_FAILED || r->magic != Magic || r->version != Version) {
    if (record != MAP_FAILED) munmap(record, sizeof(EventRecord));
    posix::closeObject(handle);
    result.error = PlatformError::InvalidData;
    return result;
  }
  result.event.record_ = record;
  result.event.handle_ = handle;
  return result;
}

EventOpenResult NamedEvent::create(std::string_view name) {
  const EventRecord initial{Magic, Version, 0};
  const posix::ObjectHandle object = posix::createObject(
      posix::ObjectKind::Event, name, sizeof(EventRecord), &initial, sizeof initial);
  return adopt(object.error, object.fd, object.existed);
}

EventOpenResult NamedEvent::open(std::string_view name) {
  const posix::ObjectHandle object = posix::openObject(posix::ObjectKind::Event, name);
  return adopt(object.error, object.fd, object.existed);
}

PlatformError NamedEvent::set() {
  if (record_ == nullptr) return PlatformError::InvalidHandle;
  uint32_t& word = stateOf(record_);
  std::atomic_ref<uint32_t> atomic(word);
  uint32_t state = atomic.load(std::memory_order_relaxed);
  for (;;) {
    if (waiters(state) > released(state)) {
      if (atomic.compare_exchange_weak(state, state + ReleasedOne, std::memory_order_release,
                                       std::memory_order_relaxed)) {
        futexWakeOne(word);
        return PlatformError::Success;
      }
    } else if (state & SetBit) {
      return PlatformError::Success;
    } else if (atomic.compare_exchange_weak(state, state | SetBit, std::memory_order_release,
                                            std::memory_order_relaxed)) {
      return PlatformError::Success;
    }
  }
}

WaitResult NamedEvent::wait(uint32_t timeoutMs) {
  if (record_ == nullptr) return WaitResult::Failed;
  uint32_t& word = stateOf(record_);
  std::atomic_ref<uint32_t> atomic(word);
  uint32_t state = atomic.load(std::memory_order_relaxed);
  for (;;) {
    if (state & SetBit) {
      if (atomic.compare_exchange_weak(state, state & ~SetBit, std::memory_order_acquire,
                                       std::memory_order_relaxed))
        return WaitResult::Signaled;
      continue;
    }
    if (timeoutMs == 0) return WaitResult::TimedOut;
    if (waiters(state) >= MaxWaiters) return WaitResult::Failed;
    if (atomic.compare_exchange_weak(state, state + WaiterOne, std::memory_order_relaxed))
      return sleepUntilReleased(word, state + WaiterOne, timeoutMs);
  }
}

void NamedEvent::close() {
  if (record_ == nullptr) return;
  munmap(record_, sizeof(EventRecord));
  posix::closeObject(handle_);
  record_ = nullptr;
  handle_ = -1;
}

}  // namespace tz::platform
