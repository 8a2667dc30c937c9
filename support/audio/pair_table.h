// A table of kernels for every ordered pair of the channel table's layouts (the eleven
// convertible ones first), built at compile time: Entry<D, S>::kernel() gives the pair's
// kernel or null.
#pragma once

#include <utility>

#include "support/audio/convertible_types.h"

namespace tz::audio {

template <template <TZSAMPLETYPE, TZSAMPLETYPE> class Entry>
class PairTable {
  static constexpr size_t N = kChannelTypeCount;
  using Kernel = decltype(Entry<TZSAMPLETYPE_PCM8, TZSAMPLETYPE_PCM8>::kernel());

  template <size_t I>
  static constexpr Kernel at() {
    return Entry<kChannelTypes[I / N], kChannelTypes[I % N]>::kernel();
  }
  template <class Sequence>
  struct Built;
  template <size_t... I>
  struct Built<std::index_sequence<I...>> {
    static constexpr Kernel kernels[] = {at<I>()...};
  };

 public:
  static Kernel find(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
    const int d = typeIndex(destination), s = typeIndex(source);
    if (d < 0 || s < 0) return nullptr;
    return Built<std::make_index_sequence<N * N>>::kernels[static_cast<size_t>(d) * N +
                                                           static_cast<size_t>(s)];
  }
};

}  // namespace tz::audio
