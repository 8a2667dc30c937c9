// Libraries through the system loader. The loader reports a missing file and a missing library
// that the file needs alike (ERROR_MOD_NOT_FOUND); the file itself, looked up as data in the same
// search order, tells the two apart.
#include "support/platform/module.h"

#include <utility>

#include "support/platform/loaded_image.h"
#include "support/platform/pe_image.h"
#include "support/platform/win32/module_files.h"
#include "support/platform/win32/wide_text.h"

namespace tz::platform {

namespace {

thread_local DWORD lastLoadError = 0;

bool fileFound(const std::wstring& target) {
  const HMODULE data = LoadLibraryExW(target.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (data != nullptr) {
    FreeLibrary(data);
    return true;
  }
  const DWORD code = GetLastError();
  return code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND &&
         code != ERROR_MOD_NOT_FOUND;
}

PlatformError openLibrary(const std::wstring& target, void*& handle) {
  DWORD oldMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
  handle = LoadLibraryW(target.c_str());
  const DWORD code = handle != nullptr ? 0 : GetLastError();
  PlatformError error = PlatformError::Success;
  if (code == ERROR_MOD_NOT_FOUND) {
    error = fileFound(target) ? PlatformError::ModuleNotFound : PlatformError::DllNotFound;
  } else if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
    error = PlatformError::DllNotFound;
  } else if (code != 0) {
    error = loaderError(code);
  }
  SetThreadErrorMode(oldMode, nullptr);
  lastLoadError = code;
  return error;
}

// Loads target and, when that succeeds, puts it in place of what held had.
PlatformError replaceWith(const std::wstring& target, void*& held) {
  void* handle = nullptr;
  const PlatformError error = openLibrary(target, handle);
  if (error != PlatformError::Success) return error;
  if (held != nullptr) FreeLibrary(static_cast<HMODULE>(held));
  held = handle;
  return PlatformError::Success;
}

}  // namespace

PlatformError Module::loadByName(std::string_view fileName) {
  if (fileName.empty() || fileName.find_first_of("/\\:") != std::string_view::npos)
    return PlatformError::InvalidName;
  std::wstring name;
  if (!wideFromUtf8(fileName, name)) return PlatformError::InvalidName;
  // Without a dot the loader would append ".dll"; a trailing one keeps the name literal.
  if (fileName.find('.') == std::string_view::npos) name += L'.';
  return replaceWith(name, handle_);
}

PlatformError Module::loadFromPath(std::string_view path) {
  if (path.empty()) return PlatformError::InvalidName;
  // A full path is never searched for; a bare name would be.
  std::wstring given;
  if (!wideFromUtf8(path, given)) return PlatformError::InvalidName;
  std::wstring full(MAX_PATH, L'\0');
  DWORD length = GetFullPathNameW(given.c_str(), full.size(), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = GetFullPathNameW(given.c_str(), full.size(), full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return PlatformError::InvalidName;
  full.resize(length);
  return replaceWith(full, handle_);
}

void Module::unload() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(std::exchange(handle_, nullptr)));
}

void* Module::symbol(const char* name) const {
  return handle_ != nullptr && name != nullptr
             ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name))
             : nullptr;
}

std::string Module::path() const {
  return moduleFileName(static_cast<HMODULE>(handle_));
}

const void* Module::image() const {
  return handle_;
}

std::string lastLoadMessage() {
  if (lastLoadError == 0) return {};
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, lastLoadError, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message =
      text != nullptr ? utf8FromWide(std::wstring_view(text, length)) : std::string();
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message.empty() ? "error " + std::to_string(lastLoadError) : message;
}

std::string modulePathOf(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<const wchar_t*>(address), &module))
    return {};
  return moduleFileName(module);
}

const char* const kLibrarySuffix = ".dll";

std::string currentModulePath() {
  return modulePathOf(reinterpret_cast<const void*>(&currentModulePath));
}

PlatformError readFileVersion(std::string_view path, FileVersion& version) {
  HMODULE file = nullptr;
  const PlatformError opened = loadDataFile(path, UINT64_MAX, file);
  if (opened != PlatformError::Success) return opened;
  PeImage image;
  FileVersion found;
  PlatformError status = PlatformError::BadFormat;
  if (readPeImage(imageBase(file), image))
    status = readImageVersion(image.base, found) ? PlatformError::Success
                                                 : PlatformError::ResourceTypeNotFound;
  FreeLibrary(file);
  if (status == PlatformError::Success) version = found;
  return status;
}

}  // namespace tz::platform
