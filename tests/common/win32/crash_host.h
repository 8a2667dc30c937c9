// The crash tests' stand-in for a host on structured exceptions: its own top-level filter, a
// software exception raised in guarded work, and what a guard may install (the thread's frame
// chain, the process's top-level filter).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tz/exception_record.h"

// The few system calls the stand-in makes, declared here: windows.h names its records as
// crash_guard.h does, and the two cannot meet in one source.
extern "C" {
__attribute__((dllimport, stdcall)) UINT SetErrorMode(UINT mode);
__attribute__((dllimport, stdcall)) void* SetUnhandledExceptionFilter(void* filter);
__attribute__((dllimport, stdcall)) void RaiseException(DWORD code, DWORD flags, DWORD count,
                                                        const ULONG_PTR* arguments);
__attribute__((dllimport, stdcall, noreturn)) void ExitProcess(UINT code);
}

namespace tz::test {

constexpr UINT kFailCriticalErrors = 0x0001;
constexpr UINT kNoFaultErrorBox = 0x0002;

// Environment entries for a peer that must die as nobody's handler saved it: none needed.
inline std::vector<std::string> quietPeerEnvironment() {
  return {};
}

// A crashing peer ends at once: no error box, no debugger started.
inline void quietCrashes() {
  SetErrorMode(kFailCriticalErrors | kNoFaultErrorBox);
}

constexpr DWORD kSentCode = 0xE0000043;

// A filter of the host's own: exit status 42 for a fault, 43 for the raised exception.
__attribute__((stdcall)) inline LONG hostFilter(EXCEPTION_POINTERS* pointers) {
  ExitProcess(pointers->ExceptionRecord->ExceptionCode == kSentCode ? 43 : 42);
}

inline void installHostHandler() {
  SetUnhandledExceptionFilter(reinterpret_cast<void*>(&hostFilter));
}

// An exception that no instruction raised.
inline void sendFaultSignal() {
  RaiseException(kSentCode, 0, 0, nullptr);
}

struct InstalledHandlers {
  void* frames = nullptr;
  void* filter = nullptr;
  void take() {
    asm volatile("movl %%fs:0, %0" : "=r"(frames));
    filter = SetUnhandledExceptionFilter(nullptr);
    SetUnhandledExceptionFilter(filter);
  }
};

// While work is guarded its frame heads the thread's chain; nothing process-wide changes, and
// afterwards the chain is as before.
inline void expectInstalledOnlyWhileGuarded(const InstalledHandlers& before,
                                            const InstalledHandlers& inside,
                                            const InstalledHandlers& after) {
  EXPECT_NE(before.frames, inside.frames);
  EXPECT_EQ(before.filter, inside.filter);
  EXPECT_EQ(before.frames, after.frames);
  EXPECT_EQ(before.filter, after.filter);
}

// The host installs its top-level filter while guarded work runs: it stays.
template <typename Guarded>
void expectTheHostsHandlerStays(Guarded guarded) {
  static InstalledHandlers before, after;
  before.take();
  guarded([] { installHostHandler(); });
  after.take();
  EXPECT_EQ(reinterpret_cast<void*>(&hostFilter), after.filter);
  SetUnhandledExceptionFilter(before.filter);
}

}  // namespace tz::test
