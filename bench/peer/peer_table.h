// The format-copy benchmark's comparison with the peer conversion library, on the pairs both
// convert. The build links the peer when it finds it, else a stand-in that says why not.
#pragma once

#include <optional>
#include <vector>

#include "tz/wave_format.h"

namespace tz::bench {

// A pair and size where our kernel ran slower than the peer's conversion.
struct PeerShortfall {
  char pair[32];
  long samples;
  double ratio;  // ours/peer throughput
};

// The peer's own speed on one of its pairs at 64 Ki samples: throughput against memcpy of the
// larger of its input and output, as the main table measures ours.
struct PeerPairSpeed {
  TZSAMPLETYPE to, from;
  double memcpyRatio;
};

struct PeerResults {
  std::vector<PeerShortfall> slower;  // where ours/peer < 1.0 at 1 Ki or 64 Ki samples
  std::vector<PeerPairSpeed> speeds;  // every pair the peer converts
};

// Prints the value agreement and the throughput table; returns the results, or nothing when the
// build has no peer.
std::optional<PeerResults> printPeerTable();

}  // namespace tz::bench
