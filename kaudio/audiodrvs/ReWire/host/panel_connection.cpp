// The panel half's connection to the device half: the engine's message connection by the
// device signature, the exchange block and both events by name, and one worker thread that
// answers the device's requests under the device lock.
#include <mutex>

#include "kaudio/audiodrvs/ReWire/engine_binding.h"
#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "support/platform/clock.h"
#include "support/platform/text_encoding.h"
#include "support/platform/this_thread.h"
#include "tz/channel_ops.h"

namespace tz::rewire {

namespace {

constexpr uint32_t kStopPauseMs = 100;
constexpr uint32_t kWorkerWaitMs = 250;

std::string moduleText8(uint32_t id) {
  return platform::utf8FromUtf16(moduleString(id));
}

}  // namespace

void CReWireAudioDevice::setFormats(uint32_t rate) {
  stereoFormat_ = floatWaveFormat(rate, 2);
  monoFormat_ = floatWaveFormat(rate, 1);
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
  setConnectionFlag(kDeviceHalfGone, false);

  if (!mapBlock()) {
    disconnectPanel();
    return S_FALSE;
  }
  // The first block after a connect compares with an empty record, so that it reports every
  // field that is set.
  current_ = {};
  previous_ = {};
  publishLoop();

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
  {
    // The worker may be letting go of the events itself (the device half went away).
    std::lock_guard hold(lock_);
    link.requestEvent.set();
  }
  if (link.worker.started()) link.worker.join();
  // A block the device still waits for gets silence rather than the device's time-out.
  answerPendingBlock();
  closeExchangeBlock(link.block);
  if (panelApi().comDisconnect != nullptr) panelApi().comDisconnect(link.handle);
  link.handle = 0;
  // Whoever waits on the other side wakes and finds the panel gone.
  link.requestEvent.set();
  link.completionEvent.set();
  link.requestEvent.close();
  link.completionEvent.close();
  setConnectionFlag(kDeviceHalfGone, false);
}

uint32_t CReWireAudioDevice::workerMain(void* context) {
  auto& device = *static_cast<CReWireAudioDevice*>(context);
  PanelConnection& link = device.connection_;
  // The device lock keys on the thread's id: ask for it before the first block needs it.
  platform::currentThreadId();
  bool deviceHalfAlive = true;
  // Bounded waits: a device half that went away without a word (a mixer that crashed) is
  // noticed within one step, and no wake-up lost on the way can stall the worker for good.
  while (deviceHalfAlive && device.connected()) {
    link.requestEvent.wait(kWorkerWaitMs);
    if (!device.connected()) break;
    std::lock_guard hold(device.lock_);
    deviceHalfAlive = device.workerPass();
  }
  if (deviceHalfAlive) link.completionEvent.set();
  return 0;
}

bool CReWireAudioDevice::workerPass() {
  PanelConnection& link = connection_;
  if (panelApi().comCheckConnection(link.handle) == kRWNotConnected) {
    letGoOfDeviceHalf();
    return false;
  }
  // The device gave the block up for one of a new size: let go, so that it can make the
  // new one afresh under the same name, also while this panel is not started.
  if (link.block.retired()) releaseBlock();
  if ((connectionFlags_.load() & kPanelStarted) == 0) {
    // A block asked for just before the stop was sent is answered, with silence.
    if (answerPendingBlock()) link.completionEvent.set();
    return true;
  }
  pumpChannel1();
  pumpChannel0();
  return true;
}

void CReWireAudioDevice::letGoOfDeviceHalf() {
  PanelConnection& link = connection_;
  // Nothing of that session may answer or swallow a request of the next one: the block and
  // both events go now, and the host hears that the mixer is gone as a quit request.
  closeExchangeBlock(link.block);
  link.requestEvent.close();
  link.completionEvent.close();
  setConnectionFlag(kDeviceHalfGone, true);
  requestQuit();
}

bool CReWireAudioDevice::answerPendingBlock() {
  ExchangeBlock& block = connection_.block;
  ExchangeSync* sync = block.sync();
  if (sync == nullptr) return false;
  const uint32_t requested = sync->requested.load(std::memory_order_acquire);
  if (requested == sync->answered.load(std::memory_order_relaxed)) return false;
  for (uint32_t c = 0; c < block.slotCount; ++c)
    TzAudio_FillSilence(&monoFormat_, block.slots[c], static_cast<long>(block.maxFrames));
  sync->answered.store(requested, std::memory_order_release);
  return true;
}

void CReWireAudioDevice::pumpChannel1() {
  const PanelApi& api = panelApi();
  PanelConnection& link = connection_;
  // Completion is signalled only for a pass that answered a block or a format change: a
  // signal left pending by an empty pass would release the device's next wait before the
  // slots are written.
  bool answered = false;
  for (;;) {
    uint16_t size = 0;
    if (api.comRead(link.handle, 1, &size, link.channel1) != kRWSuccess || size == 0) break;
    switch (link.channel1[0]) {
      case RWMSG_DRIVE_AUDIO:
        answered = runAudioCycle() || answered;
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
  // Under the lock: the worker closes the events when the device half goes away.
  std::lock_guard hold(lock_);
  connection_.requestEvent.set();
  return S_OK;
}

HRESULT CReWireAudioDevice::sendPanelStopped() {
  if ((connectionFlags_.load() & kPanelStarted) == 0) return S_OK;
  {
    // The lock waits out a block in progress, so the next pass sees the panel stopped; that
    // pass answers a block the device asked for meanwhile. No pause is made under the lock,
    // where it would hold up the worker and with it the mixer.
    std::lock_guard hold(lock_);
    const uint8_t message = RWMSG_PANEL_STOPPED;
    sendMessage(&message, 1);
    setConnectionFlag(kPanelStarted, false);
    connection_.requestEvent.set();
  }
  platform::sleepMs(kStopPauseMs);
  return S_OK;
}

}  // namespace tz::rewire
