// The crash report: the exception, the module it happened in, the thread, the registers, the
// code at the instruction pointer and the stack. It is written after a fault, possibly in a
// signal handler, so nothing here allocates, locks or reaches the locale: the modules come
// from a snapshot of the address space on the stack, and every byte of the caller's records
// and of the memory shown is read through the probe, so garbage pointers give dots, not a
// second fault.
#include "support/core/crash_report.h"
#include "support/platform/loaded_image.h"
#include "support/platform/memory_probe.h"
#include "support/platform/this_thread.h"
#include "tz/error_handler.h"

namespace tz::core {
namespace {

enum Section : DWORD {
  kException = 0x01,
  kModule = 0x02,
  kRegisters = 0x04,
  kCode = 0x08,
  kStack = 0x10,
  kThread = 0x20,
  kAllSections = 0x3F,
};

constexpr size_t kCodeBytes = 16;
constexpr size_t kMaxThreadName = 128;
constexpr uintptr_t kPageBytes = 4096;

// The outside crash-report module's entry, called with the exception before the report.
using ErrorReportHook = void(TZ_CALLBACK*)(EXCEPTION_POINTERS* pointers);

// What the caller's pointers lead to, copied through the probe.
struct Exception {
  bool hasRecord = false;
  bool hasContext = false;
  EXCEPTION_RECORD record{};
  CONTEXT context{};
};

Exception readException(const EXCEPTION_POINTERS* pointers) {
  Exception read;
  EXCEPTION_POINTERS given{};
  if (!platform::readMemory(&given, pointers, sizeof given)) return read;
  read.hasRecord = platform::readMemory(&read.record, given.ExceptionRecord, sizeof read.record);
  // The registers end where the extended area begins; a caller's record may stop there.
  read.hasContext = platform::readMemory(&read.context, given.ContextRecord,
                                         offsetof(CONTEXT, ExtendedRegisters));
  return read;
}

void callErrorReportHook(const platform::ModuleMap& modules, const EXCEPTION_POINTERS* pointers) {
  const platform::LoadedModule* module = modules.findByStem("ErrorReport");
  if (module == nullptr) return;
  const void* entry = platform::findStdcallImageSymbol(
      module->base, "ErrorReport_UnmanagedException", sizeof(EXCEPTION_POINTERS*));
  if (entry == nullptr) return;
  reinterpret_cast<ErrorReportHook>(const_cast<void*>(entry))(
      const_cast<EXCEPTION_POINTERS*>(pointers));
}

void exceptionLine(ReportWriter& out, const EXCEPTION_RECORD& record) {
  out.append("Exception 0x");
  out.hexTrimmed(record.ExceptionCode);
  out.append(" (");
  out.append(exceptionName(record.ExceptionCode));
  out.put(')');
  if (record.NumberParameters == 2) {
    // Only 1 is a write: an execute access (8, a fetch from a page that may not run) reads.
    out.append(record.ExceptionInformation[0] == 1 ? " WRITE:0x" : " READ:0x");
    out.hex(record.ExceptionInformation[1], 8);
  }
  out.append(" IP:0x");
  out.hex(reinterpret_cast<uintptr_t>(record.ExceptionAddress), 8);
  out.append("\r\n");
}

void moduleLine(ReportWriter& out, const EXCEPTION_RECORD& record,
                const platform::ModuleMap& modules) {
  const auto address = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
  const platform::LoadedModule* module = modules.find(address);
  if (module == nullptr) return;
  out.append("In Module '");
  out.append(module->name);
  out.append("' at Address 0x");
  out.hex(module->base, 8);
  out.append(" + 0x");
  out.hex(address - module->base, 8);
  out.append("\r\n");
}

// The caller's thread name, read a page at a time up to its end or kMaxThreadName bytes.
void threadName(ReportWriter& out, const char* name) {
  auto at = reinterpret_cast<uintptr_t>(name);
  for (size_t taken = 0; name != nullptr && taken < kMaxThreadName;) {
    char chunk[kMaxThreadName];
    const uintptr_t toPageEnd = kPageBytes - (at & (kPageBytes - 1));
    const size_t n = kMaxThreadName - taken < toPageEnd ? kMaxThreadName - taken : toPageEnd;
    if (!platform::readMemory(chunk, reinterpret_cast<const void*>(at), n)) return;
    for (size_t i = 0; i < n; ++i) {
      if (chunk[i] == '\0') return;
      out.put(chunk[i]);
    }
    taken += n;
    at += n;
  }
}

void threadLine(ReportWriter& out, const char* name, const platform::StackRegion& stack) {
  out.append("Thread: ");
  threadName(out, name);
  out.append(" ID=0x");
  out.hexTrimmed(platform::currentThreadIdUncached());
  out.append(" Stack=");
  if (stack.known()) {
    out.append("0x");
    out.hex(stack.low, 8);
    out.append("-0x");
    out.hex(stack.high, 8);
  }
  out.append("\r\n");
}

// " NAME=value" with the value in lower-case hex of the given width.
void reg(ReportWriter& out, const char* name, DWORD value, int digits) {
  out.put(' ');
  out.append(name);
  out.put('=');
  out.hexLower(value, digits);
}

void registerLines(ReportWriter& out, const CONTEXT& c) {
  if (!out.startLine()) return;
  out.append("Registers:\r\n");
  const struct {
    const char* names[4];
    DWORD values[4];
    int digits[4];
  } rows[] = {
      {{"EAX", "CS", "EIP", "EFLGS"}, {c.Eax, c.SegCs, c.Eip, c.EFlags}, {8, 4, 8, 8}},
      {{"EBX", "SS", "ESP", "EBP"}, {c.Ebx, c.SegSs, c.Esp, c.Ebp}, {8, 4, 8, 8}},
      {{"ECX", "DS", "ESI", "FS"}, {c.Ecx, c.SegDs, c.Esi, c.SegFs}, {8, 4, 8, 4}},
      {{"EDX", "ES", "EDI", "GS"}, {c.Edx, c.SegEs, c.Edi, c.SegGs}, {8, 4, 8, 4}},
  };
  for (const auto& row : rows) {
    if (!out.startLine()) return;
    for (int i = 0; i < 4; ++i) reg(out, row.names[i], row.values[i], row.digits[i]);
    out.append("\r\n");
  }
}

LONG writeCrashReport(char* buffer, LONG size, const char* name, const EXCEPTION_POINTERS* pointers,
                      DWORD mask) {
  platform::ModuleMap modules;
  modules.load();
  if (pointers != nullptr) callErrorReportHook(modules, pointers);
  if (buffer == nullptr || size <= 0) return 0;
  ReportWriter out(buffer, static_cast<size_t>(size));
  if (mask == 0) mask = kAllSections;
  const Exception exception = readException(pointers);
  const platform::StackRegion stack = platform::currentThreadStack();
  if ((mask & kException) && exception.hasRecord && out.startLine())
    exceptionLine(out, exception.record);
  if ((mask & kModule) && exception.hasRecord && out.startLine())
    moduleLine(out, exception.record, modules);
  if ((mask & kThread) && out.startLine()) threadLine(out, name, stack);
  if ((mask & kRegisters) && exception.hasContext) registerLines(out, exception.context);
  if ((mask & kCode) && exception.hasContext && out.startLine()) {
    out.append("Bytes at CS:EIP:\r\n");
    dumpBytes(out, exception.context.Eip, kCodeBytes);
  }
  if ((mask & kStack) && exception.hasContext && out.startLine()) {
    out.append("Stack Dump:\r\n");
    writeStackDump(out, exception.context.Esp, stack, modules);
  }
  return static_cast<LONG>(out.length());
}

}  // namespace
}  // namespace tz::core

TZAPI(LONG)
TzErrorHandler_DumpExceptionRecord(char* buffer, LONG size, const char* threadName,
                                   const EXCEPTION_POINTERS* pointers, DWORD mask) {
  return tz::core::writeCrashReport(buffer, size, threadName, pointers, mask);
}
