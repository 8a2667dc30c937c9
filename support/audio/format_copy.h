// The format-copy kernel family: the baseline kernel of every pair, and the kernels for
// wider instruction sets, each defined in the file of its set. Declarations only, so that
// every kernel file may include it.
#pragma once

#include <cstdint>

#include "tz/format_copy.h"

namespace tz::audio {

using CopyKernel = TZAUDIOCOPYPROC;

// The baseline kernel of a pair of the eleven convertible layouts, or null: the SSE2 blocks of
// format_copy_vector.cpp, bit for bit referenceCopyKernel, which converts one sample at a time.
CopyKernel baselineCopyKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source);
CopyKernel referenceCopyKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source);

// Flush-to-zero and denormals-are-zero for float-to-integer loops where the processor lets
// the library switch them on (denormal inputs give 0 either way, only faster), else 0.
uint32_t flushBitsForIntegerOutput();

// Floating-point unit with an integer store of each product, for any processor class >= 2.
namespace x87 {
void TZ_STDCALL float32ToPcm8(void* d, const void* s, long n, float gain);
void TZ_STDCALL float32ToPcm16(void* d, const void* s, long n, float gain);
void TZ_STDCALL float32ToPcm24(void* d, const void* s, long n, float gain);
void TZ_STDCALL float64ToPcm8(void* d, const void* s, long n, float gain);
void TZ_STDCALL float64ToPcm16(void* d, const void* s, long n, float gain);
void TZ_STDCALL float64ToPcm24(void* d, const void* s, long n, float gain);
}  // namespace x87

// SSE with MMX registers: what a processor without SSE2 offers.
namespace sse {
void TZ_STDCALL float32ToPcm8(void* d, const void* s, long n, float gain);
void TZ_STDCALL float32ToPcm16(void* d, const void* s, long n, float gain);
void TZ_STDCALL float32ToPcm24(void* d, const void* s, long n, float gain);
void TZ_STDCALL pcm16ToFloat32(void* d, const void* s, long n, float gain);
}  // namespace sse

namespace sse2 {
// The SSE method for single-precision sources in SSE2 registers: class 6's SSE kernels.
void TZ_STDCALL float32ToPcm8(void* d, const void* s, long n, float gain);
void TZ_STDCALL float32ToPcm16(void* d, const void* s, long n, float gain);
void TZ_STDCALL float32ToPcm24(void* d, const void* s, long n, float gain);
void TZ_STDCALL float64ToPcm8(void* d, const void* s, long n, float gain);
void TZ_STDCALL float64ToPcm16(void* d, const void* s, long n, float gain);
void TZ_STDCALL float64ToPcm24(void* d, const void* s, long n, float gain);
void TZ_STDCALL pcm16ToFloat32(void* d, const void* s, long n, float gain);
void TZ_STDCALL pcm16ToFloat64(void* d, const void* s, long n, float gain);
void TZ_STDCALL float32ToFloat64(void* d, const void* s, long n, float gain);
void TZ_STDCALL float64ToFloat32(void* d, const void* s, long n, float gain);
}  // namespace sse2

namespace sse41 {
void TZ_STDCALL pcm16ToFloat32(void* d, const void* s, long n, float gain);
}  // namespace sse41

}  // namespace tz::audio
