// The format-copy benchmark's comparison with the peer conversion library, on the pairs both
// convert. The build links the peer when it finds it, else a stand-in that says why not.
#pragma once

#include <optional>
#include <vector>

namespace tz::bench {

// A pair and size where our kernel ran slower than the peer's conversion.
struct PeerShortfall {
  char pair[32];
  long samples;
  double ratio;  // ours/peer throughput
};

// Prints the value agreement and the throughput table; returns where ours/peer < 1.0 at 1 Ki or
// 64 Ki samples, or nothing when the build has no peer.
std::optional<std::vector<PeerShortfall>> printPeerTable();

}  // namespace tz::bench
