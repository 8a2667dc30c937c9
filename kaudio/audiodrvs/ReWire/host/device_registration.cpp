// Making this library known to the engine as the library of the "Loopra Pro 7.0" device.
#include <string>

#include "kaudio/audiodrvs/ReWire/engine_binding.h"
#include "kaudio/audiodrvs/ReWire/engine_paths.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "support/platform/module.h"
#include "support/platform/registry.h"
#include "support/platform/text_encoding.h"

namespace tz::rewire {

HRESULT registerReWireDevice() {
  using platform::RegistryKey;
  const std::string path = platform::currentModulePath();
  if (path.empty()) return S_FALSE;
  RegistryKey parent;
  if (!succeeded(
          RegistryKey::open(platform::RegistryRoot::LocalMachine, kEngineRegistryKey, parent)))
    return S_FALSE;
  RegistryKey device;
  if (!succeeded(parent.createSubKey(platform::utf8FromUtf16(moduleString(IDS_REWIRE_DEVICE_NAME)),
                                     device)))
    return S_FALSE;
  // REG_SZ data counts its terminating zero.
  const std::u16string wide = platform::utf16FromUtf8(path);
  device.setValue(kDevicePathValue, platform::RegistryType::String, wide.c_str(),
                  static_cast<uint32_t>((wide.size() + 1) * sizeof(char16_t)));
  device.close();
  parent.close();
  // The unregister call, not the register one: the value above is what registers the device.
  if (panelApi().unregisterDevice != nullptr) panelApi().unregisterDevice(path.c_str());
  return S_OK;
}

}  // namespace tz::rewire
