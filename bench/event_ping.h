// The bare hand-over between two processes through two named events, which every block's round
// trip makes once: this program pings, a copy of itself answers. Both sides run at the audio
// path's priority (Time Critical), as the mixer's audio thread and the host's worker do.
#pragma once

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "support/platform/named_event.h"
#include "support/platform/thread.h"

extern char** environ;

namespace tz::bench {

constexpr const char* kPeerFlag = "--event-peer";

// The answering side; returns the process's exit status.
inline int answerPings(int count) {
  using platform::NamedEvent;
  auto ping = NamedEvent::open("bench.ping"), pong = NamedEvent::open("bench.pong");
  if (!ping.event.isOpen() || !pong.event.isOpen()) return 1;
  platform::setCurrentThreadPriority(platform::ThreadPriority::TimeCritical);
  // A lost parent shows as a time-out; nothing else ends the loop early.
  for (int i = 0; i < count; ++i) {
    if (ping.event.wait(5000) != platform::WaitResult::Signaled) return 1;
    pong.event.set();
  }
  return 0;
}

// Round trips in microseconds, sorted, after warmUp unmeasured ones; empty when the peer
// failed. The peer is this program run with kPeerFlag.
inline std::vector<double> pingRoundTrips(int warmUp, int count) {
  using platform::NamedEvent;
  auto ping = NamedEvent::create("bench.ping"), pong = NamedEvent::create("bench.pong");
  if (!ping.event.isOpen() || !pong.event.isOpen()) return {};
  char exe[] = "/proc/self/exe";
  std::vector<char> flag(kPeerFlag, kPeerFlag + strlen(kPeerFlag) + 1);
  char* args[] = {exe, flag.data(), nullptr};
  pid_t peer;
  if (posix_spawn(&peer, exe, nullptr, nullptr, args, environ) != 0) return {};
  std::vector<double> micros;
  micros.reserve(static_cast<size_t>(count));
  platform::setCurrentThreadPriority(platform::ThreadPriority::TimeCritical);
  bool ok = true;
  for (int i = 0; ok && i < warmUp + count; ++i) {
    const auto start = std::chrono::steady_clock::now();
    ping.event.set();
    ok = pong.event.wait(5000) == platform::WaitResult::Signaled;
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    if (i >= warmUp) micros.push_back(took.count());
  }
  platform::setCurrentThreadPriority(platform::ThreadPriority::Normal);
  int status = 0;
  waitpid(peer, &status, 0);
  if (!ok || status != 0) return {};
  std::sort(micros.begin(), micros.end());
  return micros;
}

inline double percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  const size_t rank = static_cast<size_t>(p / 100 * static_cast<double>(sorted.size()));
  return sorted[std::min(rank, sorted.size() - 1)];
}

}  // namespace tz::bench
