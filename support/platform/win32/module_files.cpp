// The loader is asked with critical-error boxes off: a missing or damaged file is the caller's
// status, never a dialog on the user's screen.
#include "support/platform/win32/module_files.h"

#include "support/platform/memory_probe.h"
#include "support/platform/win32/system_error.h"
#include "support/platform/win32/wide_text.h"

namespace tz::platform {
namespace {

// How long the file must be to hold what its headers declare: the section table, every
// section's raw data, and the symbol table with its string table (whose length the file holds).
bool declaredEnd(uintptr_t base, HANDLE file, uint64_t& end) {
  IMAGE_DOS_HEADER dos;
  IMAGE_FILE_HEADER header;
  if (!readMemory(&dos, reinterpret_cast<const void*>(base), sizeof dos) || dos.e_lfanew < 0 ||
      dos.e_lfanew > 0x10000 ||
      !readMemory(&header, reinterpret_cast<const void*>(base + dos.e_lfanew + 4), sizeof header))
    return false;
  const uintptr_t table = base + dos.e_lfanew + 4 + sizeof header + header.SizeOfOptionalHeader;
  end = table - base + uint64_t{header.NumberOfSections} * sizeof(IMAGE_SECTION_HEADER);
  for (uint32_t i = 0; i < header.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER section;
    if (!readMemory(&section, reinterpret_cast<const void*>(table + i * sizeof section),
                    sizeof section))
      return false;
    if (section.SizeOfRawData != 0 &&
        uint64_t{section.PointerToRawData} + section.SizeOfRawData > end)
      end = uint64_t{section.PointerToRawData} + section.SizeOfRawData;
  }
  if (header.PointerToSymbolTable == 0) return true;
  const uint64_t strings =
      uint64_t{header.PointerToSymbolTable} + uint64_t{header.NumberOfSymbols} * 18;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(strings);
  at.OffsetHigh = static_cast<DWORD>(strings >> 32);
  uint32_t stringBytes = 0;
  DWORD got = 0;
  if (!ReadFile(file, &stringBytes, sizeof stringBytes, &got, &at) || got != sizeof stringBytes)
    return false;
  const uint64_t stringsEnd = strings + (stringBytes > sizeof stringBytes ? stringBytes : 4);
  if (stringsEnd > end) end = stringsEnd;
  return true;
}

}  // namespace

PlatformError loaderError(DWORD code) {
  switch (code) {
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_BAD_FORMAT:
    case ERROR_INVALID_EXE_SIGNATURE:
    case ERROR_EXE_MARKED_INVALID:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
    case ERROR_FILE_INVALID:
    case ERROR_INVALID_DATA:
      return PlatformError::BadFormat;
    case ERROR_OUTOFMEMORY:
    case ERROR_COMMITMENT_LIMIT:
    case ERROR_INVALID_ADDRESS:
      return PlatformError::NotEnoughMemory;
    default:
      return errorFromCode(code);
  }
}

std::string moduleFileName(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  while (module != nullptr) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) break;
    if (length < path.size()) return utf8FromWide(std::wstring_view(path.data(), length));
    path.resize(path.size() * 2);
  }
  return {};
}

PlatformError loadDataFile(std::string_view path, uint64_t maxBytes, HMODULE& module) {
  // No file has an empty name, or one that is not UTF-8 or holds a NUL.
  std::wstring wide;
  if (path.empty() || !wideFromUtf8(path, wide)) return PlatformError::FileNotFound;
  // Held open without write sharing from the checks to the mapping: what is checked is mapped.
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const PlatformError error = lastSystemError();
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
               ? PlatformError::BadFormat
               : error;
  }
  LARGE_INTEGER size{};
  PlatformError status = PlatformError::Success;
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) ||
      static_cast<uint64_t>(size.QuadPart) > maxBytes)
    status = PlatformError::BadFormat;
  DWORD oldMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
  module = status == PlatformError::Success
               ? LoadLibraryExW(wide.c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)
               : nullptr;
  if (status == PlatformError::Success && module == nullptr) status = loaderError(GetLastError());
  SetThreadErrorMode(oldMode, nullptr);
  uint64_t end = 0;
  if (module != nullptr &&
      (!declaredEnd(imageBase(module), file, end) || end > static_cast<uint64_t>(size.QuadPart))) {
    FreeLibrary(module);
    module = nullptr;
    status = PlatformError::BadFormat;
  }
  CloseHandle(file);
  return status;
}

}  // namespace tz::platform
