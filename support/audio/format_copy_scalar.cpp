// The baseline kernel of every format-copy pair: double-precision arithmetic on the SSE2
// baseline, one template instantiated per pair.
#include "support/audio/copy_loop.h"
#include "support/audio/format_copy.h"
#include "support/audio/pair_table.h"

namespace tz::audio {
namespace {

template <TZSAMPLETYPE D, TZSAMPLETYPE S>
void TZ_STDCALL copyKernel(void* d, const void* s, long n, float gain) {
  copySamples<D, S>(d, s, n, gain);
}

template <TZSAMPLETYPE D, TZSAMPLETYPE S>
struct CopyEntry {
  static constexpr CopyKernel kernel() {
    if constexpr (hasCopyKernel(D, S)) {
      return &copyKernel<D, S>;
    } else {
      return nullptr;
    }
  }
};

}  // namespace

CopyKernel scalarCopyKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  return PairTable<CopyEntry>::find(destination, source);
}

}  // namespace tz::audio
