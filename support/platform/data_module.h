// Module files read as data for their resources (a language module beside a library): nothing
// in the file runs and nothing it imports is loaded, so a damaged or planted file costs its
// resources, never the process. While loaded, the module's instance handle serves the resource
// lookups of resources.h as a loaded library's does. Not for the audio path.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/platform/platform_error.h"

namespace tz::platform {

// Larger files are refused unread: a language module holds texts and dialogs, far less.
constexpr uint64_t kMaxDataModuleBytes = 4 * 1024 * 1024;

// One module file's resources, held in memory until unload or destruction. Move-only.
class DataModule {
 public:
  DataModule() = default;
  DataModule(DataModule&& other) noexcept : instance_(other.instance_) {
    other.instance_ = nullptr;
  }
  DataModule& operator=(DataModule&& other) noexcept {
    if (this != &other) {
      unload();
      instance_ = other.instance_;
      other.instance_ = nullptr;
    }
    return *this;
  }
  DataModule(const DataModule&) = delete;
  DataModule& operator=(const DataModule&) = delete;
  ~DataModule() { unload(); }

  // Reads the resources of the module file at path (a copy, or on Windows a mapping that keeps
  // the file from changing: later changes do not reach them). On failure the object keeps what
  // it held: FileNotFound or PathNotFound when there is no such file, AccessDenied when it may
  // not be read, BadFormat when it is not a regular file, is larger than kMaxDataModuleBytes, is
  // no whole module file of this system (32-bit little-endian ELF, 32-bit x86 PE) or its
  // resources hold no well-formed directory, ResourceTypeNotFound when it carries none.
  PlatformError load(std::string_view path);
  // Frees the resources; the instance handle, and whatever was found through it, die with them.
  void unload();

  bool loaded() const { return instance_ != nullptr; }
  // The instance handle for resources.h; null when nothing is loaded.
  const void* instance() const { return instance_; }

 private:
  const void* instance_ = nullptr;
};

}  // namespace tz::platform
