// The baseline kernel of every format-copy pair: double-precision arithmetic on the SSE2
// baseline, one template instantiated per pair.
#include <utility>

#include "support/audio/convertible_types.h"
#include "support/audio/copy_loop.h"
#include "support/audio/format_copy.h"

namespace tz::audio {
namespace {

template <TZSAMPLETYPE D, TZSAMPLETYPE S>
void TZ_STDCALL copyKernel(void* d, const void* s, long n, float gain) {
  copySamples<D, S>(d, s, n, gain);
}

template <size_t I>
constexpr CopyKernel kernelAt() {
  constexpr TZSAMPLETYPE d = kConvertibleTypes[I / kConvertibleCount];
  constexpr TZSAMPLETYPE s = kConvertibleTypes[I % kConvertibleCount];
  if constexpr (hasCopyKernel(d, s)) {
    return &copyKernel<d, s>;
  } else {
    return nullptr;
  }
}

template <class Sequence>
struct Table;
template <size_t... I>
struct Table<std::index_sequence<I...>> {
  static constexpr CopyKernel kernels[] = {kernelAt<I>()...};
};
using CopyTable = Table<std::make_index_sequence<kConvertibleCount * kConvertibleCount>>;

}  // namespace

CopyKernel scalarCopyKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  const int d = typeIndex(destination), s = typeIndex(source);
  if (d < 0 || s < 0 || d >= int{kConvertibleCount} || s >= int{kConvertibleCount}) return nullptr;
  return CopyTable::kernels[static_cast<size_t>(d) * kConvertibleCount + static_cast<size_t>(s)];
}

}  // namespace tz::audio
