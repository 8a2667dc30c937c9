// What the backends' process handles share: moving one, and letting it go.
#include <utility>

#include "support/platform/process_launcher.h"

namespace tz::platform {

Process::Process(Process&& other) noexcept
    : pid_(std::exchange(other.pid_, 0)),
      exitHandle_(std::exchange(other.exitHandle_, -1)),
      readyHandle_(std::exchange(other.readyHandle_, -1)),
      exitCode_(std::exchange(other.exitCode_, StillActive)),
      ended_(std::exchange(other.ended_, false)),
      ready_(std::exchange(other.ready_, false)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    close();  // leaves this in the empty state, which other takes in the swaps
    std::swap(pid_, other.pid_);
    std::swap(exitHandle_, other.exitHandle_);
    std::swap(readyHandle_, other.readyHandle_);
    std::swap(exitCode_, other.exitCode_);
    std::swap(ended_, other.ended_);
    std::swap(ready_, other.ready_);
  }
  return *this;
}

Process::~Process() {
  close();
}

}  // namespace tz::platform
