// Format copy: converts a run of interleaved samples from one layout to another, optionally
// scaled by a gain, in one pass. Integer results are limited to the destination's range and
// rounded to nearest with ties to even; NaN becomes 0. The kernel for a pair is chosen for
// this processor when it is looked up, so look it up before the audio thread runs.
#pragma once

#include "tz/wave_format.h"

// A conversion kernel: (destination, source, samples, gain). A sample is one value of one
// channel. Samples from 0 up; the caller provides buffers of samples x bytes per sample.
// Source and destination may be the same buffer (not partly overlapping). Kernels allocate
// nothing, take no lock, make no system call, and restore any control register they set.
typedef void(TZ_STDCALL* TZAUDIOCOPYPROC)(void* destination, const void* source, long samples,
                                          float gain);

// The kernel for a pair of the eleven convertible layouts, or null (widened or unknown
// layouts, and 16- or 24-bit big-endian from PCM24IN32 or 32-bit big-endian).
TZAPI(TZAUDIOCOPYPROC) TzAudio_GetCopyFunction2(TZSAMPLETYPE destination, TZSAMPLETYPE source);

// The same for formats: a WAVEFORMATEX is classified, a _tzwaveformat gives its nSampleType.
TZAPI(TZAUDIOCOPYPROC)
TzAudio_GetCopyFunction(const WAVEFORMATEX* destination, const WAVEFORMATEX* source);
TZAPI_TYPED(TZAUDIOCOPYPROC)
TzAudio_GetCopyFunction(const WAVEFORMATEX* destination, const _tzwaveformat* source);
TZAPI_TYPED(TZAUDIOCOPYPROC)
TzAudio_GetCopyFunction(const _tzwaveformat* destination, const WAVEFORMATEX* source);

// Converts frames x the source's nChannels samples; both formats must have the same channel
// count. 0 frames succeed without a look-up; a null pointer gives E_POINTER, negative frames
// E_INVALIDARG and a pair without a kernel E_NOTIMPL, all writing nothing. Looks the kernel up on
// every call: keep the kernel for per-block work.
TZAPI(HRESULT)
TzAudio_Copy(const WAVEFORMATEX* destinationFormat, void* destination,
             const WAVEFORMATEX* sourceFormat, const void* source, long frames, float gain);
TZAPI_TYPED(HRESULT)
TzAudio_Copy(const _tzwaveformat* destinationFormat, void* destination,
             const _tzwaveformat* sourceFormat, const void* source, long frames, float gain);
TZAPI_TYPED(HRESULT)
TzAudio_Copy(const _tzwaveformat* destinationFormat, void* destination,
             const WAVEFORMATEX* sourceFormat, const void* source, long frames, float gain);
TZAPI_TYPED(HRESULT)
TzAudio_Copy(const WAVEFORMATEX* destinationFormat, void* destination,
             const _tzwaveformat* sourceFormat, const void* source, long frames, float gain);

// Checks the format-copy kernels this processor may use: every value of each integer layout
// goes through a float layout and back, half an LSB up on the float side, and must come back
// rounded half to even. Clears the error details first and shows the wait cursor while it runs
// (a few seconds). S_OK, or the first failure: E_UNEXPECTED when a round trip differs (the
// details get "TzAudioCopy_UnitTest node[N] failed." for each failing node), E_OUTOFMEMORY when
// its buffers cannot be had. With a window, a failure is also shown in the error handler's
// message box, which takes the details along.
TZAPI(HRESULT) TzAudioCopy_UnitTest(HWND window);
