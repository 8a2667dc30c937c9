// The process-wide processor-support state and its exports. Atomics without a lock: two
// threads that detect at once store the same values, and the setters are start-up calls.
#include <atomic>

#include "support/audio/cpu_support_internal.h"
#include "tz/cpu_support.h"

namespace tz::audio {
namespace {

constexpr uint32_t kAllBits = 0xFFFFFFFF;

std::atomic<bool> detected{false};
std::atomic<uint32_t> processors{1};
std::atomic<uint32_t> classAndUsable{0};
std::atomic<uint32_t> hardware{0};
std::atomic<uint32_t> os{0};
std::atomic<uint32_t> allowed{kAllBits};
std::atomic<uint32_t> classOverride{0};
// Bumped by every change of the state above, for the caches of what was chosen from it.
std::atomic<uint32_t> generation{1};

void store(const DetectedCpu& cpu) {
  processors.store(cpu.processorCount, std::memory_order_relaxed);
  classAndUsable.store(cpu.cpuClass | cpu.usable, std::memory_order_relaxed);
  hardware.store(cpu.hardware, std::memory_order_relaxed);
  os.store(cpu.os, std::memory_order_relaxed);
  detected.store(true, std::memory_order_release);
  generation.fetch_add(1);
}

uint32_t allIfZero(DWORD mask) {
  return mask == 0 ? kAllBits : static_cast<uint32_t>(mask);
}

}  // namespace

void initializeCpuSupport() {
  if (!detected.load(std::memory_order_acquire)) store(detectCpuSupport());
}

uint32_t cpuSupportGeneration() {
  initializeCpuSupport();
  return generation.load(std::memory_order_acquire);
}

void resetCpuSupportForTesting(const DetectedCpu* state) {
  allowed.store(kAllBits);
  classOverride.store(0);
  detected.store(false);
  generation.fetch_add(1);
  if (state != nullptr) store(*state);
}

}  // namespace tz::audio

using tz::audio::initializeCpuSupport;

DWORD TZ_STDCALL TzGetCPUSupport(DWORD mask) {
  initializeCpuSupport();
  using namespace tz::audio;
  // The class override is added whatever the mask; callers test the bits they asked for.
  return (allowed.load() & classAndUsable.load() & allIfZero(mask)) | classOverride.load();
}

DWORD TZ_STDCALL TzGetCPUHardwareSupport(DWORD mask) {
  initializeCpuSupport();
  using namespace tz::audio;
  return allowed.load() & hardware.load() & allIfZero(mask);
}

DWORD TZ_STDCALL TzGetOSSupport(DWORD mask) {
  initializeCpuSupport();
  return tz::audio::os.load() & tz::audio::allIfZero(mask);
}

DWORD TZ_STDCALL TzGetProcessorCount() {
  initializeCpuSupport();
  return tz::audio::processors.load();
}

BOOL TZ_STDCALL TzAllowCPUSupport(DWORD flags) {
  tz::audio::allowed.fetch_or(flags);
  tz::audio::generation.fetch_add(1);
  return TRUE;
}

BOOL TZ_STDCALL TzDisallowCPUSupport(DWORD flags) {
  tz::audio::allowed.fetch_and(~static_cast<uint32_t>(flags));
  tz::audio::generation.fetch_add(1);
  return TRUE;
}

BOOL TZ_STDCALL TzOnlyAllowCPUSupport(DWORD flags) {
  if ((flags & ~TZCPU_SIMD_MASK) != 0) return FALSE;
  uint32_t was = tz::audio::allowed.load();
  while (!tz::audio::allowed.compare_exchange_weak(was, (was & ~TZCPU_SIMD_MASK) | flags)) {
  }
  tz::audio::generation.fetch_add(1);
  return TRUE;
}

BOOL TZ_STDCALL TzSetCPUClassBySupport() {
  using namespace tz::audio;
  // The class follows what is both allowed and usable: allowed alone could name a class
  // whose kernels this processor cannot run.
  initializeCpuSupport();
  const uint32_t allowedNow = allowed.fetch_and(~TZCPU_CLASS_MASK) & ~TZCPU_CLASS_MASK;
  const uint32_t offered = allowedNow & classAndUsable.load() & TZCPU_SIMD_MASK;
  uint32_t cpuClass = 0;
  if (offered & TZCPU_MMX) cpuClass = 4;
  if (offered & TZCPU_SSE) cpuClass = 5;
  if (offered & TZCPU_SSE2) cpuClass = 6;
  classOverride.store(cpuClass);
  generation.fetch_add(1);
  return TRUE;
}
