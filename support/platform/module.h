// Dynamic libraries: loading by literal file name or by path, symbol lookup, the path of the
// module that holds an address, and a module file's version: the ELF note that
// TZ_FILE_VERSION_NOTE (include/tz/version_note.h) puts into it, or on Windows its version
// resource. Not for the audio path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/platform/platform_error.h"

namespace tz::platform {

struct FileVersion {
  uint32_t mostSignificant = 0;   // major << 16 | minor
  uint32_t leastSignificant = 0;  // build << 16 | revision

  uint16_t major() const { return static_cast<uint16_t>(mostSignificant >> 16); }
  uint16_t minor() const { return static_cast<uint16_t>(mostSignificant); }
  uint16_t build() const { return static_cast<uint16_t>(leastSignificant >> 16); }
  uint16_t revision() const { return static_cast<uint16_t>(leastSignificant); }
};

// One loaded library, unloaded on destruction. Loading the same file twice gives two
// references to one image, as the loader counts them. Move-only.
class Module {
 public:
  Module() = default;
  Module(Module&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  Module& operator=(Module&& other) noexcept {
    if (this != &other) {
      unload();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  ~Module() { unload(); }

  // Loads a file by its literal name (nothing appended) through the dynamic loader's search
  // order; InvalidName for a name with a '/', an empty one, or (where the system's names are
  // UTF-16) one that is not UTF-8. All symbols are bound at load.
  // On failure the object keeps what it held and the status is the original platform's:
  // DllNotFound when no such file is found, BadFormat for a file that is not a library of
  // this architecture, NotEnoughMemory when it does not fit, AccessDenied when it cannot be
  // read, ModuleNotFound when a library it needs is missing, ProcedureNotFound when a
  // symbol it needs is missing. lastLoadMessage() then tells the loader's own words.
  PlatformError loadByName(std::string_view fileName);
  // Loads the file at a path, never searched; a relative path is taken from the current
  // directory. Statuses as loadByName; InvalidName for an empty path.
  PlatformError loadFromPath(std::string_view path);
  void unload();

  bool loaded() const { return handle_ != nullptr; }
  // The address of an exported symbol; null when it is missing or nothing is loaded.
  void* symbol(const char* name) const;
  // The full path of the loaded file; empty when nothing is loaded.
  std::string path() const;
  // The loaded module's instance handle (where its image begins); null when nothing is loaded.
  const void* image() const;

 private:
  void* handle_ = nullptr;
};

// The file name ending of this system's libraries (".so", or ".dll" on Windows).
extern const char* const kLibrarySuffix;

// The loader's message for the calling thread's last failed load, for logs.
std::string lastLoadMessage();

// The full path of the module (library or program) whose image holds address; empty when
// none does.
std::string modulePathOf(const void* address);
// The full path of the module that this code is linked into: each module links the platform
// layer in statically, so it is the calling module.
std::string currentModulePath();

// Reads a module file's version from its note (its version resource on Windows), without running
// anything in it. FileNotFound or AccessDenied when the file cannot be opened, BadFormat when it
// is no regular file or no module file of this system (32-bit little-endian ELF, 32-bit x86 PE),
// ResourceTypeNotFound when it carries no version. The version is left as it was on failure.
PlatformError readFileVersion(std::string_view path, FileVersion& version);

}  // namespace tz::platform
