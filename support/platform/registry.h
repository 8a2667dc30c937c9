// The registry: a hierarchical store of typed values under two roots, shared by every
// process of the user and changed atomically. No access rights, security or notifications;
// not for the audio path (every call does file I/O under a cross-process lock).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/platform/platform_error.h"

namespace tz::platform {

// On Windows the roots are the system's HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER. Elsewhere
// both live in the user's store (TZ_REGISTRY_ROOT when set, else $XDG_CONFIG_HOME/tz-registry,
// else ~/.config/tz-registry); there is no machine-wide store.
enum class RegistryRoot : uint32_t { LocalMachine, CurrentUser };

// The original platform's type numbers. Other numbers are accepted and kept as raw bytes.
enum class RegistryType : uint32_t { String = 1, Binary = 3, Dword = 4, MultiString = 7 };

// An open key: move-only, closed by its destructor. A handle may be used by one thread at a
// time; any number of handles, threads and processes may use the store at once. Reads see a
// key's values as of one completed change; changes are serialised across processes.
//
// Text: key paths ("SOFTWARE\\Propellerhead Software\\ReWire", relative to the root or to
// the key, "" naming the key itself) and value names are UTF-8. Names compare without
// regard to case and keep the case they were created with; "" is the default value. A key
// name is at most 255 UTF-16 units and holds no "\\"; a value name at most 16383.
// Data: sizes in bytes. String and MultiString data are UTF-16LE with their terminators
// ("a\0b\0\0" for a list), exactly as the caller passes them; nothing is checked or added.
//
// Statuses: Success; FileNotFound (no such key or value); InvalidParameter (malformed path,
// name or arguments); BadDatabase (the key's file is damaged: not a regular file, larger than
// 4 MiB or not in its form; the key refuses value access until repaired, and other keys are
// unaffected); KeyDeleted (this handle's key was deleted); InvalidHandle (a closed handle);
// OutOfMemory (a value's data over 1 MiB, or a change that would take the key's values past
// 4 MiB in its file); Timeout (another process held the store's lock for 5 s, e.g. one stopped
// in a debugger); AccessDenied and others for system failures. A failed call changes nothing.
// The system's registry gives BadDatabase and Timeout only for its own failures, and
// AccessDenied where the user may not write (HKEY_LOCAL_MACHINE for most users): a key is
// then open for reading only.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey();
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens an existing key; on failure `key` is left closed. The root itself always opens.
  static PlatformError open(RegistryRoot root, std::string_view path, RegistryKey& key);
  // Opens the key, creating it and any missing parents; `created` tells whether it was new.
  static PlatformError create(RegistryRoot root, std::string_view path, RegistryKey& key,
                              bool* created = nullptr);
  // Deletes the key with all its sub keys and values. A root cannot be deleted.
  static PlatformError deleteKey(RegistryRoot root, std::string_view path);

  PlatformError openSubKey(std::string_view path, RegistryKey& key) const;
  PlatformError createSubKey(std::string_view path, RegistryKey& key,
                             bool* created = nullptr) const;
  // `path` must name a sub key; handles open on the deleted keys then fail with KeyDeleted.
  PlatformError deleteSubKey(std::string_view path);

  // As the original platform's value query: `type` (may be null) receives the type. With
  // `size` null only the type is asked (`data` must be null too). With `data` null, *size
  // receives the size and the result is Success. When *size is too small, *size receives
  // the size needed and the result is MoreData, `data` untouched; otherwise the data is
  // copied and *size set to its length.
  PlatformError queryValue(std::string_view name, RegistryType* type, void* data,
                           uint32_t* size) const;
  // Creates or replaces the value; a replaced value keeps its name's case and its place.
  PlatformError setValue(std::string_view name, RegistryType type, const void* data, uint32_t size);
  PlatformError deleteValue(std::string_view name);

  // Enumeration by index from 0; NoMoreItems past the end. Sub keys come in order of their
  // names without regard to case, values in the order they were created. The rest of
  // enumValue's arguments are as for queryValue; `name` is set even with MoreData.
  PlatformError enumSubKey(uint32_t index, std::string& name) const;
  PlatformError enumValue(uint32_t index, std::string& name, RegistryType* type, void* data,
                          uint32_t* size) const;

  bool isOpen() const { return handle_ != -1; }
  void close();

 private:
  RegistryKey(intptr_t handle, intptr_t store) : handle_(handle), store_(store) {}
  PlatformError openOrCreate(std::string_view path, RegistryKey& key, bool* created,
                             bool create) const;

  intptr_t handle_ = -1;  // the key: the system's handle, or its folder in a store of files
  intptr_t store_ = -1;   // a store of files: its top folder, which holds the lock
};

}  // namespace tz::platform
