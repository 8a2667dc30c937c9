// Internals of the registry's POSIX backend, shared by its files: names and text, the key
// file, and the folders of the store.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/platform/platform_error.h"
#include "support/platform/registry.h"
#include "support/platform/registry_names.h"

namespace tz::platform::registry {

// A value holds at most 1 MiB (MaxValueBytes), which fits a key file even in its widest form
// (hex, three characters a byte). A key file is at most 4 MiB: a larger one is damaged, and a
// change that would make one fails, so that a file is never read without a bound nor written
// beyond it.
constexpr size_t MaxKeyFileBytes = 4 << 20;

// Each key is a folder named after it; its values are in this file inside it. Our own
// entries start with '.', which key names never do on disk (encodeFileName escapes it).
constexpr const char* KeyFileName = ".key.reg";
// How long a user of the store waits for a holder of its lock that does not let go (stopped
// in a debugger or by Ctrl-Z, or hung) before giving up with Timeout.
constexpr int LockWaitMs = 5000;

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// Names and text (registry_text.cpp).
// A form of a valid name in which names differing only in case are equal.
std::string foldName(std::string_view name);
// Strict conversion of UTF-16LE without terminator: false on an odd size, NUL or a lone
// surrogate.
bool utf16ToUtf8(std::string_view utf16, std::string& utf8);
void appendUtf16(std::string_view utf8, std::string& utf16);  // utf8 must be valid
std::string encodeFileName(std::string_view name);
std::string decodeFileName(std::string_view fileName);
// splitKeyPath, and InvalidParameter for a name too long for a file name once escaped.
PlatformError splitPath(std::string_view path, std::vector<std::string_view>& names);

// The key file (registry_file.cpp).
struct Value {
  std::string name;
  uint32_t type = 0;
  std::string data;
};
using Values = std::vector<Value>;

// False when the text is not a well-formed key file.
bool parseKeyFile(std::string_view text, Values& values);
std::string formatKeyFile(const Values& values);
Value* findValue(Values& values, std::string_view name);

// The store (registry_store.cpp). Every operation holds the store's lock: shared to read,
// exclusive to change.
PlatformError openStore(bool create, Fd& store);
class StoreLock {
 public:
  // Waits at most LockWaitMs, then gives up with Timeout.
  PlatformError acquire(int store, bool exclusive);

 private:
  Fd file_;
};
PlatformError openHive(int store, RegistryRoot root, bool create, Fd& hive);
// KeyDeleted when the key's file is gone, BadDatabase when it is damaged: not text of the
// key file's form, not a regular file, or larger than MaxKeyFileBytes.
PlatformError readValues(int dir, Values& values);
// OutOfMemory when the file would be larger than MaxKeyFileBytes.
PlatformError writeValues(int dir, const Values& values);
// Makes the renames in a folder last through a power cut.
void syncFolder(int dir);
// Reads a folder through an open file description of its own.
PlatformError openListing(int dir, DIR*& listing);
// Removes a folder with everything in it; a missing one counts as removed.
PlatformError removeTree(int parent, const char* name);

// Folders of keys (registry_tree.cpp).
struct SubKey {
  std::string name;
  std::string fileName;
};
// The sub keys of a folder, ordered by name without regard to case.
PlatformError listSubKeys(int dir, std::vector<SubKey>& subKeys);
PlatformError makeKeyFolder(int parent, const std::string& fileName, Fd& dir);
// From `start` (whose key must still exist) down the path, creating keys when asked.
PlatformError walk(int start, const std::vector<std::string_view>& names, bool create, Fd& dir,
                   bool* created);
// Deletes the key at `names` below `start`, moving it out of the tree first so that no one
// sees it half removed.
PlatformError removeKey(int store, int start, const std::vector<std::string_view>& names);

}  // namespace tz::platform::registry
