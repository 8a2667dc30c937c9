// Runs one test of this test program in a second process, to play the peer of a
// cross-process test. The child is this same executable with --gtest_filter naming the peer
// test and TZ_TEST_PEER set; a peer test skips itself when run without it. Also a wait for a
// condition with a deadline, and a named-object namespace of each test's own.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tz::test {

inline bool isPeer() {
  return getenv("TZ_TEST_PEER") != nullptr;
}

// Gives the running test a namespace for named objects; a peer keeps its parent's.
inline void useOwnObjectNamespace(const std::string& prefix) {
  if (isPeer()) return;
  const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  setenv("TZ_OBJECT_NAMESPACE", (prefix + std::to_string(getpid()) + test).c_str(), 1);
}

template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  for (auto end = std::chrono::steady_clock::now() + limit; !condition(); std::this_thread::yield())
    if (std::chrono::steady_clock::now() > end) return false;
  return true;
}

#define TZ_PEER_ONLY() \
  if (!::tz::test::isPeer()) GTEST_SKIP() << "peer of a cross-process test"

class PeerProcess {
 public:
  // Starts "Suite.Test" in a child with extra NAME=VALUE environment entries.
  explicit PeerProcess(const std::string& test, std::vector<std::string> env = {}) {
    std::string filter = "--gtest_filter=" + test;
    char exe[] = "/proc/self/exe";
    char* argv[] = {exe, filter.data(), nullptr};
    env.push_back("TZ_TEST_PEER=1");
    for (char** e = environ; *e; ++e) env.push_back(*e);
    std::vector<char*> envp(env.size() + 1);
    for (size_t i = 0; i < env.size(); ++i) envp[i] = env[i].data();
    if (posix_spawn(&pid_, exe, nullptr, nullptr, argv, envp.data()) != 0) pid_ = -1;
  }
  PeerProcess(const PeerProcess&) = delete;
  ~PeerProcess() { kill9(); }

  bool started() const { return pid_ > 0; }
  int pid() const { return pid_; }

  // Waits for the peer to end; its exit status, or -1 when the deadline passes first.
  int wait(int timeoutMs = 10000) {
    if (pid_ <= 0 || exited_) return status_;
    const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    if (fd >= 0) {
      pollfd p{fd, POLLIN, 0};
      const int ready = poll(&p, 1, timeoutMs);
      close(fd);
      if (ready <= 0) return -1;
    }
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_) return -1;
    exited_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
  }

  void kill9() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      wait();
    }
  }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = -1;
};

}  // namespace tz::test
