// The one wait for a condition in the tests: polled until it holds or a deadline passes.
#pragma once

#include <chrono>
#include <thread>

namespace tz::test {

// True once `condition` holds; false when `limit` passes first. The condition is evaluated at
// least once. Between polls the thread sleeps 1 ms rather than yielding: what it waits for is
// mostly another process or thread, which needs the core a spinning poll would keep busy on a
// small shared machine, and a millisecond late is nothing against any deadline here.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace tz::test
