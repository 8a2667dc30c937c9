// The format-copy benchmark's comparison with the peer conversion library, on the pairs both
// convert. The build links the peer when it finds it, else a stand-in that says why not.
#pragma once

namespace tz::bench {

void printPeerTable();

}  // namespace tz::bench
