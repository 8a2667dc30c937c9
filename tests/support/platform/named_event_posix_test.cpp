// The POSIX event's own record: a futex word and a table of waiting processes in a shared
// file, which other processes may damage and whose waiters may die while counted.
#include "support/platform/named_event.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/futex.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/platform/posix/named_object_path.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"
#include "tests/common/peer_process.h"

namespace {

using namespace std::chrono_literals;
using tz::platform::NamedEvent;
using tz::platform::PlatformError;
using tz::platform::WaitResult;

struct NamedEventRecordTest : ::testing::Test {
  tz::test::IsolatedSession session;
};

// Deadlines well inside the waiters' own time-outs, which would otherwise hide a missed wake.
template <typename Condition>
bool eventually(Condition condition) {
  return tz::test::eventually(condition, 5s);
}

// Blocked in the event's own sleep: a shared FUTEX_WAIT_BITSET, which no lock of the C
// library uses (theirs are private), so a thread caught on some other futex does not count.
bool blockedInEventWait(int pid, int tid) {
  const std::string path =
      "/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/syscall";
  return eventually([&] {
    long call = -1;
    std::string address, operation;
    std::ifstream(path) >> call >> address >> operation;
    return call == SYS_futex && std::strtoul(operation.c_str(), nullptr, 16) == FUTEX_WAIT_BITSET;
  });
}

int threadId() {
  return static_cast<int>(syscall(SYS_gettid));
}

// The state letter of /proc/<pid>/stat: 'Z' for a process that died and is not yet reaped.
char processState(int pid) {
  const std::string line = tz::test::readFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t end = line.rfind(')');
  return end == std::string::npos || end + 2 >= line.size() ? '?' : line[end + 2];
}

// Damage as a crashed or hostile process of the same user can do it: through the event's
// file, with no regard for the atomics. The record starts with its magic and version; the
// futex word follows at offset 8.
constexpr off_t StateOffset = 8;
constexpr size_t ToTheEnd = ~size_t{0};

void overwriteRecord(const char* name, off_t offset, unsigned char byte, size_t count) {
  std::string path;
  ASSERT_EQ(PlatformError::Success,
            tz::platform::posix::objectPath(tz::platform::posix::ObjectKind::Event, name, path));
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0) << path;
  struct stat st;
  ASSERT_EQ(0, fstat(fd, &st));
  if (count == ToTheEnd) count = static_cast<size_t>(st.st_size - offset);
  const std::vector<unsigned char> bytes(count, byte);
  EXPECT_EQ(static_cast<ssize_t>(count), pwrite(fd, bytes.data(), count, offset));
  close(fd);
}

// Two sets in a row must release both blocked waiters (a plain flag would drop the
// second), and one set must release only one of them.
TEST_F(NamedEventRecordTest, EachSetReleasesExactlyOneBlockedWaiter) {
  auto event = NamedEvent::create("ev").event;
  for (const bool backToBack : {true, false}) {
    std::atomic<int> tids[2] = {0, 0}, done{0};
    std::thread waiters[2];
    for (int i = 0; i < 2; ++i)
      waiters[i] = std::thread([&, i] {
        tids[i] = threadId();
        if (event.wait(10000) == WaitResult::Signaled) ++done;
      });
    for (auto& tid : tids) {
      EXPECT_TRUE(eventually([&] { return tid != 0; }) && blockedInEventWait(getpid(), tid));
    }
    for (int released = 1; released <= 2; ++released) {
      event.set();
      if (!backToBack) {
        EXPECT_TRUE(eventually([&] { return done == released; }));
      }
    }
    EXPECT_TRUE(eventually([&] { return done == 2; })) << "back to back: " << backToBack;
    for (auto& w : waiters) w.join();
    EXPECT_EQ(WaitResult::TimedOut, event.wait(0)) << "back to back: " << backToBack;
  }
}

// Waiters beyond the rows of the record's table of waiting processes still wait and wake.
TEST_F(NamedEventRecordTest, MoreWaitersThanTheTableHoldsAreEachReleased) {
  auto event = NamedEvent::create("ev").event;
  constexpr int Count = 40;
  std::vector<std::atomic<int>> tids(Count);
  std::atomic<int> done{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < Count; ++i)
    waiters.emplace_back([&, i] {
      tids[i] = threadId();
      if (event.wait(10000) == WaitResult::Signaled) ++done;
    });
  for (auto& tid : tids) {
    EXPECT_TRUE(eventually([&] { return tid != 0; }) && blockedInEventWait(getpid(), tid));
  }
  for (int i = 0; i < Count; ++i) event.set();
  EXPECT_TRUE(eventually([&] { return done == Count; })) << done << " of " << Count;
  for (auto& w : waiters) w.join();
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0)) << "a set went to the flag instead";
}

// The dead waiter: killed in the middle of its wait, still counted in the shared word.
TEST_F(NamedEventRecordTest, PeerWaitsUntilKilled) {
  TZ_PEER_ONLY();
  NamedEvent::open("ev").event.wait(30000);
}

// Its set belongs to the next wait, a poll included, and two sets are then two sets with
// nobody waiting: one signal. Afterwards the dead waiter no longer takes sets at all.
TEST_F(NamedEventRecordTest, SetHandedToAKilledWaiterReachesTheNextPoll) {
  auto event = NamedEvent::create("ev").event;
  for (const int sets : {1, 2}) {
    {
      tz::test::PeerProcess peer("NamedEventRecordTest.PeerWaitsUntilKilled");
      ASSERT_TRUE(blockedInEventWait(peer.pid(), peer.pid())) << "sets: " << sets;
      peer.kill9();
      ASSERT_EQ(tz::test::kKilledStatus, peer.wait());
    }
    for (int i = 0; i < sets; ++i) event.set();
    EXPECT_EQ(WaitResult::Signaled, event.wait(0)) << "sets: " << sets;
    EXPECT_EQ(WaitResult::TimedOut, event.wait(0)) << "sets: " << sets;
    event.set();
    EXPECT_EQ(WaitResult::Signaled, event.wait(0)) << "still counted; sets: " << sets;
    EXPECT_EQ(WaitResult::TimedOut, event.wait(0)) << "sets: " << sets;
  }
}

// Killed but not yet reaped by its parent, a waiter still answers kill(pid, 0) as a zombie;
// its set comes back once it has sat unclaimed longer than any live waiter leaves one.
TEST_F(NamedEventRecordTest, SetHandedToAnUnreapedDeadWaiterComesBack) {
  auto event = NamedEvent::create("ev").event;
  tz::test::PeerProcess peer("NamedEventRecordTest.PeerWaitsUntilKilled");
  ASSERT_TRUE(blockedInEventWait(peer.pid(), peer.pid()));
  ASSERT_EQ(0, kill(peer.pid(), SIGKILL));
  ASSERT_TRUE(eventually([&] { return processState(peer.pid()) == 'Z'; }));
  event.set();
  EXPECT_TRUE(eventually([&] { return event.wait(0) == WaitResult::Signaled; }));
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0));
  event.set();
  EXPECT_EQ(WaitResult::Signaled, event.wait(0)) << "the zombie still takes sets";
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0));
}

// The damaged record. A word that forgot its blocked waiter lets a set raise the flag
// without waking anyone; the waiter must still find it well inside its own time-out.
TEST_F(NamedEventRecordTest, WaiterTheDamagedWordForgotTakesTheNextSet) {
  auto event = NamedEvent::create("ev").event;
  std::atomic<int> tid{0};
  std::atomic<WaitResult> result{WaitResult::Failed};
  std::atomic<bool> done{false};
  std::thread waiter([&] {
    tid = threadId();
    result = event.wait(10000);
    done = true;
  });
  EXPECT_TRUE(eventually([&] { return tid != 0; }) && blockedInEventWait(getpid(), tid));
  overwriteRecord("ev", StateOffset, 0x00, 4);
  event.set();
  EXPECT_TRUE(eventually([&] { return done.load(); })) << "slept on with the event set";
  waiter.join();
  EXPECT_EQ(WaitResult::Signaled, result.load());
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0)) << "one set, two signals";
  event.set();
  EXPECT_EQ(WaitResult::Signaled, event.wait(0));
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0));
}

// Every bit after the header set: flag, counts and table all garbage. It reads as one pending
// signal, no more; then waits time out, sets are seen and blocked waiters wake as before.
TEST_F(NamedEventRecordTest, GarbageRecordReadsAsOneSignalThenWorks) {
  auto event = NamedEvent::create("ev").event;
  overwriteRecord("ev", StateOffset, 0xFF, ToTheEnd);
  EXPECT_EQ(WaitResult::Signaled, event.wait(0));
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0));
  EXPECT_EQ(WaitResult::TimedOut, event.wait(30));
  event.set();
  EXPECT_EQ(WaitResult::Signaled, event.wait(0)) << "the set was stranded";
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0));

  std::atomic<int> tid{0};
  std::atomic<WaitResult> result{WaitResult::Failed};
  std::thread waiter([&] {
    tid = threadId();
    result = event.wait(10000);
  });
  EXPECT_TRUE(eventually([&] { return tid != 0; }) && blockedInEventWait(getpid(), tid));
  event.set();
  waiter.join();
  EXPECT_EQ(WaitResult::Signaled, result.load());
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0));
}

TEST_F(NamedEventRecordTest, ShortRecordIsRefused) {
  // A live event-kind object too short to hold the record must be refused, not touched.
  using namespace tz::platform::posix;
  const ObjectHandle foreign = createObject(ObjectKind::Event, "short", 0);
  ASSERT_EQ(PlatformError::Success, foreign.error);
  EXPECT_EQ(PlatformError::InvalidData, NamedEvent::open("short").error);
  closeObject(foreign.fd);
}

}  // namespace
