// Where the engine keeps its installed devices: one key per device name under this key of
// the local machine.
#pragma once

namespace tz::rewire {

constexpr char kEngineRegistryKey[] = "SOFTWARE\\Propellerhead Software\\ReWire";
constexpr char kDevicePathValue[] = "Device Path";

}  // namespace tz::rewire
