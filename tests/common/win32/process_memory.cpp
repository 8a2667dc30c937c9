#include "process_memory.h"

#include <windows.h>

namespace tz::test {
namespace {

// The system's list of every open handle, as NtQuerySystemInformation gives it
// (SystemHandleInformation): its count, then one entry per handle.
struct HandleEntry {
  ULONG ownerProcess;
  BYTE objectType;
  BYTE flags;
  USHORT value;
  void* object;
  ACCESS_MASK access;
};
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

}  // namespace

// Counted in the system's list of handles rather than by GetProcessHandleCount, which Wine
// answers with 0.
size_t openHandleCount() {
  using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  std::vector<ULONG> buffer(1 << 16);
  LONG status = kInfoLengthMismatch;
  for (int tries = 0; query != nullptr && status == kInfoLengthMismatch && tries < 8; ++tries) {
    ULONG needed = 0;
    status = query(kSystemHandleInformation, buffer.data(),
                   static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &needed);
    if (status == kInfoLengthMismatch) buffer.resize(buffer.size() * 2 + needed / sizeof(ULONG));
  }
  if (status != 0) return 0;
  const ULONG count = buffer[0];
  const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + 1);
  const DWORD self = GetCurrentProcessId();
  size_t own = 0;
  for (ULONG i = 0; i < count; ++i) own += entries[i].ownerProcess == self;
  return own;
}

std::vector<uint8_t> memoryOf(uint32_t pid, uint64_t address, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  const HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, pid);
  SIZE_T read = 0;
  const bool whole = process != nullptr && address + bytes <= 0x100000000ull &&
                     ReadProcessMemory(process, reinterpret_cast<const void*>(address), data.data(),
                                       bytes, &read) &&
                     read == bytes;
  if (process != nullptr) CloseHandle(process);
  return whole ? data : std::vector<uint8_t>{};
}

}  // namespace tz::test
