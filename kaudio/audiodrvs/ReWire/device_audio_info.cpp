// A change of sample rate or maximum block size: the block is made again for the new F and
// the panel is told to map it anew. It runs under the instance lock, so no drive step uses
// the block while it is replaced; drive steps meanwhile serve silence.
#include <new>

#include "kaudio/audiodrvs/ReWire/device_instance.h"
#include "kaudio/audiodrvs/ReWire/engine_binding.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "support/platform/text_encoding.h"

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

void changeAudioInfo(CReWireDeviceInstance& instance, const AudioInfo& info) {
  // Without a block (an earlier re-creation failed) every change tries to make it again.
  const ExchangeHeader* header = instance.block.header();
  if (header != nullptr && header->sampleRate == info.sampleRate &&
      header->maxFramesPerBlock == info.maxFramesPerBlock)
    return;
  instance.sampleRate = info.sampleRate;
  instance.maxFrames = info.maxFramesPerBlock;
  closeExchangeBlock(instance.block);
  // A panel still holding the old block keeps it alive, and a block too small for the new
  // F fails here; the device then serves silence until a later change succeeds.
  if (createExchangeBlock(instance.block,
                          platform::utf8FromUtf16(moduleString(IDS_EXCHANGE_BLOCK_NAME)).c_str(),
                          instance.channelCount, info.maxFramesPerBlock) != 0)
    return;
  ExchangeHeader* fresh = instance.block.header();
  fresh->audioInfoSize = info.size;
  fresh->sampleRate = info.sampleRate;
  fresh->maxFramesPerBlock = info.maxFramesPerBlock;
  tellPanel(instance);
}

}  // namespace

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
