#include "process_memory.h"

#include <windows.h>

#include <cwctype>

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

// The system's list of every open handle.
std::vector<ULONG> systemHandles() {
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
  if (status != 0) buffer.assign(1, 0);
  return buffer;
}

template <typename Visit>
void forEachHandleOf(DWORD process, Visit visit) {
  const std::vector<ULONG> list = systemHandles();
  const auto* entries = reinterpret_cast<const HandleEntry*>(list.data() + 1);
  for (ULONG i = 0; i < list[0]; ++i)
    if (entries[i].ownerProcess == process) visit(entries[i]);
}

// The type name of the object that `handle` of `process` refers to, through a copy of it.
std::string kindOf(HANDLE process, USHORT handle) {
  using Query = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
  HANDLE copy = nullptr;
  if (query == nullptr ||
      !DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle)),
                       GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return "";
  // ObjectTypeInformation: the type's name first, as a counted string.
  struct TypeName {
    USHORT length, capacity;
    const wchar_t* text;
  };
  alignas(8) unsigned char buffer[1024];
  ULONG needed = 0;
  std::string kind;
  if (query(copy, 2, buffer, sizeof buffer, &needed) == 0) {
    const auto* name = reinterpret_cast<const TypeName*>(buffer);
    for (USHORT i = 0; i < name->length / 2; ++i)
      kind += static_cast<char>(towlower(name->text[i]));
  }
  CloseHandle(copy);
  return kind;
}

}  // namespace

// Counted in the system's list of handles rather than by GetProcessHandleCount, which Wine
// answers with 0.
size_t openHandleCount() {
  size_t own = 0;
  forEachHandleOf(GetCurrentProcessId(), [&](const HandleEntry&) { ++own; });
  return own;
}

std::map<int32_t, std::string> handlesOf(uint32_t pid) {
  std::map<int32_t, std::string> handles;
  const HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
  if (process == nullptr) return handles;
  forEachHandleOf(
      pid, [&](const HandleEntry& entry) { handles[entry.value] = kindOf(process, entry.value); });
  CloseHandle(process);
  return handles;
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
