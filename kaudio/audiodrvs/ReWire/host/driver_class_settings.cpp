// Loading and saving the device settings: the tick mode and the worker priority in the host's
// metrics store, the extra channel counts in the engine's registry key for the device.
#include <string>

#include "kaudio/audiodrvs/ReWire/device_settings.h"
#include "kaudio/audiodrvs/ReWire/engine_paths.h"
#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/host/driver_class.h"
#include "support/platform/registry.h"
#include "support/platform/text_encoding.h"
#include "tz/metrics.h"

namespace tz::rewire {

namespace {

constexpr LONG kMetricTickMode = 501;
constexpr LONG kMetricPriority = 503;
constexpr LONG kPriorities[] = {15, 2, 1, 0, -1, -2, -15};

bool isPriority(LONG value) {
  for (LONG priority : kPriorities)
    if (priority == value) return true;
  return false;
}

std::u16string classPath(const WCHAR* className) {
  return std::u16string(u"Audio Hardware\\Classes\\") + className;
}

void loadDevice(CReWireAudioDevice& device, HTZMETRICS key) {
  device.setTickMode24576(TzGetMetricBool(key, kMetricTickMode, TRUE) != FALSE);
  device.priority = kDefaultWorkerPriority;
  if (TzDoesMetricExist(key, kMetricPriority, REG_DWORD) == S_OK) {
    const auto stored = static_cast<LONG>(TzGetMetric(key, kMetricPriority));
    if (isPriority(stored)) device.priority = stored;
  }
  const DeviceSettings settings = readDeviceSettings();
  device.extraChannels = static_cast<DWORD>(settings.extraChannels);
  device.extraMonoChannels = static_cast<DWORD>(settings.extraMonoChannels);
  device.outputCount = (device.extraChannels + device.extraMonoChannels + kFixedChannels) / 2;
}

void saveDevice(const CReWireAudioDevice& device, HTZMETRICS key, const WCHAR* deviceName) {
  TzSetMetric(key, kMetricTickMode, device.tickMode24576() ? static_cast<DWORD>(-1) : 0);
  TzSetMetric(key, kMetricPriority, static_cast<DWORD>(device.priority));
  using platform::RegistryKey;
  RegistryKey engineKey;
  RegistryKey moduleKey;
  if (!succeeded(
          RegistryKey::open(platform::RegistryRoot::LocalMachine, kEngineRegistryKey, engineKey)) ||
      !succeeded(engineKey.openSubKey(platform::utf8FromUtf16(deviceName), moduleKey)))
    return;
  const uint32_t extra = device.extraChannels;
  const uint32_t mono = device.extraMonoChannels;
  moduleKey.setValue("ExtraChannels", platform::RegistryType::Dword, &extra, sizeof extra);
  moduleKey.setValue("ExtraMonoChannels", platform::RegistryType::Dword, &mono, sizeof mono);
}

// Runs step on each device whose key below the class key opens; the status of the last open.
template <typename Step>
HRESULT forEachDeviceKey(tTZLIST* devices, HTZMETRICS settingsKey, const std::u16string& path,
                         Step step) {
  HRESULT status = S_OK;
  for (LONG i = 0; devices != nullptr && i < devices->itemCount; ++i) {
    auto* device = static_cast<CReWireAudioDevice*>(
        static_cast<IAudioDevice2*>(static_cast<void**>(devices->slots)[i]));
    const std::u16string devicePath = path + u"\\" + device->name();
    HTZMETRICS deviceKey = nullptr;
    status = TzMetric_OpenSubKey(&deviceKey, settingsKey, devicePath.c_str());
    if (SUCCEEDED(status)) {
      step(*device, deviceKey);
      TzMetric_Close(deviceKey);
    }
  }
  return status;
}

}  // namespace

HRESULT CReWireAudioClass::Initialize(HTZMETRICS settingsKey) {
  settingsKey_ = settingsKey;
  const HTZMETRICS key = settingsKey;
  const std::u16string path = classPath(className_);
  HTZMETRICS classKey = nullptr;
  HRESULT status = TzMetric_OpenSubKey(&classKey, key, path.c_str());
  if (FAILED(status)) return status;
  status = forEachDeviceKey(
      devices_, key, path,
      [](CReWireAudioDevice& device, HTZMETRICS deviceKey) { loadDevice(device, deviceKey); });
  TzMetric_Close(classKey);
  return status;
}

HRESULT CReWireAudioClass::Terminate() {
  const HTZMETRICS key = settingsKey_;
  const std::u16string path = classPath(className_);
  HTZMETRICS classKey = nullptr;
  HRESULT status = TzMetric_OpenSubKey(&classKey, key, path.c_str());
  if (FAILED(status)) return status;
  const WCHAR* deviceName = deviceName_;
  status = forEachDeviceKey(devices_, key, path,
                            [deviceName](CReWireAudioDevice& device, HTZMETRICS deviceKey) {
                              saveDevice(device, deviceKey, deviceName);
                            });
  releaseReWirePanel();
  TzMetric_Close(classKey);
  return status;
}

}  // namespace tz::rewire
