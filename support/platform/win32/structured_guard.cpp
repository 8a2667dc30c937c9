// An exception frame pushed on the thread's frame chain (fs:0) for the work's duration, as a
// compiler's __try would push one (MinGW's g++ has no __try). Its handler asks the filter and,
// when the filter ends the work, unwinds the frames inside the work (RtlUnwind) and jumps back
// to the guard's start. The filter, the unwind and the jump run on a stack of the guard's own.
#include "support/platform/win32/structured_guard.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace tz::platform {
namespace {

constexpr size_t kOwnStackBytes = 256 * 1024;
constexpr size_t kPageBytes = 4096;
constexpr DWORD kUnwinding = 0x2 | 0x4;  // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND
constexpr uintptr_t kChainEnd = ~uintptr_t{0};

struct Guard {
  // The system's frame record: the next frame, then the handler. Must come first.
  Guard* next;
  void* handler;
  SystemFilter filter;
  const char* name;
  char* stackTop;
  void* jump[5];  // __builtin_setjmp's buffer
  bool inFilter;
  // Declined by an inner guard: passed on here too. A frame between the two may take it
  // instead, so the fault's address is kept as well and a match is used up.
  const EXCEPTION_RECORD* passedOn;
  const void* passedAddress;
  DWORD code;
  // For the handler's run on the guard's stack.
  EXCEPTION_RECORD* record;
  CONTEXT* context;
};

bool processorFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_GUARD_PAGE:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case STATUS_FLOAT_MULTIPLE_FAULTS:
    case STATUS_FLOAT_MULTIPLE_TRAPS:
    case EXCEPTION_BREAKPOINT:
    case EXCEPTION_SINGLE_STEP:
    case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;
  }
}

// Calls run(argument) with the stack pointer at top; returns what run returns.
__attribute__((noinline)) LONG callOnStack(LONG (*run)(Guard*), Guard* argument, char* top) {
  LONG result;
  asm volatile(
      "movl %%esp, %%ebx\n\t"  // callee-saved: our stack pointer survives the call
      "movl %3, %%esp\n\t"
      "subl $12, %%esp\n\t"
      "pushl %2\n\t"
      "call *%1\n\t"
      "movl %%ebx, %%esp"
      : "=a"(result)
      : "r"(run), "r"(argument), "r"(top)
      : "ebx", "ecx", "edx", "memory", "cc");
  return result;
}

// The filter's answer; when it ends the work this does not return.
LONG askFilter(Guard* guard) {
  const EXCEPTION_POINTERS pointers{guard->record, guard->context};
  guard->inFilter = true;
  const LONG answer = guard->filter(&pointers, guard->name);
  guard->inFilter = false;
  if (answer != EXCEPTION_EXECUTE_HANDLER) return answer;
  guard->code = guard->record->ExceptionCode;
  // Unlinks every frame inside the work, calling their unwind handlers, and leaves ours first.
  RtlUnwind(guard, nullptr, guard->record, nullptr);
  __builtin_longjmp(guard->jump, 1);
}

EXCEPTION_DISPOSITION __cdecl onException(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                          void*) {
  auto* guard = static_cast<Guard*>(frame);
  const bool declinedInside =
      guard->passedOn == record && guard->passedAddress == record->ExceptionAddress;
  if (declinedInside) guard->passedOn = nullptr;
  if ((record->ExceptionFlags & kUnwinding) != 0 || guard->inFilter || declinedInside ||
      !processorFault(record->ExceptionCode))
    return ExceptionContinueSearch;
  guard->record = record;
  guard->context = context;
  if (guard->stackTop != nullptr) {
    callOnStack(askFilter, guard, guard->stackTop);
  } else {
    askFilter(guard);
  }
  // Declined: the guards around this one pass it on as well, to the host's frames.
  for (Guard* outer = guard->next;
       reinterpret_cast<uintptr_t>(outer) != kChainEnd && outer != nullptr; outer = outer->next)
    if (outer->handler == reinterpret_cast<void*>(&onException)) {
      outer->passedOn = record;
      outer->passedAddress = record->ExceptionAddress;
    }
  return ExceptionContinueSearch;
}

// A stack for the filter with an inaccessible page below it, kept for the guard's duration.
class OwnStack {
 public:
  bool allocate() {
    pages_ = static_cast<char*>(VirtualAlloc(nullptr, kOwnStackBytes + kPageBytes,
                                             MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    return pages_ != nullptr && VirtualProtect(pages_, kPageBytes, PAGE_NOACCESS, &old);
  }
  ~OwnStack() {
    if (pages_ != nullptr) VirtualFree(pages_, 0, MEM_RELEASE);
  }
  char* top() const { return pages_ + kPageBytes + kOwnStackBytes; }

 private:
  char* pages_ = nullptr;
};

// A handled stack overflow has spent the guard page at the stack's limit, and without one the
// thread's next overflow could not be reported; the page at the limit becomes the guard again.
void rearmStackGuard() {
  char* limit = nullptr;
  asm volatile("movl %%fs:%c1, %0" : "=r"(limit) : "i"(offsetof(NT_TIB, StackLimit)));
  DWORD old = 0;
  VirtualProtect(limit, kPageBytes, PAGE_READWRITE | PAGE_GUARD, &old);
}

// Kept out of the caller so that nothing the work changes lives in the frame that
// __builtin_setjmp saved.
__attribute__((noinline)) bool runUntilFault(Guard& guard, void (*work)(void*), void* context) {
  if (__builtin_setjmp(guard.jump) != 0) return false;
  work(context);
  return true;
}

}  // namespace

GuardOutcome runUnderExceptionFrame(void (*work)(void*), void* context, SystemFilter filter,
                                    const char* name, bool ownStack) {
  OwnStack stack;
  if (ownStack && !stack.allocate()) return {PlatformError::NotEnoughMemory};
  Guard guard{};
  guard.handler = reinterpret_cast<void*>(&onException);
  guard.filter = filter;
  guard.name = name;
  guard.stackTop = ownStack ? stack.top() : nullptr;
  asm volatile("movl %%fs:0, %0" : "=r"(guard.next));
  asm volatile("movl %0, %%fs:0" : : "r"(&guard) : "memory");
  GuardOutcome outcome;
  if (!runUntilFault(guard, work, context)) {
    outcome.ended = true;
    outcome.code = guard.code;
  }
  asm volatile("movl %0, %%fs:0" : : "r"(guard.next) : "memory");
  if (outcome.code == EXCEPTION_STACK_OVERFLOW) rearmStackGuard();
  return outcome;
}

}  // namespace tz::platform
