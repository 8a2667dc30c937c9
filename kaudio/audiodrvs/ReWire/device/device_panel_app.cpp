// The device's view of the panel application: whether it runs, launching it, asking it to
// quit, and the idle call's reading of channel 0. All on the engine's control thread.
#include <cstdio>

#include "kaudio/audiodrvs/ReWire/device/device_instance.h"
#include "kaudio/audiodrvs/ReWire/device_settings.h"
#include "kaudio/audiodrvs/ReWire/engine_binding.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "support/platform/process_launcher.h"
#include "support/platform/text_encoding.h"

namespace tz::rewire {
namespace {

constexpr uint32_t kLaunchReadyWaitMs = 1000;

bool panelConnected(const CReWireDeviceInstance& instance) {
  return instance.connection != 0 &&
         deviceApi().comCheckConnection(instance.connection) == kRWPanelConnected;
}

bool panelExpected(const CReWireDeviceInstance& instance) {
  return instance.connection != 0 || instance.launchInProgress.load() != 0 ||
         instance.panelRunning();
}

void startPanel(CReWireDeviceInstance& instance) {
  if (instance.commandLineResult != CommandLineResult::Built) {
    std::fprintf(stderr, "LoopraReWire: panel application not launched: %s (library path \"%s\")\n",
                 instance.commandLineResult == CommandLineResult::TooLong
                     ? "its command line would exceed 259 characters"
                     : "the library's own path is unknown",
                 instance.libraryPath.c_str());
    return;
  }
  platform::Process process;
  const std::string line = platform::utf8FromUtf16(instance.commandLine);
  const platform::PlatformError error = platform::launchProcess(line, process);
  if (!succeeded(error)) {
    std::fprintf(stderr, "LoopraReWire: cannot launch \"%s\" (error %u)\n", line.c_str(),
                 static_cast<unsigned>(error));
    return;
  }
  instance.launchInProgress.store(1);
  process.waitUntilReady(kLaunchReadyWaitMs);
}

}  // namespace

bool isCloseOK() {
  const CReWireDeviceInstance* instance = currentInstance();
  return instance == nullptr || !panelConnected(*instance);
}

void idle() {
  CReWireDeviceInstance* instance = currentInstance();
  if (instance == nullptr || instance->connection == 0) return;
  if (!instance->block.isOpen()) {
    InstanceLock& lock = instanceLock();
    lock.enter();
    remakeMissingBlock(*instance);
    lock.leave();
  }
  const DeviceApi& api = deviceApi();
  const RWSTATUS status = api.comCheckConnection(instance->connection);
  if (status == kRWPanelGone) instance->state.fetch_and(~kStatePanelRunning);
  if (status != kRWPanelConnected) return;
  for (;;) {
    uint16_t size = 0;
    if (api.comRead(instance->connection, 0, &size, instance->channel0) != kRWSuccess || size == 0)
      return;
    const uint8_t message = instance->channel0[0];
    if (message == 5 || message == 6) instance->state.fetch_or(kStatePanelRunning);
    if (message == 7 || message == 8) instance->state.fetch_and(~kStatePanelRunning);
  }
}

RWSTATUS launchPanelApp() {
  CReWireDeviceInstance* instance = currentInstance();
  if (instance == nullptr || deviceSettings().allowStartUp == 0 ||
      instance->launchInProgress.load() != 0 || instance->panelRunning())
    return kRWSuccess;
  startPanel(*instance);
  return kRWSuccess;
}

bool isPanelAppLaunched() {
  const CReWireDeviceInstance* instance = currentInstance();
  return instance != nullptr && panelExpected(*instance) && panelConnected(*instance);
}

RWSTATUS quitPanelApp() {
  const CReWireDeviceInstance* instance = currentInstance();
  if (instance == nullptr || !panelExpected(*instance) || !panelConnected(*instance))
    return kRWSuccess;
  const uint8_t message = RWMSG_QUIT_PANEL;
  return deviceApi().comSend(instance->connection, 0, 1, &message);
}

}  // namespace tz::rewire
