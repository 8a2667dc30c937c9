// The reference kernel of every format-copy pair, the scalar conversion one sample at a time,
// which the baseline kernels (format_copy_vector.cpp) match and use for their heads and tails.
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
struct ReferenceEntry {
  static constexpr CopyKernel kernel() {
    if constexpr (hasCopyKernel(D, S)) {
      return &copyKernel<D, S>;
    } else {
      return nullptr;
    }
  }
};

}  // namespace

CopyKernel referenceCopyKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  return PairTable<ReferenceEntry>::find(destination, source);
}

}  // namespace tz::audio
