// Choosing a format-copy kernel for this processor, and the format-copy exports. The choice
// follows the processor class for the float-to-integer pairs and 16-bit to float, and the
// instruction-set flags for the rest; it is made at look-up only.
#include "support/audio/copy_variants.h"
#include "support/audio/cpu_support_internal.h"
#include "support/audio/format_type.h"
#include "tz/cpu_support.h"

namespace tz::audio {
namespace {

constexpr auto F32 = TZSAMPLETYPE_FLOAT32, F64 = TZSAMPLETYPE_FLOAT64;
constexpr DWORD kX87 = 0, kMmxSse = TZCPU_MMX | TZCPU_SSE;

constexpr CopyVariant kVariants[] = {
    {TZSAMPLETYPE_PCM8, F32, "x87", kX87, x87::float32ToPcm8},
    {TZSAMPLETYPE_PCM16, F32, "x87", kX87, x87::float32ToPcm16},
    {TZSAMPLETYPE_PCM24, F32, "x87", kX87, x87::float32ToPcm24},
    {TZSAMPLETYPE_PCM8, F64, "x87", kX87, x87::float64ToPcm8},
    {TZSAMPLETYPE_PCM16, F64, "x87", kX87, x87::float64ToPcm16},
    {TZSAMPLETYPE_PCM24, F64, "x87", kX87, x87::float64ToPcm24},
    {TZSAMPLETYPE_PCM8, F32, "sse", kMmxSse, sse::float32ToPcm8},
    {TZSAMPLETYPE_PCM16, F32, "sse", kMmxSse, sse::float32ToPcm16},
    {TZSAMPLETYPE_PCM24, F32, "sse", kMmxSse, sse::float32ToPcm24},
    {F32, TZSAMPLETYPE_PCM16, "mmx-sse", kMmxSse, sse::pcm16ToFloat32},
    {TZSAMPLETYPE_PCM8, F32, "sse2", TZCPU_SSE | TZCPU_SSE2, sse2::float32ToPcm8},
    {TZSAMPLETYPE_PCM16, F32, "sse2", TZCPU_SSE | TZCPU_SSE2, sse2::float32ToPcm16},
    {TZSAMPLETYPE_PCM24, F32, "sse2", TZCPU_SSE | TZCPU_SSE2, sse2::float32ToPcm24},
    {TZSAMPLETYPE_PCM8, F64, "sse2", TZCPU_SSE2, sse2::float64ToPcm8},
    {TZSAMPLETYPE_PCM16, F64, "sse2", TZCPU_SSE2, sse2::float64ToPcm16},
    {TZSAMPLETYPE_PCM24, F64, "sse2", TZCPU_SSE2, sse2::float64ToPcm24},
    {F32, TZSAMPLETYPE_PCM16, "sse2", TZCPU_SSE2, sse2::pcm16ToFloat32},
    {F64, TZSAMPLETYPE_PCM16, "sse2", TZCPU_SSE2, sse2::pcm16ToFloat64},
    {F64, F32, "sse2", TZCPU_SSE | TZCPU_SSE2, sse2::float32ToFloat64},
    {F32, F64, "sse2", TZCPU_SSE | TZCPU_SSE2, sse2::float64ToFloat32},
    {F32, TZSAMPLETYPE_PCM16, "sse41", TZCPU_SSE41, sse41::pcm16ToFloat32},
};

// The pairs whose kernel follows the processor class; null means the baseline kernel. Class 6
// runs the SSE method for single-precision sources in SSE2 registers, with the same results.
struct ClassRow {
  TZSAMPLETYPE destination, source;
  CopyKernel byClass[4];  // classes 0-1, 2-4, 5, 6
};
constexpr ClassRow kClassRows[] = {
    {TZSAMPLETYPE_PCM8,
     F32,
     {nullptr, x87::float32ToPcm8, sse::float32ToPcm8, sse2::float32ToPcm8}},
    {TZSAMPLETYPE_PCM8,
     F64,
     {nullptr, x87::float64ToPcm8, x87::float64ToPcm8, sse2::float64ToPcm8}},
    {TZSAMPLETYPE_PCM16,
     F32,
     {nullptr, x87::float32ToPcm16, sse::float32ToPcm16, sse2::float32ToPcm16}},
    {TZSAMPLETYPE_PCM16,
     F64,
     {nullptr, x87::float64ToPcm16, x87::float64ToPcm16, sse2::float64ToPcm16}},
    {TZSAMPLETYPE_PCM24,
     F32,
     {nullptr, x87::float32ToPcm24, sse::float32ToPcm24, sse2::float32ToPcm24}},
    {TZSAMPLETYPE_PCM24,
     F64,
     {nullptr, x87::float64ToPcm24, x87::float64ToPcm24, sse2::float64ToPcm24}},
    {F32, TZSAMPLETYPE_PCM16, {nullptr, nullptr, sse::pcm16ToFloat32, sse2::pcm16ToFloat32}},
};

int classColumn() {
  const auto cpuClass = static_cast<int32_t>(TzGetCPUSupport(TZCPU_CLASS_MASK));
  if (cpuClass >= 6) return 3;
  if (cpuClass == 5) return 2;
  return cpuClass >= 2 ? 1 : 0;
}

bool is(TZSAMPLETYPE d, TZSAMPLETYPE s, TZSAMPLETYPE wantD, TZSAMPLETYPE wantS) {
  return d == wantD && s == wantS;
}

// The kernel that the flags choose ahead of, or instead of, the class table; null if none.
CopyKernel byFlags(TZSAMPLETYPE d, TZSAMPLETYPE s) {
  if (is(d, s, F32, TZSAMPLETYPE_PCM16) &&
      (TzGetOSSupport(TZCPU_SSE41) & TzGetCPUHardwareSupport(TZCPU_SSE41)) != 0)
    return sse41::pcm16ToFloat32;
  const DWORD flags = TzGetCPUSupport(0);
  const bool packed = (flags & TZCPU_SSE2) != 0 && (flags & TZCPU_SSE) != 0;
  if (packed && is(d, s, F32, F64)) return sse2::float64ToFloat32;
  if (packed && is(d, s, F64, F32)) return sse2::float32ToFloat64;
  if (is(d, s, F64, TZSAMPLETYPE_PCM16) && (TzGetCPUSupport(TZCPU_SIMD_MASK) & TZCPU_SSE2) != 0)
    return sse2::pcm16ToFloat64;
  return nullptr;
}

template <class DFormat, class SFormat>
HRESULT copy(const DFormat* df, void* d, const SFormat* sf, const void* s, long frames,
             float gain) {
  if (frames == 0) return S_OK;
  if (df == nullptr || d == nullptr || sf == nullptr || s == nullptr) return E_POINTER;
  if (frames < 0) return E_INVALIDARG;
  const CopyKernel kernel = TzAudio_GetCopyFunction2(typeOf(df), typeOf(sf));
  if (kernel == nullptr) return E_NOTIMPL;
  kernel(d, s, static_cast<long>(sf->nChannels) * frames, gain);
  return S_OK;
}

}  // namespace

std::span<const CopyVariant> copyVariants() {
  return kVariants;
}

uint32_t flushBitsForIntegerOutput() {
  constexpr uint32_t kFlushToZero = 0x8000, kDenormalsAreZero = 0x40;
  return (TzGetCPUSupport(TZCPU_DAZ) & TZCPU_DAZ) != 0 ? kFlushToZero | kDenormalsAreZero : 0;
}

}  // namespace tz::audio

using namespace tz::audio;

TZAUDIOCOPYPROC TZ_STDCALL TzAudio_GetCopyFunction2(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  const CopyKernel scalar = scalarCopyKernel(destination, source);
  if (scalar == nullptr) return nullptr;
  if (const CopyKernel chosen = byFlags(destination, source)) return chosen;
  for (const ClassRow& row : kClassRows) {
    if (row.destination == destination && row.source == source) {
      const CopyKernel chosen = row.byClass[classColumn()];
      return chosen != nullptr ? chosen : scalar;
    }
  }
  return scalar;
}

TZAUDIOCOPYPROC TZ_STDCALL TzAudio_GetCopyFunction(const WAVEFORMATEX* d, const WAVEFORMATEX* s) {
  return TzAudio_GetCopyFunction2(typeOf(d), typeOf(s));
}
TZAUDIOCOPYPROC TZ_STDCALL TzAudio_GetCopyFunction(const WAVEFORMATEX* d, const _tzwaveformat* s) {
  return TzAudio_GetCopyFunction2(typeOf(d), typeOf(s));
}
TZAUDIOCOPYPROC TZ_STDCALL TzAudio_GetCopyFunction(const _tzwaveformat* d, const WAVEFORMATEX* s) {
  return TzAudio_GetCopyFunction2(typeOf(d), typeOf(s));
}

HRESULT TZ_STDCALL TzAudio_Copy(const WAVEFORMATEX* df, void* d, const WAVEFORMATEX* sf,
                                const void* s, long frames, float gain) {
  return copy(df, d, sf, s, frames, gain);
}
HRESULT TZ_STDCALL TzAudio_Copy(const _tzwaveformat* df, void* d, const _tzwaveformat* sf,
                                const void* s, long frames, float gain) {
  return copy(df, d, sf, s, frames, gain);
}
HRESULT TZ_STDCALL TzAudio_Copy(const _tzwaveformat* df, void* d, const WAVEFORMATEX* sf,
                                const void* s, long frames, float gain) {
  return copy(df, d, sf, s, frames, gain);
}
HRESULT TZ_STDCALL TzAudio_Copy(const WAVEFORMATEX* df, void* d, const _tzwaveformat* sf,
                                const void* s, long frames, float gain) {
  return copy(df, d, sf, s, frames, gain);
}
