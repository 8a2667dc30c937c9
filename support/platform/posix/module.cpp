// Libraries through the dynamic loader (dlopen). glibc's dlopen leaves no error number, only
// a message, so a failure is classified from the file itself where it can be read, and from
// the loader's (untranslated) message for what the file cannot show.
#include "support/platform/module.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>

namespace tz::platform {

namespace {

// A plain array: a thread_local with a destructor would keep the C library from ever
// unloading a module that links this layer, once a load has failed in it.
thread_local char lastMessage[512];

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// A relative name taken from the current directory; the original platform's paths are full.
std::string absolute(std::string_view path) {
  if (path.empty() || path[0] == '/') return std::string(path);
  char directory[PATH_MAX];
  if (getcwd(directory, sizeof directory) == nullptr) return std::string(path);
  std::string result(directory);
  if (path.substr(0, 2) == "./") path.remove_prefix(2);
  return result.append("/").append(path);
}

// Success when the file looks like a library of this architecture; else why it is not one.
PlatformError checkLibraryFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    return error == ENOENT || error == ENOTDIR ? PlatformError::DllNotFound : errorFromErrno(error);
  }
  struct stat info {};
  Elf32_Ehdr header{};
  const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  const ssize_t got = regular ? pread(fd, &header, sizeof header, 0) : -1;
  close(fd);
  if (!regular)
    return S_ISDIR(info.st_mode) ? PlatformError::AccessDenied : PlatformError::BadFormat;
  const bool library =
      got == static_cast<ssize_t>(sizeof header) && memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
      header.e_ident[EI_CLASS] == ELFCLASS32 && header.e_ident[EI_DATA] == ELFDATA2LSB &&
      header.e_machine == EM_386 && header.e_type == ET_DYN;
  return library ? PlatformError::Success : PlatformError::BadFormat;
}

PlatformError errorFromMessage(std::string_view message, bool aboutRequestedFile) {
  if (contains(message, "failed to map segment") || contains(message, "cannot map zero-fill") ||
      contains(message, "out of memory") || contains(message, "allocate memory"))
    return PlatformError::NotEnoughMemory;
  if (contains(message, "undefined symbol")) return PlatformError::ProcedureNotFound;
  if (contains(message, "cannot open shared object file"))
    return aboutRequestedFile ? PlatformError::DllNotFound : PlatformError::ModuleNotFound;
  if (contains(message, "ELF") || contains(message, "file too short"))
    return PlatformError::BadFormat;
  return PlatformError::ModuleNotFound;
}

// The loader names the object it failed on first: the requested name when its search found
// nothing usable, the found file's path, or a library that the requested one needs.
PlatformError classifyNameLoad(std::string_view name, std::string_view message) {
  if (message.substr(0, name.size() + 2) == std::string(name) + ": ")
    return errorFromMessage(message, true);
  const size_t found = message.find(std::string("/").append(name).append(": "));
  if (found == std::string_view::npos) return errorFromMessage(message, false);
  const PlatformError fileError =
      checkLibraryFile(std::string(message.substr(0, found + 1 + name.size())));
  return fileError != PlatformError::Success ? fileError : errorFromMessage(message, true);
}

PlatformError openLibrary(const std::string& target, bool byName, void*& handle) {
  handle = dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle != nullptr) return PlatformError::Success;
  const char* text = dlerror();
  snprintf(lastMessage, sizeof lastMessage, "%s", text != nullptr ? text : "");
  if (byName) return classifyNameLoad(target, lastMessage);
  const PlatformError fileError = checkLibraryFile(target);
  return fileError != PlatformError::Success ? fileError : errorFromMessage(lastMessage, true);
}

}  // namespace

PlatformError Module::loadByName(std::string_view fileName) {
  if (fileName.empty() || contains(fileName, "/")) return PlatformError::InvalidName;
  void* handle = nullptr;
  const PlatformError error = openLibrary(std::string(fileName), true, handle);
  if (error != PlatformError::Success) return error;
  unload();
  handle_ = handle;
  return PlatformError::Success;
}

PlatformError Module::loadFromPath(std::string_view path) {
  if (path.empty()) return PlatformError::InvalidName;
  void* handle = nullptr;
  // A full path always holds a '/', so the loader never searches for it.
  const PlatformError error = openLibrary(absolute(path), false, handle);
  if (error != PlatformError::Success) return error;
  unload();
  handle_ = handle;
  return PlatformError::Success;
}

void Module::unload() {
  if (handle_ != nullptr) dlclose(std::exchange(handle_, nullptr));
}

void* Module::symbol(const char* name) const {
  return handle_ != nullptr && name != nullptr ? dlsym(handle_, name) : nullptr;
}

std::string Module::path() const {
  link_map* map = nullptr;
  if (handle_ == nullptr || dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr)
    return {};
  return absolute(map->l_name);
}

std::string lastLoadMessage() {
  return lastMessage;
}

std::string modulePathOf(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
      map == nullptr)
    return {};
  if (map->l_name[0] != '\0')
    return contains(map->l_name, "/") ? absolute(map->l_name) : map->l_name;
  // The program itself has no name in the loader's list.
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

const char* const kLibrarySuffix = ".so";

std::string currentModulePath() {
  return modulePathOf(reinterpret_cast<const void*>(&currentModulePath));
}

}  // namespace tz::platform
