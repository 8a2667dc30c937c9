// The device half's one instance per process (CReWireDeviceInstance): the engine's message
// connection, the exchange block and its two events, the panel's state as the device has
// learned it, and the command line that launches the panel application.
//
// Threads: the mixer's audio thread runs the drive step; one control thread of the engine
// makes every other call, one at a time. The instance lock is process-wide, outside the
// instance, so that a drive step can try it before it touches an instance being closed.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "kaudio/audiodrvs/ReWire/device/panel_command_line.h"
#include "kaudio/audiodrvs/ReWire/exchange_block.h"
#include "support/platform/named_event.h"
#include "tz/rewire_device.h"

namespace tz::rewire {

constexpr uint32_t kStatePanelRunning = 1;
constexpr uint32_t kMessageBufferBytes = 8192;
constexpr uint32_t kExchangeTimeoutMs = 2000;

struct CReWireDeviceInstance {
  uint32_t connection = 0;  // the engine's message connection, 0 = none
  bool deviceApiOpen = false;
  ExchangeBlock block;
  platform::NamedEvent requestEvent;     // the device wakes the panel
  platform::NamedEvent completionEvent;  // the panel is done
  uint32_t timeoutMs = kExchangeTimeoutMs;
  // Changed by the drive step's pump and the idle call, each a single-word update.
  std::atomic<uint32_t> state{0};
  std::atomic<uint32_t> launchInProgress{0};
  std::atomic<uint32_t> closing{0};  // set before close wakes a waiting drive step
  uint32_t channelCount = 0;
  uint32_t sampleRate = 0;
  uint32_t maxFrames = 0;
  uint32_t audioInfoSize = 0;
  std::string libraryPath;
  std::u16string commandLine;  // empty when it could not be built
  CommandLineResult commandLineResult = CommandLineResult::NoLibraryPath;
  uint8_t channel0[kMessageBufferBytes] = {};
  uint8_t channel1[kMessageBufferBytes] = {};

  bool panelRunning() const { return (state.load() & kStatePanelRunning) != 0; }
};

// The instance lock: one word, so that the audio path can try it without a system call and
// without thread-local state. The drive step only tries it (and serves silence when it is
// taken); the control calls that replace or release what a drive step uses wait for it.
class InstanceLock {
 public:
  // Audio path: no allocation, no system call.
  bool tryEnter() {
    uint32_t expected = 0;
    return word_.compare_exchange_strong(expected, 1, std::memory_order_acquire);
  }
  // Control threads: waits out a drive step (at most one exchange time-out).
  void enter();
  void leave() { word_.store(0, std::memory_order_release); }

 private:
  std::atomic<uint32_t> word_{0};
};

InstanceLock& instanceLock();
// The open instance; null while the device is closed.
CReWireDeviceInstance* currentInstance();

// Makes the instance's block afresh for the F of `info`; with `wait`, waits a while for a
// panel that still holds an earlier block of the name to let it go. False: no block.
bool makeExchangeBlock(CReWireDeviceInstance& instance, const AudioInfo& info, bool wait);
// Without a block (a panel held the old one past the wait), makes it again and tells a
// started panel; one attempt, no wait. Control threads, under the instance lock.
void remakeMissingBlock(CReWireDeviceInstance& instance);
// Writes the three audio-info words into the block's header.
void writeAudioInfo(CReWireDeviceInstance& instance, const AudioInfo& info);

// The device entry points' work (device_exports.cpp is their C face).
RWSTATUS openDevice(const OpenDeviceParams* params);
void closeDevice();
void setAudioInfo(const AudioInfo* info);
void driveAudio(DriveAudioInput* input, DriveAudioOutput* output);
void idle();
bool isCloseOK();
RWSTATUS launchPanelApp();
bool isPanelAppLaunched();
RWSTATUS quitPanelApp();

}  // namespace tz::rewire
