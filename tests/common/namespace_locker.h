// Another process keeps the user's named-object folder locked, as one that creates a large
// section does, while a test makes calls that must not need the folder. The locker lets go
// when the test says its calls returned, or after 10 s, and its exit status tells which.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "support/platform/named_event.h"
#include "tests/common/object_folder.h"
#include "tests/common/peer_process.h"

namespace tz::test {

// True when some descriptor holds the folder's lock; takes nothing itself.
inline bool objectFolderLocked() {
  const int fd = open(objectFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return locked;
}

class NamespaceLocker {
 public:
  // Starts `peerTest`, a peer test that calls lockNamespaceUntilReleased().
  explicit NamespaceLocker(const std::string& peerTest)
      : locked_(platform::NamedEvent::create("locker-locked").event),
        released_(platform::NamedEvent::create("locker-released").event),
        peer_(peerTest) {}

  // Waits until the peer holds the lock, and checks that it does.
  bool holding() {
    return locked_.wait(10000) == platform::WaitResult::Signaled && objectFolderLocked();
  }

  // 0 when the peer was told while it still held the lock.
  int release() {
    released_.set();
    return peer_.wait();
  }

 private:
  platform::NamedEvent locked_, released_;
  PeerProcess peer_;
};

// The peer's side. The events open before the lock is taken, since opening needs the
// folder, and the lock goes before they close, for the same reason.
inline void lockNamespaceUntilReleased() {
  auto locked = platform::NamedEvent::open("locker-locked").event;
  auto released = platform::NamedEvent::open("locker-released").event;
  const int folder = open(objectFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  ASSERT_EQ(0, flock(folder, LOCK_EX));
  locked.set();
  const platform::WaitResult told = released.wait(10000);
  close(folder);
  EXPECT_EQ(platform::WaitResult::Signaled, told)
      << "the calls did not return while the folder was locked";
}

}  // namespace tz::test
