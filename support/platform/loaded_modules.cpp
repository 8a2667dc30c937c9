// The module map: every mapping of one file belongs to one module, whose base is the file's
// lowest mapping. Files whose base holds no image header of this system (data files, fonts,
// the locale archive) are not modules. Taking the snapshot is the backend's part.
#include "support/platform/loaded_modules.h"

#include <cstring>

#include "support/platform/loaded_image.h"
#include "support/platform/maps_parser.h"

namespace tz::platform {
namespace {

char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameStem(const char* name, std::string_view stem) {
  const char* dot = std::strrchr(name, '.');
  const size_t length = dot != nullptr ? static_cast<size_t>(dot - name) : std::strlen(name);
  if (length != stem.size()) return false;
  for (size_t i = 0; i < length; ++i)
    if (lowerAscii(name[i]) != lowerAscii(stem[i])) return false;
  return true;
}

}  // namespace

bool ModuleMap::addMapsLine(const MapsLine& line, void* map) {
  if (line.file)
    static_cast<ModuleMap*>(map)->addMapping(line.start, line.end, line.pathHash, line.name);
  return true;
}

void ModuleMap::addMapping(uintptr_t start, uintptr_t end, uint64_t pathHash, const char* name) {
  for (size_t i = 0; i < count_; ++i) {
    if (hashes_[i] != pathHash) continue;
    if (start < modules_[i].base) modules_[i].base = start;
    if (end > modules_[i].end) modules_[i].end = end;
    return;
  }
  if (count_ == kCapacity) return;
  LoadedModule& module = modules_[count_];
  module = {start, end, {}};
  for (size_t i = 0; i + 1 < sizeof module.name && name[i] != '\0'; ++i) module.name[i] = name[i];
  hashes_[count_++] = pathHash;
}

void ModuleMap::finish() {
  size_t kept = 0;
  for (size_t i = 0; i < count_; ++i) {
    if (!isModuleImage(modules_[i].base)) continue;
    // Insertion by base: the map is nearly ordered already.
    size_t at = kept;
    const LoadedModule module = modules_[i];
    const uint64_t hash = hashes_[i];
    for (; at > 0 && modules_[at - 1].base > module.base; --at) {
      modules_[at] = modules_[at - 1];
      hashes_[at] = hashes_[at - 1];
    }
    modules_[at] = module;
    hashes_[at] = hash;
    ++kept;
  }
  count_ = kept;
}

void ModuleMap::loadFromText(std::string_view text) {
  count_ = 0;
  MapsParser parser(addMapsLine, this);
  parser.feed(text.data(), text.size());
  parser.finish();
  finish();
}

const LoadedModule* ModuleMap::find(uintptr_t address) const {
  // Spans may overlap only in damaged input; the last base at or below the address decides.
  size_t low = 0, high = count_;
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if (modules_[middle].base <= address) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == 0) return nullptr;
  const LoadedModule& module = modules_[low - 1];
  return address < module.end ? &module : nullptr;
}

const LoadedModule* ModuleMap::findByStem(std::string_view stem) const {
  for (size_t i = 0; i < count_; ++i)
    if (sameStem(modules_[i].name, stem)) return &modules_[i];
  return nullptr;
}

}  // namespace tz::platform
