// Processor-support detection: the flag and class rules over a processor identity, and
// what this machine reports.
#include <cpuid.h>
#include <xmmintrin.h>

#include "support/audio/cpu_support_internal.h"
#include "support/platform/fault_guard.h"
#include "support/platform/this_thread.h"
#include "tz/cpu_support.h"

namespace tz::audio {
namespace {

constexpr uint32_t bit(int n) {
  return uint32_t{1} << n;
}

constexpr uint32_t kFlushToZero = 0x8000;
constexpr uint32_t kDenormalsAreZero = 0x40;

void setControlBits(void* bits) {
  _mm_setcsr(_mm_getcsr() | *static_cast<uint32_t*>(bits));
}

bool canFlushDenormalsHere() {
  return probeControlRegister(kFlushToZero | kDenormalsAreZero);
}

// Raises the class one step, but only from the step below: an instruction set without its
// predecessors leaves the class where it was.
void raiseClass(DetectedCpu& cpu, uint32_t from) {
  if (cpu.cpuClass == from) cpu.cpuClass = from + 1;
}

}  // namespace

DetectedCpu computeCpuSupport(const ProcessorIdentity& identity, uint32_t processorCount,
                              uint32_t osPreserved, bool (*canFlushDenormals)()) {
  DetectedCpu cpu{processorCount, 0, 0, 0, 0};
  if (identity.processorType == kProcessorType486) cpu.cpuClass = 1;
  if (identity.processorType == kProcessorType586) cpu.cpuClass = 2;
  const bool identifies =
      identity.processorType == kProcessorType586 || identity.processorType == kProcessorTypeX8664;
  if (!identifies || identity.highestLeaf < 1) return cpu;

  const uint32_t edx = identity.leaf1Edx;
  const uint32_t ecx = identity.leaf1Ecx;
  auto offer = [&](uint32_t flag, bool inOs, bool inUsable) {
    cpu.hardware |= flag;
    if (inOs) cpu.os |= flag & osPreserved;
    if (inUsable) cpu.usable |= flag;
  };
  if (edx & bit(4)) offer(TZCPU_TSC, false, true);
  if (edx & bit(15)) {
    offer(TZCPU_CMOV, false, true);
    if (edx & bit(0)) {
      offer(TZCPU_FPU_CMOV, false, true);
      cpu.cpuClass = 3;
    }
  }
  if (edx & bit(23)) {
    offer(TZCPU_MMX, true, true);
    raiseClass(cpu, 3);
  }
  if (edx & bit(25)) {
    offer(TZCPU_SSE, true, true);
    raiseClass(cpu, 4);
    offer(TZCPU_DAZ, false, true);
    if (!canFlushDenormals()) cpu.usable &= ~TZCPU_DAZ;
  }
  if (edx & bit(26)) {
    offer(TZCPU_SSE2, true, true);
    raiseClass(cpu, 5);
  }
  if (ecx & bit(0)) offer(TZCPU_SSE3, true, (osPreserved & TZCPU_SSE3) != 0);
  // The later sets are reported but never chosen through the usable flags: their kernels
  // check hardware and system support themselves.
  if (ecx & bit(9)) offer(TZCPU_SSSE3, true, false);
  if (ecx & bit(19)) offer(TZCPU_SSE41, true, false);
  if (ecx & bit(20)) offer(TZCPU_SSE42, true, false);
  return cpu;
}

ProcessorIdentity readProcessorIdentity() {
  // The library is built for i686, which always has the identification instruction; the
  // system reports such a processor as a 586.
  ProcessorIdentity identity{kProcessorType586, static_cast<uint32_t>(__get_cpuid_max(0, nullptr)),
                             0, 0};
  if (identity.highestLeaf >= 1) {
    unsigned eax, ebx, ecx, edx;
    __cpuid(1, eax, ebx, ecx, edx);
    identity.leaf1Edx = edx;
    identity.leaf1Ecx = ecx;
  }
  return identity;
}

bool probeControlRegister(uint32_t bits) {
  const unsigned previous = _mm_getcsr();
  const bool written = platform::runCatchingFaults(setControlBits, &bits);
  // New threads inherit the register from their creator, so a mode left on here would
  // spread to every thread the host starts later. After a fault the register holds
  // whatever the fault handler left, so it is put back in both cases.
  _mm_setcsr(previous);
  return written;
}

DetectedCpu detectCpuSupport() {
  // Every system this library runs on saves the vector registers it knows of.
  return computeCpuSupport(readProcessorIdentity(), platform::processorCount(), TZCPU_SIMD_MASK,
                           canFlushDenormalsHere);
}

}  // namespace tz::audio
