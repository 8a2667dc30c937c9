// Choosing a format-copy kernel for this processor, and the format-copy exports: one table of
// kernels, best first, each with what it asks of the processor. Adding a kernel is adding a
// row. The choice is made at look-up; TzAudio_Copy keeps what it looked up.
#include <atomic>
#include <iterator>

#include "support/audio/copy_variants.h"
#include "support/audio/cpu_support_internal.h"
#include "support/audio/format_type.h"
#include "support/audio/kernel_condition.h"
#include "support/audio/pair_table.h"
#include "tz/cpu_support.h"

namespace tz::audio {
namespace {

constexpr auto F32 = TZSAMPLETYPE_FLOAT32, F64 = TZSAMPLETYPE_FLOAT64;
constexpr auto P8 = TZSAMPLETYPE_PCM8, P16 = TZSAMPLETYPE_PCM16, P24 = TZSAMPLETYPE_PCM24;
constexpr DWORD kMmxSse = TZCPU_MMX | TZCPU_SSE, kSseSse2 = TZCPU_SSE | TZCPU_SSE2;

struct KernelRow {
  CopyVariant variant;  // pair, name, the flags a test needs to run it, kernel
  KernelCondition condition;
};

// Best first within each pair; a pair without a row that holds takes its baseline kernel.
// Class 6 runs the SSE float-to-integer method in SSE2 registers, with the same results.
constexpr KernelRow kKernels[] = {
    {{P8, F32, "sse2", kSseSse2, sse2::float32ToPcm8}, byClass(6)},
    {{P8, F32, "sse", kMmxSse, sse::float32ToPcm8}, byClass(5, 5)},
    {{P8, F32, "x87", 0, x87::float32ToPcm8}, byClass(2, 4)},
    {{P16, F32, "sse2", kSseSse2, sse2::float32ToPcm16}, byClass(6)},
    {{P16, F32, "sse", kMmxSse, sse::float32ToPcm16}, byClass(5, 5)},
    {{P16, F32, "x87", 0, x87::float32ToPcm16}, byClass(2, 4)},
    {{P24, F32, "sse2", kSseSse2, sse2::float32ToPcm24}, byClass(6)},
    {{P24, F32, "sse", kMmxSse, sse::float32ToPcm24}, byClass(5, 5)},
    {{P24, F32, "x87", 0, x87::float32ToPcm24}, byClass(2, 4)},
    {{P8, F64, "sse2", TZCPU_SSE2, sse2::float64ToPcm8}, byClass(6)},
    {{P8, F64, "x87", 0, x87::float64ToPcm8}, byClass(2, 5)},
    {{P16, F64, "sse2", TZCPU_SSE2, sse2::float64ToPcm16}, byClass(6)},
    {{P16, F64, "x87", 0, x87::float64ToPcm16}, byClass(2, 5)},
    {{P24, F64, "sse2", TZCPU_SSE2, sse2::float64ToPcm24}, byClass(6)},
    {{P24, F64, "x87", 0, x87::float64ToPcm24}, byClass(2, 5)},
    {{F32, P16, "sse41", TZCPU_SSE41, sse41::pcm16ToFloat32}, withSystemFlags(TZCPU_SSE41)},
    {{F32, P16, "sse2", TZCPU_SSE2, sse2::pcm16ToFloat32}, byClass(6)},
    {{F32, P16, "mmx-sse", kMmxSse, sse::pcm16ToFloat32}, byClass(5, 5)},
    {{F64, P16, "sse2", TZCPU_SSE2, sse2::pcm16ToFloat64}, withFlags(TZCPU_SSE2)},
    {{F64, F32, "sse2", kSseSse2, sse2::float32ToFloat64}, withFlags(kSseSse2)},
    {{F32, F64, "sse2", kSseSse2, sse2::float64ToFloat32}, withFlags(kSseSse2)},
};

// The variants, in table order, for the tests and benchmarks.
struct VariantList {
  CopyVariant items[std::size(kKernels)];
  constexpr VariantList() : items() {
    for (size_t i = 0; i < std::size(kKernels); ++i) items[i] = kKernels[i].variant;
  }
};
constexpr VariantList kVariants;

// TzAudio_Copy's cache of its choices, one 32-bit word per pair: the processor-support
// state's generation (its low 16 bits) above the choice (a row of kKernels + 1, kScalar for the
// baseline kernel, 0 for none yet), so that a change of the allowed instruction sets (a
// start-up call) makes every entry stale at once. One word, so that it is read whole.
constexpr uint32_t kScalar = 0xFFFF;
std::atomic<uint32_t> choiceCache[kChannelTypeCount * kChannelTypeCount];

uint32_t choose(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  const DWORD cpuClass = currentCpuClass();
  for (size_t row = 0; row < std::size(kKernels); ++row) {
    const CopyVariant& v = kKernels[row].variant;
    if (v.destination == destination && v.source == source &&
        kKernels[row].condition.holdsAt(cpuClass))
      return static_cast<uint32_t>(row + 1);
  }
  return kScalar;
}

CopyKernel kernelOf(uint32_t choice, TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  return choice == kScalar ? baselineCopyKernel(destination, source)
                           : kKernels[choice - 1].variant.kernel;
}

CopyKernel cachedKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  const int d = typeIndex(destination), s = typeIndex(source);
  if (d < 0 || s < 0 || baselineCopyKernel(destination, source) == nullptr) return nullptr;
  std::atomic<uint32_t>& slot =
      choiceCache[static_cast<size_t>(d) * kChannelTypeCount + static_cast<size_t>(s)];
  const uint32_t generation = cpuSupportGeneration() << 16;
  const uint32_t entry = slot.load(std::memory_order_relaxed);
  if ((entry & 0xFFFF) != 0 && (entry & 0xFFFF0000) == generation)
    return kernelOf(entry & 0xFFFF, destination, source);
  const uint32_t choice = choose(destination, source);
  slot.store(generation | choice, std::memory_order_relaxed);
  return kernelOf(choice, destination, source);
}

template <class DFormat, class SFormat>
HRESULT copy(const DFormat* df, void* d, const SFormat* sf, const void* s, long frames,
             float gain) {
  if (frames == 0) return S_OK;
  if (df == nullptr || d == nullptr || sf == nullptr || s == nullptr) return E_POINTER;
  if (frames < 0) return E_INVALIDARG;
  const CopyKernel kernel = cachedKernel(typeOf(df), typeOf(sf));
  if (kernel == nullptr) return E_NOTIMPL;
  kernel(d, s, static_cast<long>(sf->nChannels) * frames, gain);
  return S_OK;
}

}  // namespace

std::span<const CopyVariant> copyVariants() {
  return kVariants.items;
}

uint32_t flushBitsForIntegerOutput() {
  constexpr uint32_t kFlushToZero = 0x8000, kDenormalsAreZero = 0x40;
  return (TzGetCPUSupport(TZCPU_DAZ) & TZCPU_DAZ) != 0 ? kFlushToZero | kDenormalsAreZero : 0;
}

}  // namespace tz::audio

using namespace tz::audio;

TZAUDIOCOPYPROC TZ_STDCALL TzAudio_GetCopyFunction2(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  if (baselineCopyKernel(destination, source) == nullptr) return nullptr;
  return kernelOf(choose(destination, source), destination, source);
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
