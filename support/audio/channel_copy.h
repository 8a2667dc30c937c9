// The channel-copy kernel family: the baseline kernel of every pair and the SSE2 kernels.
// Declarations only, so that every kernel file may include it.
#pragma once

#include "tz/channel_copy.h"

namespace tz::audio {

using ChannelKernel = TZAUDIOCOPYCHANNELSPROC;

// The baseline kernel of a pair, or null: the reference, except that single floats move with
// SSE2 (the library's baseline), bit for bit as the reference moves them.
ChannelKernel baselineChannelKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source);
// The per-sample kernel every other must match, or null.
ChannelKernel referenceChannelKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source);

namespace sse2 {
void TZ_STDCALL pcm16ToFloat64Channel(void* d, DWORD dChannels, DWORD dChannel, const void* s,
                                      DWORD sChannels, DWORD sChannel, long frames);
// Single floats moved bit for bit, as the baseline does; one channel of a stereo source into a
// mono destination (a stereo output split into its slots) four frames at a time.
void TZ_STDCALL float32Channel(void* d, DWORD dChannels, DWORD dChannel, const void* s,
                               DWORD sChannels, DWORD sChannel, long frames);
}  // namespace sse2

}  // namespace tz::audio
