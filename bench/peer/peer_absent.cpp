// Built when configure found no 32-bit libswresample: the table is left out and says why.
#include <cstdio>

#include "bench/peer/peer_table.h"

namespace tz::bench {

std::optional<PeerResults> printPeerTable() {
  std::printf(
      "\nPeer columns left out: no 32-bit libswresample/libavutil was found when this build was "
      "configured\n(scripts/install-deps with TZ_BENCH_DEPS=1 installs libswresample-dev:i386; "
      "then configure again).\n");
  return std::nullopt;
}

}  // namespace tz::bench
