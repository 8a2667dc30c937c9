// Processor-support detection behind the exports, split so that every rule can be checked
// against made-up processors: a pure computation from what the system reports, the real
// machine's identity and control-register probe, and the process-wide state.
#pragma once

#include <cstdint>

#include "tz/export.h"
#include "tz/win_types.h"

// Allowed AND what the processor reports AND mask, without the class; 0 means all bits.
// The library's own kernel tables use it; it is not exported.
extern "C" DWORD TZ_STDCALL TzGetCPUHardwareSupport(DWORD mask);

namespace tz::audio {

// Processor types as the system names them.
constexpr uint32_t kProcessorType486 = 486;
constexpr uint32_t kProcessorType586 = 586;
constexpr uint32_t kProcessorTypeX8664 = 8664;

struct ProcessorIdentity {
  uint32_t processorType;  // one of the above; anything else is unidentified
  uint32_t highestLeaf;    // identification leaf 0, EAX
  uint32_t leaf1Edx;
  uint32_t leaf1Ecx;
};

// Changes whenever anything a kernel choice depends on changes (detection, the allowed
// instruction sets, the class override), so that a cache of choices can tell it is stale.
uint32_t cpuSupportGeneration();

struct DetectedCpu {
  uint32_t processorCount;
  uint32_t cpuClass;  // 0..6
  uint32_t usable;    // offered by the processor and usable by the library
  uint32_t hardware;  // reported by the processor
  uint32_t os;        // instruction sets whose registers the system preserves
};

// The detected state. osPreserved holds the instruction-set flags whose registers the
// system saves; canFlushDenormals is called only when SSE is present and says whether
// flush-to-zero and denormals-are-zero could be switched on.
DetectedCpu computeCpuSupport(const ProcessorIdentity& identity, uint32_t processorCount,
                              uint32_t osPreserved, bool (*canFlushDenormals)());

ProcessorIdentity readProcessorIdentity();

// The detected state of this machine; probes the control register in the calling thread.
DetectedCpu detectCpuSupport();

// Sets bits in this thread's SSE control register under the fault guard, then puts the
// previous value back. False if the write faulted.
bool probeControlRegister(uint32_t bits);

// Runs detection on this machine if it has not run. The library's load calls it.
void initializeCpuSupport();

// Test seam: back to the state of a fresh process (everything allowed, no class override,
// not detected), or, given a state, as if detection had produced it.
void resetCpuSupportForTesting(const DetectedCpu* detected = nullptr);

}  // namespace tz::audio
