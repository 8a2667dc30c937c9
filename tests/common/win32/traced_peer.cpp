#include "traced_peer.h"

#include <windows.h>

namespace tz::test {

int runTraced(const std::string& test, const std::filesystem::path& out) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE file =
      CreateFileW(out.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 78;
  wchar_t program[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH * 4);
  std::wstring line = L"\"" + std::wstring(program, length) + L"\" --gtest_filter=" +
                      std::filesystem::path(test).wstring();
  STARTUPINFOW info{};
  info.cb = sizeof info;
  info.dwFlags = STARTF_USESTDHANDLES;
  info.hStdOutput = info.hStdError = file;
  // The child takes a copy of the system's environment block, which marks it as the peer; the
  // C runtime's copy, which this process reads, never sees the mark.
  SetEnvironmentVariableW(L"TZ_TEST_PEER", L"1");
  PROCESS_INFORMATION started{};
  const bool ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                 DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &info, &started);
  SetEnvironmentVariableW(L"TZ_TEST_PEER", nullptr);
  CloseHandle(file);
  if (!ok) return 77;
  int status = -1;
  bool loaderBreakpoint = true;
  DEBUG_EVENT event;
  while (WaitForDebugEvent(&event, 60000)) {
    DWORD answer = DBG_CONTINUE;
    if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT) {
      const bool first = loaderBreakpoint &&
                         event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT;
      loaderBreakpoint = false;
      if (!first) answer = DBG_EXCEPTION_NOT_HANDLED;
    } else if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) {
      CloseHandle(event.u.CreateProcessInfo.hFile);
    } else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
      CloseHandle(event.u.LoadDll.hFile);
    }
    const bool exited = event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT;
    if (exited) status = static_cast<int>(event.u.ExitProcess.dwExitCode);
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, answer);
    if (exited) break;
  }
  if (status == -1) TerminateProcess(started.hProcess, 1);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return status;
}

}  // namespace tz::test
