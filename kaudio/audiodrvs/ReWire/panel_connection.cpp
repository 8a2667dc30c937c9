// The panel half's connection to the device half: the engine's message connection by the
// device signature, the exchange block and both events by name, and one worker thread that
// answers the device's requests under the device lock.
#include <mutex>

#include "kaudio/audiodrvs/ReWire/audio_device.h"
#include "kaudio/audiodrvs/ReWire/engine_binding.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "support/platform/clock.h"
#include "support/platform/text_encoding.h"

namespace tz::rewire {

namespace {

constexpr uint32_t kStopPauseMs = 100;

std::string moduleText8(uint32_t id) {
  return platform::utf8FromUtf16(moduleString(id));
}

}  // namespace

void CReWireAudioDevice::setFormats(uint32_t rate) {
  stereoFormat_ = {3, 2, rate, rate * 8, 8, 32, 0};
  monoFormat_ = {3, 1, rate, rate * 4, 4, 32, 0};
}

HRESULT CReWireAudioDevice::connectPanel() {
  PanelConnection& link = connection_;
  char signature[8] = {};
  copyUtf8(moduleString(IDS_REWIRE_SIGNATURE).substr(0, 8), signature, sizeof signature);
  const PanelApi& api = panelApi();
  if (api.comConnect == nullptr) return E_UNEXPECTED;
  const HRESULT joined = mapReWireError(api.comConnect(signature, &link.handle));
  if (joined != S_OK) return joined;
  setConnectionFlag(kConnected, true);

  uint32_t rate = 0;
  uint32_t frames = 0;
  if (openExchangeBlock(link.block, moduleText8(IDS_EXCHANGE_BLOCK_NAME).c_str(), outputCount,
                        &rate, &frames) != 0) {
    disconnectPanel();
    return S_FALSE;
  }
  bufferFrames_ = frames;
  setFormats(rate);
  // The first block after a connect compares with an empty record, so that it reports every
  // field that is set.
  current_ = {};
  previous_ = {};

  // Without both events or the worker the device half would time out on every block: report
  // the failure rather than a connection that cannot serve.
  auto completion = platform::NamedEvent::open(moduleText8(IDS_COMPLETION_EVENT_NAME));
  auto request = platform::NamedEvent::open(moduleText8(IDS_REQUEST_EVENT_NAME));
  if (completion.error != platform::PlatformError::Success ||
      request.error != platform::PlatformError::Success) {
    disconnectPanel();
    return E_FAIL;
  }
  link.completionEvent = std::move(completion.event);
  link.requestEvent = std::move(request.event);
  if (link.worker.start(workerMain, this) != platform::PlatformError::Success) {
    disconnectPanel();
    return E_FAIL;
  }
  if (platform::isThreadPriority(priority))
    link.worker.setPriority(static_cast<platform::ThreadPriority>(priority));
  link.requestEvent.set();
  return S_OK;
}

void CReWireAudioDevice::disconnectPanel() {
  PanelConnection& link = connection_;
  if (!connected()) return;
  setConnectionFlag(kConnected, false);
  link.requestEvent.set();
  if (link.worker.started()) link.worker.join();
  closeExchangeBlock(link.block);
  if (panelApi().comDisconnect != nullptr) panelApi().comDisconnect(link.handle);
  link.handle = 0;
  // Whoever waits on the other side wakes and finds the panel gone.
  link.requestEvent.set();
  link.completionEvent.set();
  link.requestEvent.close();
  link.completionEvent.close();
}

uint32_t CReWireAudioDevice::workerMain(void* context) {
  auto& device = *static_cast<CReWireAudioDevice*>(context);
  PanelConnection& link = device.connection_;
  link.requestEvent.wait(platform::NamedEvent::Infinite);
  while (device.connected()) {
    link.requestEvent.wait(platform::NamedEvent::Infinite);
    if (!device.connected()) break;
    std::lock_guard hold(device.lock_);
    device.pumpChannel1();
    device.pumpChannel0();
  }
  link.completionEvent.set();
  return 0;
}

void CReWireAudioDevice::pumpChannel1() {
  const PanelApi& api = panelApi();
  PanelConnection& link = connection_;
  if (api.comCheckConnection(link.handle) == kRWNotConnected ||
      (connectionFlags_.load() & kPanelStarted) == 0)
    return;
  // Completion is signalled only for a pass that answered a block or a format change: a
  // signal left pending by an empty pass would release the device's next wait before the
  // slots are written.
  bool answered = false;
  for (;;) {
    uint16_t size = 0;
    if (api.comRead(link.handle, 1, &size, link.channel1) != kRWSuccess || size == 0) break;
    switch (link.channel1[0]) {
      case RWMSG_DRIVE_AUDIO:
        runAudioCycle();
        answered = true;
        break;
      case RWMSG_AUDIO_INFO_CHANGED:
        changeFormat();
        answered = true;
        break;
      case RWMSG_QUIT_PANEL:
        requestQuit();
        break;
      default:
        break;
    }
  }
  if (answered) link.completionEvent.set();
}

void CReWireAudioDevice::pumpChannel0() {
  const PanelApi& api = panelApi();
  PanelConnection& link = connection_;
  if (api.comCheckConnection(link.handle) == kRWNotConnected ||
      (connectionFlags_.load() & kPanelStarted) == 0)
    return;
  for (;;) {
    uint16_t size = 0;
    if (api.comRead(link.handle, 0, &size, link.channel0) != kRWSuccess || size == 0) break;
    if (link.channel0[0] == RWMSG_QUIT_PANEL) requestQuit();
  }
}

void CReWireAudioDevice::sendMessage(const void* bytes, uint32_t size) {
  const PanelApi& api = panelApi();
  if (api.comSend != nullptr) api.comSend(connection_.handle, 1, size, bytes);
}

HRESULT CReWireAudioDevice::sendPanelStarted() {
  if (!connected()) return E_UNEXPECTED;
  if ((connectionFlags_.load() & kPanelStarted) != 0) return S_OK;
  const uint8_t message = RWMSG_PANEL_STARTED;
  sendMessage(&message, 1);
  sampleCounter_ = 0;
  setConnectionFlag(kPanelStarted, true);
  connection_.requestEvent.set();
  return S_OK;
}

HRESULT CReWireAudioDevice::sendPanelStopped() {
  if ((connectionFlags_.load() & kPanelStarted) == 0) return S_OK;
  std::lock_guard hold(lock_);
  const uint8_t message = RWMSG_PANEL_STOPPED;
  sendMessage(&message, 1);
  setConnectionFlag(kPanelStarted, false);
  connection_.requestEvent.set();
  platform::sleepMs(kStopPauseMs);
  return S_OK;
}

}  // namespace tz::rewire
