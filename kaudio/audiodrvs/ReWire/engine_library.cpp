// Loading and releasing the engine module: the debug build of the engine wins over the
// release build when both can be found, and only a 1.x engine is accepted.
#include <string_view>

#include "kaudio/audiodrvs/ReWire/engine_binding.h"
#include "kaudio/audiodrvs/ReWire/engine_library_internal.h"
#include "support/platform/module.h"

namespace tz::rewire {
namespace {

using platform::PlatformError;

struct EngineModule {
  platform::Module module;
  int32_t references = 0;
};

EngineModule& engine() {
  static EngineModule state;
  return state;
}

RWSTATUS statusFromLoadError(PlatformError error) {
  switch (static_cast<uint32_t>(error)) {
    case 4:
    case 8:
    case 14:
      return kRWOutOfMemory;
    case 11:
    case 30:
    case 31:
      return kRWLibraryUnusable;
    case 1157:
      return kRWLibraryNotFound;
    default:
      return kRWGeneralFailure;
  }
}

}  // namespace

std::recursive_mutex& bindingLock() {
  static std::recursive_mutex lock;
  return lock;
}

void* engineSymbol(const char* name) {
  return engine().module.symbol(name);
}

RWSTATUS loadEngineLibrary() {
  std::lock_guard guard(bindingLock());
  EngineModule& state = engine();
  if (state.module.loaded()) {
    ++state.references;
    return kRWSuccess;
  }
  platform::Module module;
  if (!succeeded(module.loadByName("ReWireDebug.dll"))) {
    const PlatformError error = module.loadByName("ReWire.dll");
    if (!succeeded(error)) return statusFromLoadError(error);
  }
  // An unreadable version counts as a wrong one: major 0.
  platform::FileVersion version;
  platform::readFileVersion(module.path(), version);
  if (version.major() != 1) return kRWGeneralFailure;
  state.module = std::move(module);
  state.references = 1;
  return kRWSuccess;
}

void releaseEngineLibrary() {
  std::lock_guard guard(bindingLock());
  EngineModule& state = engine();
  if (state.references > 0 && --state.references == 0) state.module.unload();
}

std::string engineLibraryPath() {
  std::lock_guard guard(bindingLock());
  return engine().module.path();
}

}  // namespace tz::rewire
