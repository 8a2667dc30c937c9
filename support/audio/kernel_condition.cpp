// Kernel conditions against the processor-support state.
#include "support/audio/kernel_condition.h"

#include "support/audio/cpu_support_internal.h"
#include "tz/cpu_support.h"

namespace tz::audio {

bool KernelCondition::holdsAt(DWORD cpuClass) const {
  switch (kind) {
    case Class:
      return cpuClass >= minClass && cpuClass <= maxClass;
    case Flags:
      return (TzGetCPUSupport(flags) & flags) == flags;
    case SystemFlags:
      return (TzGetOSSupport(flags) & TzGetCPUHardwareSupport(flags)) == flags;
  }
  return false;
}

DWORD currentCpuClass() {
  return TzGetCPUSupport(TZCPU_CLASS_MASK) & TZCPU_CLASS_MASK;
}

}  // namespace tz::audio
