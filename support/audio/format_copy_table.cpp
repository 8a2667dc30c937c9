// Choosing a format-copy kernel for this processor, and the format-copy exports: one table of
// kernels, best first, each with what it asks of the processor. Adding a kernel is adding a
// row. The choice is made at look-up; TzAudio_Copy keeps what it looked up.
#include <atomic>
#include <iterator>

#include "support/audio/copy_variants.h"
#include "support/audio/cpu_support_internal.h"
#include "support/audio/format_type.h"
#include "tz/cpu_support.h"

namespace tz::audio {
namespace {

constexpr auto F32 = TZSAMPLETYPE_FLOAT32, F64 = TZSAMPLETYPE_FLOAT64;
constexpr auto P8 = TZSAMPLETYPE_PCM8, P16 = TZSAMPLETYPE_PCM16, P24 = TZSAMPLETYPE_PCM24;
constexpr DWORD kMmxSse = TZCPU_MMX | TZCPU_SSE, kSseSse2 = TZCPU_SSE | TZCPU_SSE2;

// What a row asks of the processor: a class range (the float-to-integer pairs and 16-bit to
// float follow the processor class), or flags the library may use (TzGetCPUSupport), or
// flags both the processor and the system offer (SSE4.1, which the class table never names).
struct Condition {
  enum Kind : uint8_t { Class, Flags, SystemFlags } kind;
  DWORD minClass, maxClass;  // Class
  DWORD flags;               // Flags, SystemFlags
};
constexpr Condition byClass(DWORD min, DWORD max = 0xF) {
  return {Condition::Class, min, max, 0};
}
constexpr Condition withFlags(DWORD flags) {
  return {Condition::Flags, 0, 0, flags};
}
constexpr Condition withSystemFlags(DWORD flags) {
  return {Condition::SystemFlags, 0, 0, flags};
}

struct KernelRow {
  CopyVariant variant;  // pair, name, the flags a test needs to run it, kernel
  Condition condition;
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

bool holds(const Condition& condition) {
  switch (condition.kind) {
    case Condition::Class: {
      const DWORD cpuClass = TzGetCPUSupport(TZCPU_CLASS_MASK) & TZCPU_CLASS_MASK;
      return cpuClass >= condition.minClass && cpuClass <= condition.maxClass;
    }
    case Condition::Flags:
      return (TzGetCPUSupport(condition.flags) & condition.flags) == condition.flags;
    case Condition::SystemFlags:
      return (TzGetOSSupport(condition.flags) & TzGetCPUHardwareSupport(condition.flags)) ==
             condition.flags;
  }
  return false;
}

// The variants, in table order, for the tests and benchmarks.
struct VariantList {
  CopyVariant items[std::size(kKernels)];
  constexpr VariantList() : items() {
    for (size_t i = 0; i < std::size(kKernels); ++i) items[i] = kKernels[i].variant;
  }
};
constexpr VariantList kVariants;

// TzAudio_Copy's cache of looked-up kernels, one word per pair: the processor-support state's
// generation in the high half and the kernel in the low, so that a change of the allowed
// instruction sets (a start-up call) makes every entry stale at once.
constexpr TZSAMPLETYPE kCachedTypes[] = {
    TZSAMPLETYPE_PCM8,    TZSAMPLETYPE_PCM16,   TZSAMPLETYPE_PCM24,     TZSAMPLETYPE_PCM32,
    TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_FLOAT64, TZSAMPLETYPE_PCM24IN32, TZSAMPLETYPE_PCM8S,
    TZSAMPLETYPE_PCM16BE, TZSAMPLETYPE_PCM24BE, TZSAMPLETYPE_PCM32BE,   TZSAMPLETYPE_WIDE16,
    TZSAMPLETYPE_WIDE24};
constexpr size_t kCachedCount = std::size(kCachedTypes);
static_assert(sizeof(CopyKernel) == 4 && std::atomic<uint64_t>::is_always_lock_free);
std::atomic<uint64_t> kernelCache[kCachedCount * kCachedCount];

// The cache slot of a pair; null for a type outside the list.
std::atomic<uint64_t>* cacheSlot(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  size_t d = kCachedCount, s = kCachedCount;
  for (size_t i = 0; i < kCachedCount; ++i) {
    if (kCachedTypes[i] == destination) d = i;
    if (kCachedTypes[i] == source) s = i;
  }
  return d < kCachedCount && s < kCachedCount ? &kernelCache[d * kCachedCount + s] : nullptr;
}

CopyKernel cachedKernel(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  std::atomic<uint64_t>* slot = cacheSlot(destination, source);
  if (slot == nullptr) return TzAudio_GetCopyFunction2(destination, source);
  const uint32_t generation = cpuSupportGeneration();
  const uint64_t entry = slot->load(std::memory_order_acquire);
  if (entry != 0 && static_cast<uint32_t>(entry >> 32) == generation)
    return reinterpret_cast<CopyKernel>(static_cast<uintptr_t>(static_cast<uint32_t>(entry)));
  const CopyKernel kernel = TzAudio_GetCopyFunction2(destination, source);
  if (kernel != nullptr)
    slot->store(uint64_t{generation} << 32 | reinterpret_cast<uintptr_t>(kernel),
                std::memory_order_release);
  return kernel;
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
  const CopyKernel scalar = scalarCopyKernel(destination, source);
  if (scalar == nullptr) return nullptr;
  for (const KernelRow& row : kKernels)
    if (row.variant.destination == destination && row.variant.source == source &&
        holds(row.condition))
      return row.variant.kernel;
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
