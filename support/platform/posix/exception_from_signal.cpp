// The codes follow what the original platform raises for the same instruction: the kernel's
// trap number and page-fault error code tell a write from a read and a protection fault from
// a page fault; the fault address below the stack tells a stack overflow.
#include "support/platform/posix/exception_from_signal.h"

#include <sys/ucontext.h>

#include <cstring>

#include "support/platform/memory_probe.h"

namespace tz::platform {
namespace {

constexpr int kTrapProtection = 13;  // general protection: no address the program chose
constexpr int kTrapBreakpoint = 3;
constexpr uint32_t kPageFaultWrite = 0x2;
constexpr uintptr_t kStackOverflowReach = 64 * 1024;  // how far below the stack a fault counts
constexpr uint32_t kFxsrMagic = 0;                    // the frame carries an FXSAVE image too
constexpr size_t kLegacyFpBytes = 112;

DWORD codeOf(int signal, int code) {
  switch (signal) {
    case SIGILL:
      return code == ILL_PRVOPC || code == ILL_PRVREG ? EXCEPTION_PRIV_INSTRUCTION
                                                      : EXCEPTION_ILLEGAL_INSTRUCTION;
    case SIGFPE:
      switch (code) {
        case FPE_INTDIV:
          return EXCEPTION_INT_DIVIDE_BY_ZERO;
        case FPE_INTOVF:
          return EXCEPTION_INT_OVERFLOW;
        case FPE_FLTDIV:
          return EXCEPTION_FLT_DIVIDE_BY_ZERO;
        case FPE_FLTOVF:
          return EXCEPTION_FLT_OVERFLOW;
        case FPE_FLTUND:
          return EXCEPTION_FLT_UNDERFLOW;
        case FPE_FLTRES:
          return EXCEPTION_FLT_INEXACT_RESULT;
        case FPE_FLTSUB:
          return EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
        default:
          return EXCEPTION_FLT_INVALID_OPERATION;
      }
    case SIGBUS:
      return code == BUS_ADRALN ? EXCEPTION_DATATYPE_MISALIGNMENT : EXCEPTION_IN_PAGE_ERROR;
    case SIGTRAP:
      return code == TRAP_TRACE ? EXCEPTION_SINGLE_STEP : EXCEPTION_BREAKPOINT;
    default:
      return EXCEPTION_ACCESS_VIOLATION;
  }
}

void fillContext(const ucontext_t& machine, CONTEXT& context) {
  const greg_t* r = machine.uc_mcontext.gregs;
  const auto word = [](greg_t value) { return static_cast<DWORD>(value); };
  const auto segment = [](greg_t value) { return static_cast<DWORD>(value) & 0xFFFF; };
  context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER | CONTEXT_SEGMENTS;
  context.SegGs = segment(r[REG_GS]);
  context.SegFs = segment(r[REG_FS]);
  context.SegEs = segment(r[REG_ES]);
  context.SegDs = segment(r[REG_DS]);
  context.Edi = word(r[REG_EDI]);
  context.Esi = word(r[REG_ESI]);
  context.Ebx = word(r[REG_EBX]);
  context.Edx = word(r[REG_EDX]);
  context.Ecx = word(r[REG_ECX]);
  context.Eax = word(r[REG_EAX]);
  context.Ebp = word(r[REG_EBP]);
  context.Eip = word(r[REG_EIP]);
  context.SegCs = segment(r[REG_CS]);
  context.EFlags = word(r[REG_EFL]);
  context.Esp = word(r[REG_ESP]);
  context.SegSs = segment(r[REG_SS]);

  // The floating-point state: the legacy save area, then the FXSAVE image when the frame has one.
  _libc_fpstate fp;
  if (machine.uc_mcontext.fpregs == nullptr ||
      !readMemory(&fp, machine.uc_mcontext.fpregs, sizeof fp))
    return;
  FLOATING_SAVE_AREA& save = context.FloatSave;
  save.ControlWord = fp.cw;
  save.StatusWord = fp.sw;
  save.TagWord = fp.tag;
  save.ErrorOffset = fp.ipoff;
  save.ErrorSelector = fp.cssel;
  save.DataOffset = fp.dataoff;
  save.DataSelector = fp.datasel;
  static_assert(sizeof fp._st == sizeof save.RegisterArea);
  std::memcpy(save.RegisterArea, fp._st, sizeof save.RegisterArea);
  context.ContextFlags |= CONTEXT_FLOATING_POINT;
  const auto* extended =
      reinterpret_cast<const uint8_t*>(machine.uc_mcontext.fpregs) + kLegacyFpBytes;
  if (fp.status >> 16 == kFxsrMagic &&
      readMemory(context.ExtendedRegisters, extended, sizeof context.ExtendedRegisters))
    context.ContextFlags |= CONTEXT_EXTENDED_REGISTERS;
}

}  // namespace

bool raisedByProcessor(const siginfo_t& info) {
  // Codes above 0 come from the kernel (a trap, a fault); 0 and below from kill, sigqueue, tgkill.
  return info.si_code > 0;
}

void exceptionFromSignal(int signal, const siginfo_t& info, const void* machine,
                         const StackRegion& stack, EXCEPTION_RECORD& record, CONTEXT& context) {
  std::memset(&record, 0, sizeof record);
  std::memset(&context, 0, sizeof context);
  const auto& state = *static_cast<const ucontext_t*>(machine);
  fillContext(state, context);
  const greg_t trap = state.uc_mcontext.gregs[REG_TRAPNO];
  record.ExceptionCode = codeOf(signal, info.si_code);
  if (record.ExceptionCode == EXCEPTION_BREAKPOINT && trap == kTrapBreakpoint) {
    // The original platform reports the breakpoint instruction itself, not the one after it.
    uint8_t before = 0;
    if (readMemory(&before, reinterpret_cast<const void*>(context.Eip - 1), 1) && before == 0xCC)
      --context.Eip;
  }
  record.ExceptionAddress = reinterpret_cast<void*>(context.Eip);
  const auto address = reinterpret_cast<uintptr_t>(info.si_addr);
  if (signal == SIGSEGV || record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) {
    const bool write = (static_cast<uint32_t>(state.uc_mcontext.gregs[REG_ERR]) & kPageFaultWrite);
    const bool protection = signal == SIGSEGV && trap == kTrapProtection;
    record.NumberParameters = 2;
    record.ExceptionInformation[0] = write && !protection ? 1 : 0;
    // A protection fault has no address of the program's; the original platform shows all ones.
    record.ExceptionInformation[1] = protection ? 0xFFFFFFFF : address;
    if (signal == SIGSEGV && !protection && stack.known() && address < stack.low &&
        stack.low - address <= kStackOverflowReach)
      record.ExceptionCode = EXCEPTION_STACK_OVERFLOW;
  }
}

}  // namespace tz::platform
