// Channel operations on interleaved buffers: silence, one repeated frame, moving, swapping,
// extracting and inserting channels, up- and down-mixing, splitting and joining stereo pairs.
// A frame is one sample of every channel; a buffer of F frames holds F x nBlockAlign bytes.
// Layouts are kept unless a format change is named; conversions are format copy's at gain
// 1.0. Stateless: any thread, no lock, no allocation, no system call. All return 0 on
// success; the failure codes are named per operation. Null pointers give E_POINTER; channel
// indices outside the format, negative frame counts and formats without channels give
// E_INVALIDARG; all of them write nothing.
#pragma once

#include "tz/wave_format.h"

// Silence (0x80 bytes for unsigned 8-bit, zeros otherwise) over frames x nBlockAlign bytes.
// By tag: PCM and big-endian PCM (0x80 at 8 bits), float, PCM24IN32 and signed 8-bit PCM, and
// extensible PCM or float; an extensible record with another sub-format writes nothing and
// succeeds; other tags give E_FAIL. The _tzwaveformat form accepts the eleven convertible
// layouts. 0 bytes succeed without writing.
TZAPI(HRESULT) TzAudio_FillSilence(const WAVEFORMATEX* format, void* buffer, DWORD frames);
TZAPI_TYPED(HRESULT) TzAudio_FillSilence(const _tzwaveformat* format, void* buffer, DWORD frames);

// Silence in one channel of tag 1, 3, 0xFE00, 0xFE01 or 0xFE02 (not extensible); a mono
// format is cleared whole. E_FAIL for a channel beyond the format or another tag or width.
TZAPI(HRESULT)
TzAudio_FillSilenceChannel(const WAVEFORMATEX* format, void* buffer, DWORD channel, DWORD frames);

// The layout's silence into one channel of each frame; E_FAIL outside the eleven layouts.
TZAPI_TYPED(HRESULT)
TzAudio_MuteChannel(void* buffer, TZSAMPLETYPE type, long channels, long channel, long frames);
TZAPI(HRESULT)
TzAudio_MuteChannel(void* buffer, const WAVEFORMATEX* format, long channel, long frames);
TZAPI_TYPED(HRESULT)
TzAudio_MuteChannel(void* buffer, const _tzwaveformat* format, long channel, long frames);

// Fills every frame with one frame. With equal layouts the sample frame (nBlockAlign bytes) is
// copied; otherwise its first two samples, read in the sample layout's own precision (a mono
// sample frame gives its one sample twice), are converted from PCM16, PCM24, FLOAT32, FLOAT64
// or PCM24IN32 into PCM16, PCM24, PCM32, FLOAT32, FLOAT64 or PCM24IN32 and written into
// channels 0 and 1 (channel 0 only of a mono buffer); a sample frame of the same layout but
// fewer channels is treated so too. Any other pair fills with silence.
TZAPI(HRESULT)
TzAudio_FillWithSample(const WAVEFORMATEX* bufferFormat, void* buffer,
                       const WAVEFORMATEX* sampleFormat, const void* sampleFrame, long frames);

// Within one buffer of PCM8, PCM16, PCM24, PCM32, FLOAT32 or FLOAT64 (else E_FAIL): one
// channel over another; channels 0 and 1 exchanged; or, into another buffer, channels 0 and
// 1 written exchanged (other destination channels untouched). Mono formats do nothing.
TZAPI(HRESULT)
TzAudio_CopyChannelToChannel(void* buffer, const WAVEFORMATEX* format, long sourceChannel,
                             long destinationChannel, long frames);
TZAPI(HRESULT) TzAudio_SwapStereoChannels(void* buffer, const WAVEFORMATEX* format, long frames);
TZAPI(HRESULT)
TzAudio_CopySwapStereoChannels(void* destination, const void* source, const WAVEFORMATEX* format,
                               long frames);

// One source channel into every channel of each destination frame. Walks from the last frame
// when the destination has more channels, so source and destination may be one buffer.
// E_INVALIDARG outside the eleven layouts, or (format form) for formats of different layouts.
TZAPI(HRESULT)
TzAudio_CopyChannelToMultiMono2(void* destination, long destinationChannels, const void* source,
                                long sourceChannels, long sourceChannel, long frames,
                                TZSAMPLETYPE type);
TZAPI(HRESULT)
TzAudio_CopyChannelToMultiMono(void* destination, const WAVEFORMATEX* destinationFormat,
                               const void* source, const WAVEFORMATEX* sourceFormat,
                               long sourceChannel, long frames);
// The same walking forward, for separate buffers; a mono destination is an extraction.
// E_NOTIMPL for formats of different layouts, E_FAIL outside the eleven.
TZAPI(HRESULT)
TzAudio_CopyChannelToAll(void* destination, const void* source, const WAVEFORMATEX* sourceFormat,
                         const WAVEFORMATEX* destinationFormat, long sourceChannel, long frames);

// One channel into a mono buffer (a mono source is copied whole); E_FAIL outside the eleven.
TZAPI_TYPED(HRESULT)
TzAudio_ExtractChannel(void* destination, long channel, const void* source, TZSAMPLETYPE type,
                       DWORD sourceChannels, long frames);
TZAPI(HRESULT)
TzAudio_ExtractChannel(void* destination, long channel, const void* source,
                       const WAVEFORMATEX* format, long frames);
// Channels first and first + 1 into a stereo buffer (a stereo source is copied whole);
// E_FAIL outside PCM8, PCM16, PCM24, PCM32, FLOAT32, FLOAT64.
TZAPI(HRESULT)
TzAudio_ExtractChannelPair(void* destination, long firstChannel, const void* source,
                           const WAVEFORMATEX* format, long frames);
// A mono buffer into one channel; E_FAIL outside the eleven.
TZAPI(HRESULT)
TzAudio_InsertChannel(void* destination, TZSAMPLETYPE type, long destinationChannels, long channel,
                      const void* source, long frames);

// Every channel of each frame receives the frame's average: unsigned bytes and 16- and 32-bit
// integers truncate, 24-bit rounds to nearest, floats in double precision. PCM8, PCM16,
// PCM24, PCM32, FLOAT32, FLOAT64 (else E_FAIL); may run in place.
TZAPI(HRESULT)
TzAudio_MonoChannel(void* destination, const void* source, const WAVEFORMATEX* format, long frames);

// From the source's channel count to destinationChannels: equal counts copy; to mono sums
// the channels (Avg: averages them), limited and rounded to nearest for integers (PCM24IN32
// refused); from mono repeats the sample, walking from the last frame so that the buffers
// may be one. Any other change gives E_FAIL.
TZAPI(HRESULT)
TzAudio_ChannelChange(void* destination, long destinationChannels, const void* source,
                      const WAVEFORMATEX* sourceFormat, long frames);
TZAPI(HRESULT)
TzAudio_ChannelChangeAvg(void* destination, long destinationChannels, const void* source,
                         const WAVEFORMATEX* sourceFormat, long frames);

// Splits a stereo buffer into two mono ones, or joins them; PCM8, PCM16, PCM32, FLOAT32,
// FLOAT64 and PCM24IN32 (else E_NOTIMPL).
TZAPI(HRESULT)
TzAudio_DeInterleaveStereo(void* left, void* right, const void* source, TZSAMPLETYPE type,
                           long frames);
TZAPI(HRESULT)
TzAudio_InterleaveStereo(void* destination, const void* left, const void* right, TZSAMPLETYPE type,
                         long frames);
