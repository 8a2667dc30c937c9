// Round trip between two processes through two named events: the hand-over the audio path
// makes once per block. The program runs itself again as the peer that answers each ping.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/platform/named_event.h"

extern char** environ;

namespace {

using tz::platform::NamedEvent;
using tz::platform::WaitResult;

constexpr int WarmUp = 2000;
constexpr int RoundTrips = 20000;

int answer() {
  auto ping = NamedEvent::open("bench.ping"), pong = NamedEvent::open("bench.pong");
  if (!ping.event.isOpen() || !pong.event.isOpen()) return 1;
  // A lost parent shows as a time-out; nothing else ends the loop early.
  for (int i = 0; i < WarmUp + RoundTrips; ++i) {
    if (ping.event.wait(5000) != WaitResult::Signaled) return 1;
    pong.event.set();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], "--peer") == 0) return answer();
  setenv("TZ_OBJECT_NAMESPACE", ("bench-" + std::to_string(getpid())).c_str(), 1);
  auto ping = NamedEvent::create("bench.ping"), pong = NamedEvent::create("bench.pong");
  if (!ping.event.isOpen() || !pong.event.isOpen()) return 1;
  char exe[] = "/proc/self/exe", peerFlag[] = "--peer";
  char* args[] = {exe, peerFlag, nullptr};
  pid_t peer;
  if (posix_spawn(&peer, exe, nullptr, nullptr, args, environ) != 0) return 1;

  std::vector<double> micros;
  micros.reserve(RoundTrips);
  bool ok = true;
  for (int i = 0; ok && i < WarmUp + RoundTrips; ++i) {
    const auto start = std::chrono::steady_clock::now();
    ping.event.set();
    ok = pong.event.wait(5000) == WaitResult::Signaled;
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    if (i >= WarmUp) micros.push_back(took.count());
  }
  int status = 0;
  waitpid(peer, &status, 0);
  if (!ok || status != 0) {
    fprintf(stderr, "event_round_trip: the peer stopped answering\n");
    return 1;
  }
  std::sort(micros.begin(), micros.end());
  printf("event round trip over %d trips (us): p50 %.1f  p99 %.1f  max %.1f\n", RoundTrips,
         micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.back());
  return 0;
}
