// Puts a device into the states that a connection would give it, for tests without a mixer.
#pragma once

#include "kaudio/audiodrvs/ReWire/exchange_block.h"
#include "kaudio/audiodrvs/ReWire/host/audio_device.h"

namespace tz::rewire {

class DeviceTestAccess {
 public:
  static void attach(CReWireAudioDevice& device, DWORD frames, uint32_t rate) {
    device.flags_ |= kDeviceAttached | kDeviceAttachedOnce;
    device.bufferFrames_ = frames;
    device.setFormats(rate);
    device.attachCount_ = 1;
  }
  // Maps the named block as a connection does and makes the outputs.
  static bool mapBlock(CReWireAudioDevice& device, const char* name) {
    uint32_t rate = 0, frames = 0;
    if (openExchangeBlock(device.connection_.block, name, device.outputCount, &rate, &frames) != 0)
      return false;
    attach(device, frames, rate);
    return device.createOutputs() == S_OK;
  }
  // Asks for the next block, as the device half does, and runs the cycle that answers it.
  static void runCycle(CReWireAudioDevice& device) {
    device.connection_.block.sync()->requested.fetch_add(1);
    device.runAudioCycle();
  }
  // Something other than the page changed the settings.
  static void markSettingsChanged(CReWireAudioDevice& device) {
    device.flags_ |= kDeviceSettingsChanged;
  }
  static std::atomic<DWORD>& link(CReWireAudioDevice& device) { return device.connectionFlags_; }
  static void unmapBlock(CReWireAudioDevice& device) {
    device.releaseOutputs();
    closeExchangeBlock(device.connection_.block);
  }
  static void publishBlock(CReWireAudioDevice& device, int64_t counter, uint32_t stamp) {
    device.sampleCounter_ = counter;
    device.cycleTimeStamp_ = stamp;
    int64_t none = kNoPosition;
    device.sampleStartOffset_.compare_exchange_strong(none, 0);
  }
};

}  // namespace tz::rewire
