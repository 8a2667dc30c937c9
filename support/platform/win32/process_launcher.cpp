// Process launch with CreateProcessW, which finds the program in the line by the system's own
// rules. Readiness is a manual-reset event named after the new process's id, made while the
// process is still suspended: only a launcher that waits for that very process makes one, and
// the process handle we hold keeps the id from passing to another process meanwhile.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "support/platform/process_launcher.h"
#include "support/platform/win32/object_names.h"
#include "support/platform/win32/system_error.h"

namespace tz::platform {

namespace {

// "Ends as by signal 9": the exit status a POSIX launcher would see for a killed process.
constexpr UINT kTerminatedCode = 128 + 9;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::wstring readyEventName(DWORD processId) {
  return L"tz-ready~" + std::to_wstring(processId);
}

// UTF-8 to UTF-16; false for bytes that are not UTF-8.
bool widen(std::string_view text, std::wstring& out) {
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return false;
  out.resize(static_cast<size_t>(length));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                             static_cast<int>(text.size()), out.data(), length) == length;
}

// Inheritable copies of our standard handles, which are all the new process inherits.
class StandardHandles {
 public:
  StandardHandles() {
    const DWORD which[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int i = 0; i < 3; ++i) {
      const HANDLE own = GetStdHandle(which[i]);
      if (own == nullptr || own == INVALID_HANDLE_VALUE) continue;
      if (DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &copies_[i], 0, TRUE,
                          DUPLICATE_SAME_ACCESS))
        list_.push_back(copies_[i]);
    }
  }
  StandardHandles(const StandardHandles&) = delete;
  ~StandardHandles() {
    for (const HANDLE copy : list_) CloseHandle(copy);
  }
  // Fills the start-up information; false when the attribute list cannot be made.
  bool describe(STARTUPINFOEXW& info) {
    info = {};
    info.StartupInfo.cb = sizeof info.StartupInfo;
    if (list_.empty()) return true;
    info.StartupInfo.cb = sizeof info;
    info.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    info.StartupInfo.hStdInput = copies_[0];
    info.StartupInfo.hStdOutput = copies_[1];
    info.StartupInfo.hStdError = copies_[2];
    SIZE_T bytes = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &bytes);
    attributes_.resize(bytes);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes_.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &bytes)) return false;
    initialized_ = true;
    if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, list_.data(),
                                   list_.size() * sizeof(HANDLE), nullptr, nullptr))
      return false;
    info.lpAttributeList = list;
    return true;
  }
  bool inherits() const { return !list_.empty(); }
  void release() {
    if (initialized_)
      DeleteProcThreadAttributeList(
          reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes_.data()));
    initialized_ = false;
  }

 private:
  HANDLE copies_[3] = {nullptr, nullptr, nullptr};
  std::vector<HANDLE> list_;
  std::vector<unsigned char> attributes_;
  bool initialized_ = false;
};

// A missing folder on the way is as much "no such program" as a missing file.
PlatformError launchError(DWORD code) {
  return code == ERROR_PATH_NOT_FOUND ? PlatformError::FileNotFound : errorFromCode(code);
}

}  // namespace

void Process::close() {
  if (exitHandle_ >= 0) CloseHandle(handleOf(std::exchange(exitHandle_, -1)));
  if (readyHandle_ >= 0) CloseHandle(handleOf(std::exchange(readyHandle_, -1)));
  pid_ = 0;
  exitCode_ = StillActive;
  ended_ = ready_ = false;
}

bool Process::collect() {
  if (ended_) return true;
  if (WaitForSingleObject(handleOf(exitHandle_), 0) != WAIT_OBJECT_0) return false;
  DWORD code = StillActive;
  if (GetExitCodeProcess(handleOf(exitHandle_), &code)) exitCode_ = code;
  ended_ = true;
  return true;
}

Process::Readiness Process::waitUntilReady(uint32_t timeoutMs) {
  if (ready_) return Readiness::Ready;
  if (!valid()) return Readiness::Exited;
  if (ended_) return Readiness::Exited;
  // Readiness first: a process may report and end before we look, and the system reports
  // the lowest of the signalled handles.
  const HANDLE both[2] = {handleOf(readyHandle_), handleOf(exitHandle_)};
  const DWORD result = WaitForMultipleObjects(2, both, FALSE, timeoutMs);
  if (result == WAIT_OBJECT_0) {
    ready_ = true;
    CloseHandle(handleOf(std::exchange(readyHandle_, -1)));
    return Readiness::Ready;
  }
  if (result == WAIT_TIMEOUT) return Readiness::TimedOut;
  collect();
  return Readiness::Exited;
}

PlatformError Process::wait(uint32_t timeoutMs) {
  if (!valid()) return PlatformError::InvalidHandle;
  if (ended_) return PlatformError::Success;
  switch (WaitForSingleObject(handleOf(exitHandle_), timeoutMs)) {
    case WAIT_OBJECT_0:
      collect();
      return PlatformError::Success;
    case WAIT_TIMEOUT:
      return PlatformError::Timeout;
    default:
      return lastSystemError();
  }
}

PlatformError Process::terminate() {
  if (!valid()) return PlatformError::InvalidHandle;
  if (ended_ || TerminateProcess(handleOf(exitHandle_), kTerminatedCode))
    return PlatformError::Success;
  const PlatformError error = lastSystemError();
  // A process that has ended meanwhile cannot be terminated, and needs not be.
  return collect() ? PlatformError::Success : error;
}

PlatformError launchProcess(std::string_view commandLine, Process& process) {
  while (!commandLine.empty() && isBlank(commandLine.front())) commandLine.remove_prefix(1);
  while (!commandLine.empty() && isBlank(commandLine.back())) commandLine.remove_suffix(1);
  if (commandLine.empty()) return PlatformError::InvalidParameter;
  std::wstring line;
  if (!widen(commandLine, line)) return PlatformError::InvalidParameter;

  StandardHandles handles;
  STARTUPINFOEXW info;
  if (!handles.describe(info)) {
    const PlatformError error = lastSystemError();
    handles.release();
    return error;
  }
  PROCESS_INFORMATION started{};
  // CreateProcessW may write into the line, so it gets its own copy.
  const BOOL created =
      CreateProcessW(nullptr, line.data(), nullptr, nullptr, handles.inherits(),
                     CREATE_SUSPENDED | (handles.inherits() ? EXTENDED_STARTUPINFO_PRESENT : 0),
                     nullptr, nullptr, &info.StartupInfo, &started);
  const DWORD createError = GetLastError();
  handles.release();
  if (!created) return launchError(createError);

  const HANDLE ready =
      CreateEventW(nullptr, TRUE, FALSE, readyEventName(started.dwProcessId).c_str());
  if (ready == nullptr) {
    const PlatformError error = lastSystemError();
    TerminateProcess(started.hProcess, kTerminatedCode);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return error;
  }
  // One left by a launcher of a process that had the id before cannot be trusted to be clear.
  ResetEvent(ready);
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  Process launched;
  launched.pid_ = static_cast<int32_t>(started.dwProcessId);
  launched.exitHandle_ = numberOf(started.hProcess);
  launched.readyHandle_ = numberOf(ready);
  process = std::move(launched);
  return PlatformError::Success;
}

void signalProcessReady() {
  const HANDLE ready =
      OpenEventW(EVENT_MODIFY_STATE, FALSE, readyEventName(GetCurrentProcessId()).c_str());
  if (ready == nullptr) return;
  SetEvent(ready);
  CloseHandle(ready);
}

}  // namespace tz::platform
