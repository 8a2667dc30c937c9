// Another process through a process handle, which names that process and no other for as
// long as it is open.
#include "support/platform/other_process.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "support/platform/win32/object_names.h"
#include "support/platform/win32/system_error.h"

namespace tz::platform {
namespace {

constexpr DWORD kFullAccess = PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION |
                              PROCESS_DUP_HANDLE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;
constexpr DWORD kPage = 4096;

// Moves the range a page at a time, so that a copy stopped by an unmapped or protected page
// has moved every byte before it; PartialCopy there.
template <typename Transfer>
PlatformError transfer(Transfer call, uint64_t address, size_t bytes) {
  if (address > UINTPTR_MAX || bytes > UINTPTR_MAX - address) return PlatformError::PartialCopy;
  size_t done = 0;
  while (done < bytes) {
    const uintptr_t at = static_cast<uintptr_t>(address) + done;
    const size_t chunk = std::min<size_t>(bytes - done, kPage - at % kPage);
    SIZE_T moved = 0;
    if (!call(at, done, chunk, &moved) || moved != chunk) return PlatformError::PartialCopy;
    done += chunk;
  }
  return PlatformError::Success;
}

}  // namespace

OtherProcessResult OtherProcess::open(uint32_t id) {
  if (id == 0) return {PlatformError::InvalidParameter, OtherProcess()};
  HANDLE process = OpenProcess(kFullAccess, FALSE, id);
  // Without the right to its memory it may still be watched; its reads then fail.
  if (process == nullptr && GetLastError() == ERROR_ACCESS_DENIED)
    process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id);
  if (process == nullptr) return {lastSystemError(), OtherProcess()};
  OtherProcessResult result{PlatformError::Success, OtherProcess()};
  result.process.handle_ = numberOf(process);
  result.process.id_ = id;
  return result;
}

bool OtherProcess::hasEnded() const {
  return handle_ < 0 || WaitForSingleObject(handleOf(handle_), 0) != WAIT_TIMEOUT;
}

PlatformError OtherProcess::read(uint64_t address, void* into, size_t bytes) const {
  if (hasEnded()) return PlatformError::InvalidHandle;
  const HANDLE process = handleOf(handle_);
  auto* local = static_cast<char*>(into);
  const PlatformError error = transfer(
      [&](uintptr_t at, size_t done, size_t chunk, SIZE_T* moved) {
        return ReadProcessMemory(process, reinterpret_cast<const void*>(at), local + done, chunk,
                                 moved) != 0;
      },
      address, bytes);
  if (error == PlatformError::PartialCopy && GetLastError() == ERROR_ACCESS_DENIED)
    return PlatformError::AccessDenied;
  return hasEnded() ? PlatformError::InvalidHandle : error;
}

PlatformError OtherProcess::write(uint64_t address, const void* from, size_t bytes) const {
  if (hasEnded()) return PlatformError::InvalidHandle;
  const HANDLE process = handleOf(handle_);
  const auto* local = static_cast<const char*>(from);
  const PlatformError error = transfer(
      [&](uintptr_t at, size_t done, size_t chunk, SIZE_T* moved) {
        return WriteProcessMemory(process, reinterpret_cast<void*>(at), local + done, chunk,
                                  moved) != 0;
      },
      address, bytes);
  if (error == PlatformError::PartialCopy && GetLastError() == ERROR_ACCESS_DENIED)
    return PlatformError::AccessDenied;
  return error;
}

void OtherProcess::close() {
  if (handle_ >= 0) CloseHandle(handleOf(std::exchange(handle_, -1)));
  id_ = 0;
}

}  // namespace tz::platform
