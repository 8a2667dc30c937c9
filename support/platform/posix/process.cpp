// The handle of a launched process. The end of the process is watched through a pidfd; a
// handle let go before the process ends leaves it on a list of orphans that later handles
// reap, so that finished children do not linger as zombies for the life of the caller.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <mutex>
#include <utility>
#include <vector>

#include "support/platform/process_launcher.h"

namespace tz::platform {

namespace {

// Without a pidfd (kernels before 5.3) the end is noticed by polling at this interval.
constexpr int kPollIntervalMs = 10;

class Deadline {
 public:
  explicit Deadline(uint32_t timeoutMs)
      : infinite_(timeoutMs == Process::Infinite), end_(nowMs() + timeoutMs) {}
  bool passed() const { return !infinite_ && nowMs() >= end_; }
  // The time-out for the next poll: -1 for none; capped, at most the polling interval.
  int pollTimeout(bool capped) const {
    const int64_t left = infinite_ ? INT_MAX : std::max<int64_t>(end_ - nowMs(), 0);
    if (capped) return static_cast<int>(std::min<int64_t>(left, kPollIntervalMs));
    return infinite_ ? -1 : static_cast<int>(std::min<int64_t>(left, INT_MAX));
  }

 private:
  static int64_t nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
  }
  bool infinite_;
  int64_t end_;
};

void closeFd(int32_t& fd) {
  if (fd >= 0) ::close(std::exchange(fd, -1));
}

std::mutex orphanLock;
std::vector<int32_t> orphans;

void reapOrphans(int32_t newOrphan) {
  std::lock_guard<std::mutex> hold(orphanLock);
  if (newOrphan > 0) orphans.push_back(newOrphan);
  std::erase_if(orphans, [](int32_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

}  // namespace

void Process::close() {
  closeFd(exitHandle_);
  closeFd(readyHandle_);
  if (pid_ > 0) reapOrphans(ended_ || collect() ? 0 : pid_);
  pid_ = 0;
  exitCode_ = StillActive;
  ended_ = ready_ = false;
}

bool Process::collect() {
  if (ended_) return true;
  int status = 0;
  const pid_t result = waitpid(pid_, &status, WNOHANG);
  if (result == 0 || (result < 0 && errno == EINTR)) return false;
  // A result of -1 means someone else reaped it (a SIGCHLD handler of the caller's, or
  // SIGCHLD ignored): it has ended all the same, with its status unknown.
  if (result == pid_) exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  ended_ = true;
  closeFd(exitHandle_);
  return true;
}

Process::Readiness Process::waitUntilReady(uint32_t timeoutMs) {
  if (ready_) return Readiness::Ready;
  if (!valid()) return Readiness::Exited;
  const Deadline deadline(timeoutMs);
  for (;;) {
    pollfd fds[2] = {{readyHandle_, POLLIN, 0}, {exitHandle_, POLLIN, 0}};
    poll(fds, 2, deadline.pollTimeout(exitHandle_ < 0 && !ended_));
    // Readiness first: a process may report and end before we look.
    if (fds[0].revents != 0) {
      char byte = 0;
      const ssize_t got = read(readyHandle_, &byte, 1);
      if (got == 1) {
        ready_ = true;
        closeFd(readyHandle_);
        return Readiness::Ready;
      }
      if (got == 0 || errno != EINTR) closeFd(readyHandle_);  // closed without a word
    }
    if (collect()) return Readiness::Exited;
    if (deadline.passed()) return Readiness::TimedOut;
  }
}

PlatformError Process::wait(uint32_t timeoutMs) {
  if (!valid()) return PlatformError::InvalidHandle;
  const Deadline deadline(timeoutMs);
  while (!collect()) {
    if (deadline.passed()) return PlatformError::Timeout;
    pollfd fd{exitHandle_, POLLIN, 0};
    poll(&fd, 1, deadline.pollTimeout(exitHandle_ < 0));
  }
  return PlatformError::Success;
}

PlatformError Process::terminate() {
  if (!valid()) return PlatformError::InvalidHandle;
  // Not yet reaped, so the id cannot have passed to another process.
  if (ended_ || kill(pid_, SIGKILL) == 0) return PlatformError::Success;
  return errorFromErrno(errno);
}

}  // namespace tz::platform
