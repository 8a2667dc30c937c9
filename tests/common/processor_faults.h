// Processor faults raised for real by the crash tests, each at a known instruction and with a
// marker in ESI, written in assembly so that no sanitizer check runs first. What each becomes
// on this system is in fault_cases.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "memory_pages.h"

namespace tz::test {

constexpr uint32_t kFaultMarker = 0x5EED1234;

enum class Fault {
  CallNull,
  Read,
  Write,
  DivideByZero,
  FloatDivideByZero,
  IllegalInstruction,
  Breakpoint,
  StackOverflow
};

struct FaultCase {
  const char* name;
  Fault fault;
  uint32_t code;      // the exception code the guard reports
  int death;          // the status of a process that nobody's handler saves from it
  uint32_t access;    // an access violation's first parameter (0 read, 1 write, 8 execute)
  const char* bytes;  // the faulting instruction, as the report's hex dump shows it
};

}  // namespace tz::test

#include "fault_cases.h"

namespace tz::test {

inline const FaultCase* faultCase(std::string_view name) {
  for (const FaultCase& c : kFaultCases)
    if (name == c.name) return &c;
  return nullptr;
}

// Each frame keeps its bytes and the call is no tail call, so the recursion reaches the end of
// the stack.
__attribute__((noinline)) inline int recurseForever(int depth) {
  volatile char frame[256];
  if (depth < 0) return 0;  // never: depth only grows until the stack ends
  frame[depth & 255] = static_cast<char>(depth);
  return recurseForever(depth + 1) + frame[(depth * 7) & 255];
}

__attribute__((noinline)) inline void raiseFault(Fault fault) {
  const uintptr_t page = protectedPage();
  switch (fault) {
    case Fault::CallNull:
      asm volatile("movl %0, %%esi\n\tcall *%%eax" : : "i"(kFaultMarker), "a"(0) : "esi", "memory");
      break;
    case Fault::Read:
      asm volatile("movl (%%esi), %%eax" : : "S"(page), "a"(0) : "memory");
      break;
    case Fault::Write:
      asm volatile("movl $1, (%%esi)" : : "S"(page) : "memory");
      break;
    case Fault::DivideByZero:
      asm volatile("movl %0, %%esi\n\tdivl %%ecx"
                   :
                   : "i"(kFaultMarker), "a"(1), "d"(0), "c"(0)
                   : "esi");
      break;
    case Fault::FloatDivideByZero: {
      uint32_t unmasked = 0x1F80 & ~0x200u;  // the divide-by-zero exception unmasked
      asm volatile(
          "ldmxcsr %0\n\tmovl %1, %%esi\n\tmovd %%esi, %%xmm0\n\txorps %%xmm1, %%xmm1\n\t"
          "divss %%xmm1, %%xmm0"
          :
          : "m"(unmasked), "i"(kFaultMarker)
          : "esi", "xmm0", "xmm1");
      break;
    }
    case Fault::IllegalInstruction:
      asm volatile("movl %0, %%esi\n\tud2" : : "i"(kFaultMarker) : "esi");
      break;
    case Fault::Breakpoint:
      asm volatile("movl %0, %%esi\n\tint3" : : "i"(kFaultMarker) : "esi");
      break;
    case Fault::StackOverflow:
      recurseForever(0);
      break;
  }
}

}  // namespace tz::test
