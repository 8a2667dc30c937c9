// Engine loading. The last-error function is optional: an engine without it still works,
// only the mixer's error line says less.
#include "standins/rwmixer/engine_binding.h"

namespace tz::mixer {
namespace {

template <typename Proc>
bool bind(const tz::platform::Module& module, const char* name, Proc& proc, std::string& missing) {
  proc = reinterpret_cast<Proc>(module.symbol(name));
  if (!proc && missing.empty()) missing = name;
  return proc != nullptr;
}

}  // namespace

bool EngineBinding::load(const std::string& path, std::string& error) {
  const std::string shown = path.empty() ? kFileName : path;
  const tz::platform::PlatformError status =
      path.empty() ? module_.loadByName(kFileName) : module_.loadFromPath(path);
  if (!tz::platform::succeeded(status)) {
    error = "cannot load the engine " + shown + " (error " +
            std::to_string(static_cast<uint32_t>(status)) + "): " + tz::platform::lastLoadMessage();
    return false;
  }
  std::string missing;
  bind(module_, "RWMSetMixerRunning", setMixerRunning, missing);
  bind(module_, "RWMCountDevices", countDevices, missing);
  bind(module_, "RWMGetDeviceName", getDeviceName, missing);
  bind(module_, "RWMLoadDevice", loadDevice, missing);
  bind(module_, "RWMUnloadDevice", unloadDevice, missing);
  bind(module_, "RWMLastLoadError", lastLoadError_, missing);
  if (!setMixerRunning || !countDevices || !getDeviceName || !loadDevice || !unloadDevice) {
    error = "the engine " + module_.path() + " lacks " + missing;
    module_.unload();
    return false;
  }
  return true;
}

std::vector<std::string> EngineBinding::deviceNames() const {
  std::vector<std::string> names;
  int32_t count = 0;
  if (countDevices(&count) != kRWSuccess) return names;
  for (int32_t i = 0; i < count && i < 4096; ++i) {
    char name[256] = {};
    if (getDeviceName(i, name, sizeof name) != kRWSuccess) continue;
    name[sizeof name - 1] = '\0';
    names.emplace_back(name);
  }
  return names;
}

std::string EngineBinding::lastLoadError() const {
  const char* message = lastLoadError_ ? lastLoadError_() : nullptr;
  return message ? message : "";
}

}  // namespace tz::mixer
