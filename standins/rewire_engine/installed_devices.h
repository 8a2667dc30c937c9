// The installed devices: the sub keys of HKLM\SOFTWARE\Propellerhead Software\ReWire that
// carry a "Device Path" string. Each device writes its own key; the engine only reads them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tz::engine {

// Device names in the registry's order (by name, case ignored).
std::vector<std::string> installedDevices();

// The library path (UTF-8) of an installed device; false when the name is empty or holds
// a '\\', or when the device has no key or no non-empty "Device Path" string.
bool deviceLibraryPath(std::string_view device, std::string& path);

}  // namespace tz::engine
