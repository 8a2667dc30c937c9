// Opening and closing the device: the engine binding, the exchange block, the two events
// and the message connection, all made by the open and all released by the close or by a
// failed open.
#include "kaudio/audiodrvs/ReWire/device/device_instance.h"

#include <cstring>
#include <new>

#include "kaudio/audiodrvs/ReWire/device_settings.h"
#include "kaudio/audiodrvs/ReWire/engine_binding.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "support/platform/clock.h"
#include "support/platform/module.h"
#include "support/platform/text_encoding.h"

namespace tz::rewire {
namespace {

std::atomic<CReWireDeviceInstance*> gInstance{nullptr};

constexpr char kSignature[] = "QRX7";
// How long a create waits for a panel of an earlier session (or of the block being replaced)
// to let go of an object of the same name; such a panel checks every 250 ms.
constexpr uint32_t kStaleHolderWaitMs = 1500;
constexpr uint32_t kStaleHolderPollMs = 20;

// Calls make() until it succeeds or the wait for stale holders is over.
template <typename Make>
bool retryWhileHeld(Make make) {
  const uint32_t start = platform::tickCountMs();
  for (;;) {
    if (make()) return true;
    if (platform::tickCountMs() - start >= kStaleHolderWaitMs) return false;
    platform::sleepMs(kStaleHolderPollMs);
  }
}

// An event another process still holds may carry its signals and its waiters: a device only
// uses events it made itself.
bool makeFreshEvent(platform::NamedEvent& event, uint32_t nameId) {
  const std::string name = platform::utf8FromUtf16(moduleString(nameId));
  return retryWhileHeld([&] {
    auto made = platform::NamedEvent::create(name);
    if (!succeeded(made.error) || made.existed) return false;
    event = std::move(made.event);
    return true;
  });
}

void releaseInstance(CReWireDeviceInstance* instance) {
  instance->completionEvent.close();
  instance->requestEvent.close();
  closeExchangeBlock(instance->block);
  if (instance->connection != 0) deviceApi().comDestroy(instance->connection);
  if (instance->deviceApiOpen) closeDeviceApi();
  delete instance;
}

// The engine binding first, then the message connection: the engine refuses a second device
// of this signature (6) before anything shared is touched. Then the block and the events,
// each made afresh; the first status other than 1 stops it, leaving the caller to release
// what was made.
RWSTATUS openShared(CReWireDeviceInstance& instance, const AudioInfo& info) {
  const RWSTATUS bound = openDeviceApi();
  if (bound != kRWSuccess) return bound;
  instance.deviceApiOpen = true;
  const RWChannelRecord channels[2] = {{12, kMessageBufferBytes, kMessageBufferBytes},
                                       {12, kMessageBufferBytes, kMessageBufferBytes}};
  uint32_t handle = 0;
  const RWSTATUS created = deviceApi().comCreate(kSignature, 2, channels, &handle);
  if (created != kRWSuccess) return created;
  // Success without a connection would leave the device deaf to its panel for good.
  if (handle == 0) return kRWGeneralFailure;
  instance.connection = handle;
  if (!makeExchangeBlock(instance, info, true)) return kRWOutOfMemory;
  std::memset(static_cast<void*>(instance.block.header()), 0, sizeof(ExchangeHeader));
  writeAudioInfo(instance, info);
  if (!makeFreshEvent(instance.requestEvent, IDS_REQUEST_EVENT_NAME) ||
      !makeFreshEvent(instance.completionEvent, IDS_COMPLETION_EVENT_NAME))
    return kRWOutOfMemory;
  return kRWSuccess;
}

}  // namespace

bool makeExchangeBlock(CReWireDeviceInstance& instance, const AudioInfo& info, bool wait) {
  const std::string name = platform::utf8FromUtf16(moduleString(IDS_EXCHANGE_BLOCK_NAME));
  if (!wait)
    return createExchangeBlock(instance.block, name.c_str(), instance.channelCount,
                               info.maxFramesPerBlock) == 0;
  return retryWhileHeld([&] {
    return createExchangeBlock(instance.block, name.c_str(), instance.channelCount,
                               info.maxFramesPerBlock) == 0;
  });
}

void writeAudioInfo(CReWireDeviceInstance& instance, const AudioInfo& info) {
  ExchangeHeader* header = instance.block.header();
  header->audioInfoSize = info.size;
  header->sampleRate = info.sampleRate;
  header->maxFramesPerBlock = info.maxFramesPerBlock;
}

void InstanceLock::enter() {
  while (!tryEnter()) platform::sleepMs(1);
}

InstanceLock& instanceLock() {
  static InstanceLock lock;
  return lock;
}

CReWireDeviceInstance* currentInstance() {
  return gInstance.load(std::memory_order_acquire);
}

RWSTATUS openDevice(const OpenDeviceParams* params) {
  if (currentInstance() != nullptr) return kRWAlreadyOpen;
  if (params == nullptr) return kRWGeneralFailure;
  auto* instance = new (std::nothrow) CReWireDeviceInstance();
  if (instance == nullptr) return kRWOutOfMemory;
  RWSTATUS status = kRWOutOfMemory;
  try {
    instance->channelCount = deviceSettings().channelCount();
    instance->libraryPath = platform::currentModulePath();
    instance->commandLineResult =
        buildPanelCommandLine(instance->libraryPath, instance->commandLine);
    instance->sampleRate = params->audioInfo.sampleRate;
    instance->maxFrames = params->audioInfo.maxFramesPerBlock;
    instance->audioInfoSize = params->audioInfo.size;
    status = openShared(*instance, params->audioInfo);
  } catch (const std::bad_alloc&) {
  }
  if (status != kRWSuccess) {
    releaseInstance(instance);
    return status;
  }
  gInstance.store(instance, std::memory_order_release);
  return kRWSuccess;
}

void closeDevice() {
  CReWireDeviceInstance* instance = currentInstance();
  if (instance == nullptr) return;
  // Wakes a drive step of this process waiting for completion, and the panel's worker.
  instance->closing.store(1);
  instance->completionEvent.set();
  instance->requestEvent.set();
  InstanceLock& lock = instanceLock();
  lock.enter();
  gInstance.store(nullptr, std::memory_order_release);
  lock.leave();
  releaseInstance(instance);
}

}  // namespace tz::rewire
