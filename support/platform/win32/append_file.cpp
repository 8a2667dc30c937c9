// Append mode is an open with FILE_APPEND_DATA and without FILE_WRITE_DATA: the system then
// puts every write at the end, for every writer of the file in any process. Other openers may
// read, write and rename or delete it (rotating a log while a writer holds it).
#include "support/platform/append_file.h"

#include <windows.h>

#include <string>
#include <utility>

#include "support/platform/win32/system_error.h"
#include "support/platform/win32/wide_text.h"

namespace tz::platform {
namespace {

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE handleOf(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

PlatformError openError(DWORD code) {
  return code == ERROR_FILENAME_EXCED_RANGE ? PlatformError::InvalidName : errorFromCode(code);
}

bool identity(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) {
  return GetFileInformationByHandle(file, &info) != 0;
}

}  // namespace

AppendFileResult AppendFile::open(std::string_view path) {
  AppendFileResult result{PlatformError::Success, {}};
  std::wstring name;
  if (!wideFromUtf8(path, name)) {
    result.error = PlatformError::InvalidName;
    return result;
  }
  const HANDLE file =
      CreateFileW(name.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, ShareAll,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    result.error = openError(GetLastError());
    return result;
  }
  result.file.handle_ = reinterpret_cast<intptr_t>(file);
  // Only a file on a disk: a device or a pipe must never be renamed away to rotate.
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(file) != FILE_TYPE_DISK || !identity(file, info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    result.error = PlatformError::AccessDenied;
    result.file.close();
  }
  return result;
}

PlatformError AppendFile::append(std::string_view bytes) {
  if (!isOpen()) return PlatformError::InvalidHandle;
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(handleOf(handle_), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr))
      return lastSystemError();
    // A file on a disk takes no bytes only when nothing more fits.
    if (written == 0) return PlatformError::DiskFull;
    bytes.remove_prefix(written);
  }
  return PlatformError::Success;
}

int64_t AppendFile::size() const {
  LARGE_INTEGER size;
  if (!isOpen() || !GetFileSizeEx(handleOf(handle_), &size)) return -1;
  return size.QuadPart;
}

bool AppendFile::isNamedBy(std::string_view path) const {
  std::wstring name;
  BY_HANDLE_FILE_INFORMATION mine, named;
  if (!isOpen() || !wideFromUtf8(path, name) || !identity(handleOf(handle_), mine)) return false;
  const HANDLE other = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (other == INVALID_HANDLE_VALUE) return false;
  const bool known = identity(other, named);
  CloseHandle(other);
  return known && mine.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
         mine.nFileIndexHigh == named.nFileIndexHigh && mine.nFileIndexLow == named.nFileIndexLow;
}

void AppendFile::close() {
  if (isOpen()) CloseHandle(handleOf(std::exchange(handle_, -1)));
}

PlatformError renameFile(std::string_view from, std::string_view to) {
  std::wstring source, target;
  if (!wideFromUtf8(from, source) || !wideFromUtf8(to, target)) return PlatformError::InvalidName;
  // A replacing rename is one step in the file system: `to` is never missing meanwhile.
  if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
    return PlatformError::Success;
  return lastSystemError();
}

}  // namespace tz::platform
