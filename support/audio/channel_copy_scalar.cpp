// The baseline kernel of every channel-copy pair, one template instantiated per pair.
#include <cstring>

#include "support/audio/channel_copy.h"
#include "support/audio/pair_table.h"
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

template <TZSAMPLETYPE D, TZSAMPLETYPE S>
struct ChannelEntry {
  static constexpr ChannelKernel kernel() {
    if constexpr (hasChannelKernel(D, S)) {
      return &channelKernel<D, S>;
    } else {
      return nullptr;
    }
  }
};

}  // namespace

ChannelKernel referenceChannelKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  return PairTable<ChannelEntry>::find(destination, source);
}

ChannelKernel baselineChannelKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  if (destination == TZSAMPLETYPE_FLOAT32 && source == TZSAMPLETYPE_FLOAT32)
    return sse2::float32Channel;
  return referenceChannelKernel(destination, source);
}

}  // namespace tz::audio
