// What a kernel asks of the processor before it may run: the kernel table's rows choose by
// these conditions, and the format-copy self-test's nodes run by them.
#pragma once

#include <cstdint>

#include "tz/win_types.h"

namespace tz::audio {

// A class range (the float-to-integer pairs and 16-bit to float follow the processor class),
// or flags the library may use (TzGetCPUSupport), or flags both the processor and the system
// offer (SSE4.1, which the class table never names).
struct KernelCondition {
  enum Kind : uint8_t { Class, Flags, SystemFlags } kind;
  DWORD minClass, maxClass;  // Class
  DWORD flags;               // Flags, SystemFlags

  // Whether it holds at this class; the flags are read from the processor-support state.
  bool holdsAt(DWORD cpuClass) const;
};

constexpr KernelCondition byClass(DWORD min, DWORD max = 0xF) {
  return {KernelCondition::Class, min, max, 0};
}
constexpr KernelCondition withFlags(DWORD flags) {
  return {KernelCondition::Flags, 0, 0, flags};
}
constexpr KernelCondition withSystemFlags(DWORD flags) {
  return {KernelCondition::SystemFlags, 0, 0, flags};
}

// The processor class the kernel choices follow: TzGetCPUSupport's class bits.
DWORD currentCpuClass();

}  // namespace tz::audio
