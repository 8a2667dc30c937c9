// Round trip between two processes through two named events: the hand-over the audio path
// makes once per block. The program runs itself again as the peer that answers each ping.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/event_ping.h"

namespace {

constexpr int WarmUp = 2000;
constexpr int RoundTrips = 20000;

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], tz::bench::kPeerFlag) == 0)
    return tz::bench::answerPings(WarmUp + RoundTrips);
  setenv("TZ_OBJECT_NAMESPACE", ("bench-" + std::to_string(getpid())).c_str(), 1);
  const auto micros = tz::bench::pingRoundTrips(WarmUp, RoundTrips);
  if (micros.empty()) {
    fprintf(stderr, "event_round_trip: the peer stopped answering\n");
    return 1;
  }
  printf("event round trip over %d trips (us): p50 %.1f  p99 %.1f  max %.1f\n", RoundTrips,
         tz::bench::percentile(micros, 50), tz::bench::percentile(micros, 99), micros.back());
  return 0;
}
