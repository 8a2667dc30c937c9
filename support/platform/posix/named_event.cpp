// The event is one futex word in a small named record, beside a table of the processes whose
// threads wait on it. The word packs the set flag, the waiters and how many of them a set has
// released, so every ordinary decision is a single atomic change of one word and the shared
// futex wait can never miss a set. The table is read only to repair the word.
#include "support/platform/named_event.h"

#include <linux/futex.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <utility>

#include "support/platform/posix/named_object_path.h"

namespace tz::platform {
namespace {

constexpr int TableRows = 32;

// Shared between processes that may run different builds, hence the magic and version. Any
// process of the user can write any of it, so every field is checked where it is read.
//
// Why a table of process ids: a waiter killed in its wait stays counted in the word, and a set
// handed to it would be lost. Each waiter claims a row before it counts itself and frees it
// after it has uncounted itself, so a repair that reads the word and then the rows finds every
// waiter the word counts; a row whose process is gone marks a count, and maybe a release, that
// nobody will come for. Rows hold processes rather than threads because a process is what
// dies, and kill(pid, 0) can ask about it. A robust mutex or a lock per waiter would catch the
// death as well, but put a lock or a system call on every wait.
struct EventRecord {
  uint32_t magic;
  uint32_t version;
  uint32_t state;                  // the futex word
  uint32_t staleState;             // a word a repair left with releases pending...
  uint32_t staleSinceMs;           // ...and when it first did, on the monotonic clock
  uint32_t waiterPids[TableRows];  // the process of each row's waiter; 0 for a free row
};
static_assert(sizeof(EventRecord) == 148);
static_assert(offsetof(EventRecord, version) == 4);
static_assert(offsetof(EventRecord, state) == 8);
static_assert(offsetof(EventRecord, staleState) == 12);
static_assert(offsetof(EventRecord, staleSinceMs) == 16);
static_assert(offsetof(EventRecord, waiterPids) == 20);
static_assert(std::atomic_ref<uint32_t>::is_always_lock_free);

constexpr uint32_t Magic = 0x76457A54;  // "TzEv"
constexpr uint32_t Version = 2;

// A set with waiters hands the signal to one of them (Released) instead of raising SetBit,
// as the original platform's events do: two sets release two waiters even before either
// has run, where a plain flag would let the second set fall on the first.
constexpr uint32_t SetBit = 1u;
constexpr uint32_t ReleasedOne = 1u << 1;  // bits 1-10: waiters released, not yet returned
constexpr uint32_t WaiterOne = 1u << 11;   // bits 11-20: waiters
constexpr uint32_t LeftOne = 1u << 21;     // bits 21-31: waiters that have left, wrapping
constexpr uint32_t CountMask = LeftOne - 1;
constexpr uint32_t MaxWaiters = 0x3FF;  // a set raises Released only below Waiters: no overflow

// No Linux process id reaches PID_MAX_LIMIT (2^22); a larger row value is damage, and kill()
// must never see it, since a negative id would name a process group.
constexpr uint32_t PidLimit = 1u << 22;
constexpr int NoRow = -1;

// A blocked waiter wakes this often to look for a set that damage kept from waking it.
constexpr uint64_t RecheckNs = 500'000'000;
// A released waiter returns at once, or within one recheck when its wake went astray. A
// release that sits in an unchanged word much longer belongs to a waiter that is not coming:
// a process that died but still answers kill(pid, 0) (a zombie, a reused id) or a row that
// damage made up. Too short only hands a stopped waiter's release to another wait.
constexpr uint32_t StaleMs = 2000;

uint32_t released(uint32_t state) {
  return (state >> 1) & MaxWaiters;
}

uint32_t waiters(uint32_t state) {
  return (state >> 11) & MaxWaiters;
}

EventRecord& recordOf(void* record) {
  return *static_cast<EventRecord*>(record);
}

// Takes a release, else the flag, when `taking`; uncounts the waiter and counts it as left,
// so that a repair that read the word before this change cannot write its stale view back.
// The counts are clamped: after damage the word may not count this waiter at all.
uint32_t leaving(uint32_t state, bool taking) {
  if (taking) state = released(state) > 0 ? state - ReleasedOne : state & ~SetBit;
  if (waiters(state) > 0) state -= WaiterOne;
  return state + LeftOne;  // the top field: it wraps off the end of the word
}

uint64_t nowNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint64_t>(t.tv_sec) * 1'000'000'000u + static_cast<uint64_t>(t.tv_nsec);
}

// Not _PRIVATE: the word is shared with other processes. The deadline is absolute.
long futexWait(uint32_t& word, uint32_t expected, uint64_t deadlineNs) {
  timespec deadline{};
  deadline.tv_sec = static_cast<decltype(deadline.tv_sec)>(deadlineNs / 1'000'000'000u);
  deadline.tv_nsec = static_cast<long>(deadlineNs % 1'000'000'000u);
  return syscall(SYS_futex, &word, FUTEX_WAIT_BITSET, expected, &deadline, nullptr,
                 FUTEX_BITSET_MATCH_ANY);
}

void futexWakeOne(uint32_t& word) {
  syscall(SYS_futex, &word, FUTEX_WAKE, 1, nullptr, nullptr, 0);
}

// getpid() is a system call, which the blocking wait would otherwise make every time; a
// forked child has a new id, so it drops the copy.
std::atomic<uint32_t> cachedPid{0};
void forgetPid() {
  cachedPid.store(0, std::memory_order_relaxed);
}
[[maybe_unused]] const int forkHandler = pthread_atfork(nullptr, nullptr, forgetPid);

uint32_t thisProcess() {
  uint32_t pid = cachedPid.load(std::memory_order_relaxed);
  if (pid == 0) {
    pid = static_cast<uint32_t>(getpid());
    cachedPid.store(pid, std::memory_order_relaxed);
  }
  return pid;
}

int claimRow(EventRecord& r) {
  const uint32_t self = thisProcess();
  for (int i = 0; i < TableRows; ++i) {
    std::atomic_ref<uint32_t> row(r.waiterPids[i]);
    uint32_t free = 0;
    if (row.load(std::memory_order_relaxed) == 0 && row.compare_exchange_strong(free, self))
      return i;
  }
  return NoRow;
}

// Only while it still holds this process: damage may have handed the row to someone else.
void freeRow(EventRecord& r, int row) {
  if (row == NoRow) return;
  uint32_t self = thisProcess();
  std::atomic_ref<uint32_t>(r.waiterPids[row]).compare_exchange_strong(self, 0);
}

// Frees the rows of processes that are gone, and values no process id can take. A system call
// per row of another process: recovery only.
void reapGoneWaiters(EventRecord& r) {
  const uint32_t self = thisProcess();
  for (uint32_t& entry : r.waiterPids) {
    std::atomic_ref<uint32_t> row(entry);
    uint32_t pid = row.load(std::memory_order_relaxed);
    if (pid == 0 || pid == self) continue;
    if (pid >= PidLimit || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH))
      row.compare_exchange_strong(pid, 0);
  }
}

uint32_t registeredWaiters(EventRecord& r) {
  uint32_t count = 0;
  for (uint32_t& entry : r.waiterPids)
    if (std::atomic_ref<uint32_t>(entry).load(std::memory_order_acquire) != 0) ++count;
  return count;
}

bool heldTooLong(EventRecord& r, uint32_t state) {
  std::atomic_ref<uint32_t> seen(r.staleState), since(r.staleSinceMs);
  const auto now = static_cast<uint32_t>(nowNs() / 1'000'000);
  if (seen.load(std::memory_order_relaxed) == state)
    return now - since.load(std::memory_order_relaxed) >= StaleMs;
  // Racing repairs may pair one's word with another's time: at worst a release is judged
  // stale early, and goes to another wait instead of a released waiter that is slow to run.
  since.store(now, std::memory_order_relaxed);
  seen.store(state, std::memory_order_relaxed);
  return false;
}

// The word as it should be with `registered` waiters alive: no more counted than registered,
// no more released than counted, releases beyond that (or too old) raise the flag, which
// saturates as a set with nobody waiting does.
uint32_t repairedState(EventRecord& r, uint32_t state, uint32_t registered) {
  uint32_t count = std::min(waiters(state), registered);
  uint32_t held = std::min(released(state), count);
  if (held > 0 && heldTooLong(r, state)) {
    count -= held;
    held = 0;
  }
  const bool set = (state & SetBit) != 0 || released(state) > held;
  return (state & ~CountMask) | count * WaiterOne | held * ReleasedOne | (set ? SetBit : 0);
}

// Rare: called when a wait finds releases pending (normally ones a set has just handed to a
// waiter that is about to return) or a count no table can back. The word is read before the
// rows, so every waiter it counts has its row in place; one that left meanwhile changed the
// word (its left count), and the compare-exchange fails. Bounded, because a hostile writer
// could keep changing the word: what one repair misses the next one catches.
void repair(EventRecord& r) {
  reapGoneWaiters(r);
  std::atomic_ref<uint32_t> word(r.state);
  for (int attempt = 0; attempt < 8; ++attempt) {
    uint32_t state = word.load(std::memory_order_acquire);
    const uint32_t fixed = repairedState(r, state, registeredWaiters(r));
    if (fixed == state || word.compare_exchange_strong(state, fixed, std::memory_order_acq_rel,
                                                       std::memory_order_relaxed))
      return;
  }
}

// A recheck found nothing to take: puts back what damage may have taken from this waiter, its
// row and its count, so that repairs and sets see it again.
uint32_t reassert(EventRecord& r, uint32_t state, int& row) {
  if (row == NoRow ||
      std::atomic_ref<uint32_t>(r.waiterPids[row]).load(std::memory_order_relaxed) != thisProcess())
    row = claimRow(r);
  std::atomic_ref<uint32_t> word(r.state);
  if (waiters(state) == 0)
    word.compare_exchange_strong(state, state + WaiterOne, std::memory_order_release,
                                 std::memory_order_relaxed);
  return word.load(std::memory_order_relaxed);
}

// Entered counted as a waiter, holding `row` unless the table was full; leaves uncounted, with
// the row free.
WaitResult sleepUntilReleased(EventRecord& r, uint32_t state, int row, uint32_t timeoutMs) {
  std::atomic_ref<uint32_t> word(r.state);
  const uint64_t start = nowNs();
  const uint64_t deadline = timeoutMs == NamedEvent::Infinite
                                ? UINT64_MAX
                                : start + static_cast<uint64_t>(timeoutMs) * 1'000'000u;
  uint64_t recheck = start + RecheckNs;
  bool ending = false, rechecking = false;
  WaitResult endResult = WaitResult::TimedOut;
  for (;;) {
    // A release counts even after the time is up: leaving it would strand it. The flag is
    // never up while a sound word counts a waiter with no release, so seeing it means the
    // word lost this waiter, and a set raised the flag without waking anyone.
    if (released(state) > 0 || (state & SetBit) != 0) {
      if (word.compare_exchange_weak(state, leaving(state, true), std::memory_order_acquire,
                                     std::memory_order_relaxed)) {
        freeRow(r, row);
        return WaitResult::Signaled;
      }
      continue;
    }
    if (ending) {
      if (word.compare_exchange_weak(state, leaving(state, false), std::memory_order_relaxed)) {
        freeRow(r, row);
        return endResult;
      }
      continue;
    }
    if (rechecking) {
      rechecking = false;
      state = reassert(r, state, row);
      continue;
    }
    const uint64_t until = std::min(deadline, recheck);
    if (futexWait(r.state, state, until) != 0 && errno != EAGAIN && errno != EINTR) {
      if (errno != ETIMEDOUT) {
        ending = true;
        endResult = WaitResult::Failed;
      } else if (until == deadline) {
        ending = true;
      } else {
        rechecking = true;
        recheck = nowNs() + RecheckNs;
      }
    }
    state = word.load(std::memory_order_relaxed);
  }
}

}  // namespace

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
  const EventRecord initial{Magic, Version, 0, 0, 0, {}};
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
  uint32_t& word = recordOf(record_).state;
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
  EventRecord& r = recordOf(record_);
  std::atomic_ref<uint32_t> word(r.state);
  uint32_t state = word.load(std::memory_order_relaxed);
  bool repaired = false, claimed = false;
  int row = NoRow;
  for (;;) {
    if (!repaired && (released(state) > 0 || waiters(state) >= MaxWaiters)) {
      repair(r);
      repaired = true;
      state = word.load(std::memory_order_relaxed);
      continue;
    }
    if (state & SetBit) {
      if (word.compare_exchange_weak(state, state & ~SetBit, std::memory_order_acquire,
                                     std::memory_order_relaxed)) {
        freeRow(r, row);
        return WaitResult::Signaled;
      }
      continue;
    }
    if (timeoutMs == 0) return WaitResult::TimedOut;
    if (waiters(state) >= MaxWaiters) {
      freeRow(r, row);
      return WaitResult::Failed;
    }
    // The row before the count (see repair). A full table may hold rows of the dead; a waiter
    // that still finds none waits without one, and its rechecks keep it counted.
    if (!claimed) {
      claimed = true;
      row = claimRow(r);
      if (row == NoRow) {
        reapGoneWaiters(r);
        row = claimRow(r);
      }
    }
    if (word.compare_exchange_weak(state, state + WaiterOne, std::memory_order_release,
                                   std::memory_order_relaxed))
      return sleepUntilReleased(r, state + WaiterOne, row, timeoutMs);
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
