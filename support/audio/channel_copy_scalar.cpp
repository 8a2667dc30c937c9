// The baseline kernel of every channel-copy pair, one template instantiated per pair.
#include <cstring>
#include <utility>

#include "support/audio/channel_copy.h"
#include "support/audio/convertible_types.h"
#include "support/audio/sample_codec.h"

namespace tz::audio {
namespace {

template <TZSAMPLETYPE D, TZSAMPLETYPE S>
void TZ_STDCALL channelKernel(void* destination, DWORD dChannels, DWORD dChannel,
                              const void* source, DWORD sChannels, DWORD sChannel, long frames) {
  constexpr long db = Layout<D>::kBytes, sb = Layout<S>::kBytes;
  auto* d = static_cast<uint8_t*>(destination) + dChannel * db;
  const auto* s = static_cast<const uint8_t*>(source) + sChannel * sb;
  // Spreading a buffer over more channels in place would overwrite samples not yet read.
  if (D == S && d == s && dChannels > sChannels) return;
  const long dStep = static_cast<long>(dChannels) * db, sStep = static_cast<long>(sChannels) * sb;
  if constexpr (D == S) {
    for (long k = 0; k < frames; ++k) std::memcpy(d + k * dStep, s + k * sStep, db);
  } else if constexpr (kExactAtUnity<D, S>) {
    for (long k = 0; k < frames; ++k) convertExact<D, S>(d + k * dStep, s + k * sStep);
  } else {
    const double multiplier = multiplierFor<D, S>(1.0f);
    for (long k = 0; k < frames; ++k) convertScaled<D, S>(d + k * dStep, s + k * sStep, multiplier);
  }
}

template <size_t I>
constexpr ChannelKernel kernelAt() {
  constexpr TZSAMPLETYPE d = kChannelTypes[I / kChannelTypeCount];
  constexpr TZSAMPLETYPE s = kChannelTypes[I % kChannelTypeCount];
  if constexpr (hasChannelKernel(d, s)) {
    return &channelKernel<d, s>;
  } else {
    return nullptr;
  }
}

template <class Sequence>
struct Table;
template <size_t... I>
struct Table<std::index_sequence<I...>> {
  static constexpr ChannelKernel kernels[] = {kernelAt<I>()...};
};
using ChannelTable = Table<std::make_index_sequence<kChannelTypeCount * kChannelTypeCount>>;

}  // namespace

ChannelKernel scalarChannelKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  const int d = typeIndex(destination), s = typeIndex(source);
  if (d < 0 || s < 0) return nullptr;
  return ChannelTable::kernels[static_cast<size_t>(d) * kChannelTypeCount + static_cast<size_t>(s)];
}

}  // namespace tz::audio
