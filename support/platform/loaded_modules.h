// The modules (images mapped from files) of this process, as a snapshot of the address space,
// for crash reports: which module holds an address, and where a module of a given name lies. Taken
// without allocation, lock or locale, so it is safe in a signal handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tz::platform {

struct MapsLine;

struct LoadedModule {
  uintptr_t base = 0;  // the lowest mapping of the file, where its image header lies
  uintptr_t end = 0;   // one past its highest mapping
  char name[64] = {};  // the file name without its folder, cut to 63 bytes
};

// A fixed-size value (about 10 KiB), meant for the stack.
class ModuleMap {
 public:
  static constexpr size_t kCapacity = 128;

  // Takes the snapshot; false when the address space cannot be read (the map is then empty).
  // Files past the capacity are left out. Several system calls.
  bool load();
  // The same from a copy of the address-space text, for tools that have one.
  void loadFromText(std::string_view text);

  // The module whose span [base, end) holds address; null when none does.
  const LoadedModule* find(uintptr_t address) const;
  // The first module whose file name up to its last '.' is stem, ASCII case ignored
  // ("ErrorReport" finds ErrorReport.so and errorreport.dll).
  const LoadedModule* findByStem(std::string_view stem) const;

  size_t size() const { return count_; }
  const LoadedModule& operator[](size_t i) const { return modules_[i]; }

  // For the address-space reader: one mapping of a file (same path, same hash).
  void addMapping(uintptr_t start, uintptr_t end, uint64_t pathHash, const char* name);

 private:
  // A parsed address-space line, offered when it maps a file.
  static bool addMapsLine(const MapsLine& line, void* map);
  // Keeps the files whose lowest mapping holds an image header (isModuleImage), ordered by base.
  void finish();

  LoadedModule modules_[kCapacity];
  uint64_t hashes_[kCapacity] = {};
  size_t count_ = 0;
};

}  // namespace tz::platform
