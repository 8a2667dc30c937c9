// Channel copy: moves single channels between two interleaved buffers of possibly different
// layouts and channel counts, converting each sample as format copy does at gain 1.0. Source
// channel i goes to the destination channel that entry i of a channel map names.
#pragma once

#include "tz/format_copy.h"

// A channel kernel: (destination, destination channels, destination channel, source, source
// channels, source channel, frames). Reads source sample sourceChannel + k x sourceChannels and
// writes destination sample destinationChannel + k x destinationChannels, k = 0 .. frames - 1,
// first frame first. A kernel between equal layouts does nothing when the two first samples
// are the same memory and the destination has more channels per frame. No allocation, lock
// or system call.
typedef void(TZ_STDCALL* TZAUDIOCOPYCHANNELSPROC)(void* destination, DWORD destinationChannels,
                                                  DWORD destinationChannel, const void* source,
                                                  DWORD sourceChannels, DWORD sourceChannel,
                                                  long frames);

// The kernel for a pair, or null: every pair of the eleven convertible layouts, and the widened
// layouts with PCM16, PCM24 and FLOAT32 (both ways), FLOAT64 (from them), PCM32 and PCM24IN32
// (from WIDE16). A widened layout is read as its declared width: WIDE16 by the low 16 bits
// of each word, WIDE24 by the low 24 bits; it is written sign-extended.
TZAPI(TZAUDIOCOPYCHANNELSPROC)
TzAudio_GetCopyChannelsFunction2(TZSAMPLETYPE destination, TZSAMPLETYPE source);

TZAPI(TZAUDIOCOPYCHANNELSPROC)
TzAudio_GetCopyChannelsFunction(const WAVEFORMATEX* destination, const WAVEFORMATEX* source);
TZAPI_TYPED(TZAUDIOCOPYCHANNELSPROC)
TzAudio_GetCopyChannelsFunction(const WAVEFORMATEX* destination, const _tzwaveformat* source);
TZAPI_TYPED(TZAUDIOCOPYCHANNELSPROC)
TzAudio_GetCopyChannelsFunction(const _tzwaveformat* destination, const WAVEFORMATEX* source);

// With a null map, TzAudio_Copy at gain 1.0 (equal channel counts, no widened layouts).
// Otherwise, for each source channel i in order, copies it into channel map[i] when that is
// in 0 .. destination nChannels - 1; other entries are skipped, unnamed destination channels
// are left alone, and of two entries naming one channel the later wins. 0 frames succeed;
// null pointers give E_POINTER, negative frames E_INVALIDARG and a pair without a kernel
// E_NOTIMPL, writing nothing.
TZAPI(HRESULT)
TzAudio_CopyChannels(const WAVEFORMATEX* destinationFormat, void* destination,
                     const WAVEFORMATEX* sourceFormat, const void* source, long frames,
                     const long* map);
