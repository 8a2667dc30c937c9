// A change of sample rate or maximum block size. The block is made again for the new F in two
// steps, so that the new block is always a fresh one laid out for the new F: the device gives
// the old block up and tells a started panel, which lets go of it; then the device makes the
// new block under the same name and tells the panel to map it. A panel that is not started
// lets go on its own when it sees the old block retired. It runs under the instance lock, so
// no drive step uses the block while it is replaced; drive steps meanwhile serve silence.
#include <new>

#include "kaudio/audiodrvs/ReWire/device/device_instance.h"
#include "kaudio/audiodrvs/ReWire/engine_binding.h"

namespace tz::rewire {
namespace {

void tellPanel(CReWireDeviceInstance& instance) {
  const DeviceApi& api = deviceApi();
  if (instance.connection == 0 || !instance.panelRunning() ||
      api.comDoesMessageFit(instance.connection, 1, 1) != kRWSuccess)
    return;
  const uint8_t message = RWMSG_AUDIO_INFO_CHANGED;
  instance.completionEvent.wait(0);  // a completion left over from an earlier pass
  api.comSend(instance.connection, 1, 1, &message);
  instance.requestEvent.set();
  if (instance.completionEvent.wait(instance.timeoutMs) != platform::WaitResult::Signaled)
    instance.requestEvent.set();
}

AudioInfo currentAudioInfo(const CReWireDeviceInstance& instance) {
  return {instance.audioInfoSize, instance.sampleRate, instance.maxFrames};
}

void makeAndAnnounce(CReWireDeviceInstance& instance, bool wait) {
  const AudioInfo info = currentAudioInfo(instance);
  if (!makeExchangeBlock(instance, info, wait)) return;
  writeAudioInfo(instance, info);
  tellPanel(instance);
}

void changeAudioInfo(CReWireDeviceInstance& instance, const AudioInfo& info) {
  // The instance's own values decide: the shared header is the panel's to read, not ours.
  if (instance.block.isOpen() && instance.sampleRate == info.sampleRate &&
      instance.maxFrames == info.maxFramesPerBlock)
    return;
  instance.audioInfoSize = info.size;
  instance.sampleRate = info.sampleRate;
  instance.maxFrames = info.maxFramesPerBlock;
  if (instance.block.isOpen()) {
    retireExchangeBlock(instance.block);
    tellPanel(instance);
  }
  // A panel that holds the old block past the wait leaves the device without one; the idle
  // call then tries again until the panel has let go.
  makeAndAnnounce(instance, true);
}

}  // namespace

void remakeMissingBlock(CReWireDeviceInstance& instance) {
  if (instance.block.isOpen()) return;
  try {
    makeAndAnnounce(instance, false);
  } catch (const std::bad_alloc&) {
  }
}

void setAudioInfo(const AudioInfo* info) {
  CReWireDeviceInstance* instance = currentInstance();
  if (instance == nullptr || info == nullptr) return;
  // An F that no block can serve is refused before the working block is given up.
  if (exchangeBlockBytes(instance->channelCount, info->maxFramesPerBlock) == 0) return;
  InstanceLock& lock = instanceLock();
  lock.enter();
  try {
    changeAudioInfo(*instance, *info);
  } catch (const std::bad_alloc&) {
  }
  lock.leave();
}

}  // namespace tz::rewire
