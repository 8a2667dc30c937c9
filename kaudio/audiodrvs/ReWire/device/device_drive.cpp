// One mixer block: the panel's messages on channel 1 become state changes and transport
// events, then the block is exchanged with a started panel, or silence is served.
// Audio path throughout: no allocation, no lock another thread can hold for long (the
// instance lock is only tried), no system call but the events' set and wait.
#include <algorithm>
#include <cstring>

#include "kaudio/audiodrvs/ReWire/device/device_instance.h"
#include "kaudio/audiodrvs/ReWire/device_settings.h"
#include "kaudio/audiodrvs/ReWire/engine_binding.h"
#include "support/platform/clock.h"

namespace tz::rewire {
namespace {

uint32_t wordAt(const uint8_t* message, size_t offset) {
  uint32_t word;
  std::memcpy(&word, message + offset, sizeof word);
  return word;
}

// Events beyond the buffer's capacity, or for a buffer that is missing or laid out for
// another event size, are dropped: the mixer owns that memory and sized it.
void appendEvent(EventBufferDesc& events, const ReWireEvent& event) {
  if (events.events == nullptr || events.eventSize != sizeof(ReWireEvent) ||
      events.count >= events.capacity)
    return;
  events.events[events.count++] = event;
}

void handlePanelMessage(CReWireDeviceInstance& instance, const uint8_t* message, size_t size,
                        DriveAudioOutput& output) {
  ReWireEvent event{};
  switch (message[0]) {
    case RWMSG_PANEL_STARTED:
      instance.state.fetch_or(kStatePanelRunning);
      instance.launchInProgress.store(0);
      return;
    case RWMSG_PANEL_STOPPED:
      instance.state.fetch_and(~kStatePanelRunning);
      return;
    case RWMSG_REQUEST_STOP:
      event.type = kRWEventStop;
      break;
    case RWMSG_REQUEST_PLAY:
      event.type = kRWEventPlay;
      break;
    case RWMSG_REPOSITION:
      if (size < 8) return;
      event.type = kRWEventReposition;
      event.position = static_cast<int32_t>(wordAt(message, 4));
      break;
    case RWMSG_SET_LOOP:
      if (size < 16) return;
      event.type = kRWEventLoop;
      event.position = static_cast<int32_t>(wordAt(message, 4));
      event.loopEnd = static_cast<int32_t>(wordAt(message, 8));
      event.loopOn = static_cast<uint8_t>(wordAt(message, 12));
      break;
    default:
      return;
  }
  appendEvent(output.eventsOut, event);
}

void pumpChannel1(CReWireDeviceInstance& instance, DriveAudioOutput& output) {
  const DeviceApi& api = deviceApi();
  for (;;) {
    uint16_t size = 0;
    if (api.comRead(instance.connection, 1, &size, instance.channel1) != kRWSuccess || size == 0)
      return;
    handlePanelMessage(instance, instance.channel1,
                       std::min<size_t>(size, sizeof instance.channel1), output);
  }
}

void serveSilence(DriveAudioInput& input, uint32_t channelCount) {
  for (uint32_t c = 0; c < channelCount; ++c)
    if (channelSetHas(input.requestedChannels, c) && input.buffers[c] != nullptr)
      std::memset(input.buffers[c], 0, size_t{input.frames} * sizeof(float));
}

// Waits, within the instance's time-out, for the completion of this block: a completion for
// an earlier one (its answer came after that block's wait had given up) is passed over. The
// clock is read once; only a completion passed over reads it again.
bool awaitAnswer(CReWireDeviceInstance& instance, const ExchangeSync& sync, uint32_t block) {
  const uint32_t start = platform::tickCountMs();
  for (uint32_t spent = 0; spent < instance.timeoutMs; spent = platform::tickCountMs() - start) {
    if (instance.completionEvent.wait(instance.timeoutMs - spent) != platform::WaitResult::Signaled)
      return false;
    if (instance.closing.load() != 0 || sync.answered.load(std::memory_order_acquire) == block)
      return true;
  }
  return false;
}

void exchange(CReWireDeviceInstance& instance, DriveAudioInput& input, DriveAudioOutput& output) {
  const DeviceApi& api = deviceApi();
  // A size field beyond the record would read past the mixer's record and write past the
  // header's copy of it.
  std::memcpy(&instance.block.header()->request, &input,
              std::min<size_t>(input.size, sizeof(DriveAudioInput)));
  if (api.comDoesMessageFit(instance.connection, 1, 1) != kRWSuccess) return;
  // A completion left by a pass that rendered nothing would end the wait below before the
  // panel has written this block.
  instance.completionEvent.wait(0);
  if (instance.closing.load() != 0) return;
  ExchangeSync& sync = *instance.block.sync();
  const uint32_t block = sync.requested.load(std::memory_order_relaxed) + 1;
  sync.requested.store(block, std::memory_order_release);
  const uint8_t message = RWMSG_DRIVE_AUDIO;
  const RWSTATUS sent = api.comSend(instance.connection, 1, 1, &message);
  instance.requestEvent.set();
  if (!awaitAnswer(instance, sync, block) || instance.closing.load() != 0) {
    instance.requestEvent.set();
    return;
  }
  if (sent != kRWSuccess) return;
  const uint32_t channels = std::min(instance.channelCount, instance.block.slotCount);
  for (uint32_t c = 0; c < channels; ++c) {
    if (!channelSetHas(input.requestedChannels, c) || input.buffers[c] == nullptr) continue;
    std::memcpy(input.buffers[c], instance.block.slots[c], size_t{input.frames} * sizeof(float));
    channelSetAdd(output.servedChannels, c);
  }
}

void driveBlock(CReWireDeviceInstance& instance, DriveAudioInput& input, DriveAudioOutput& output) {
  if (instance.connection != 0) pumpChannel1(instance, output);
  // Without a block (a failed re-creation), or for more frames than a slot holds, the
  // panel cannot serve this block.
  if (instance.connection == 0 || !instance.panelRunning() || !instance.block.isOpen() ||
      input.frames > instance.block.maxFrames) {
    serveSilence(input, instance.channelCount);
    return;
  }
  exchange(instance, input, output);
}

}  // namespace

void driveAudio(DriveAudioInput* input, DriveAudioOutput* output) {
  if (input == nullptr || output == nullptr) return;
  InstanceLock& lock = instanceLock();
  // Taken only while a close or an audio-info change replaces what a drive step uses, so
  // an instance exists and its settings have been read.
  if (!lock.tryEnter()) {
    serveSilence(*input, deviceSettings().channelCount());
    return;
  }
  if (CReWireDeviceInstance* instance = currentInstance()) driveBlock(*instance, *input, *output);
  lock.leave();
}

}  // namespace tz::rewire
