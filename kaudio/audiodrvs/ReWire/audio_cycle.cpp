// The worker's work for one message from the device half, under the device lock: the audio
// cycle of a mixer block, the format change and the quit request. The cycle allocates nothing
// and makes no system call besides one read of the millisecond clock.
#include <algorithm>

#include "kaudio/audiodrvs/ReWire/audio_device.h"
#include "kaudio/audiodrvs/ReWire/audio_output.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "kaudio/audiodrvs/ReWire/transport_record.h"
#include "support/platform/clock.h"
#include "support/platform/text_encoding.h"
#include "tz/channel_ops.h"

namespace tz::rewire {

namespace {

constexpr DWORD kBlockArgument = 3;

}  // namespace

void CReWireAudioDevice::buildRecord(const DriveAudioInput& drive) {
  const DWORD changes =
      buildTransportRecord(current_, previous_, drive, stereoFormat_, tickMode24576(), connectionFlags_);
  publishedSongPosition_ = current_.songPosition;
  publishedTempo_ = current_.tempo;
  if (changes != 0 && has(kDeviceRunning)) notify(kEventTransportChanged, changes, &current_);
}

LONG CReWireAudioDevice::transportNotice(uint32_t playMode) {
  if (!has(kDeviceRunning)) return 0;
  const bool playing = (connectionFlags_.load() & kPlaying) != 0;
  LONG result = 0;
  switch (playMode) {
    case 0:
      if (playing) {
        setConnectionFlag(kStopNoticed, true);
        result = notify(kEventTransportStopped, 0, &current_);
      }
      setConnectionFlag(kPlaying | kStopNoticed, false);
      return result;
    case 1:
      if (!playing) {
        current_.playTime = 0;
        setConnectionFlag(kStarting, true);
        result = notify(kEventTransportStarted, 0, &current_);
      }
      setConnectionFlag(kStarting | kPlaying, false);
      if (result == 0) setConnectionFlag(kPlaying, true);
      return result;
    case 2:
      current_.playTime = 0;
      if (!playing) {
        setConnectionFlag(kStarting, true);
        result = notify(kEventTransportStarted, 0, &current_);
      } else {
        result = notify(kEventTransportRepositioned, 0, &current_);
      }
      setConnectionFlag(kStarting | kPlaying | kRepositionEcho, false);
      if (result == 0) setConnectionFlag(kPlaying, true);
      return result;
    default:
      return 0;
  }
}

namespace {

// Marks the block the device asked for as answered once the cycle is over, whichever way it
// ends: the device then knows the completion signal that follows is this block's.
class AnswerOnExit {
 public:
  explicit AnswerOnExit(ExchangeSync* sync)
      : sync_(sync), block_(sync != nullptr ? sync->requested.load(std::memory_order_acquire) : 0) {}
  ~AnswerOnExit() {
    if (sync_ != nullptr) sync_->answered.store(block_, std::memory_order_release);
  }
  AnswerOnExit(const AnswerOnExit&) = delete;
  AnswerOnExit& operator=(const AnswerOnExit&) = delete;

 private:
  ExchangeSync* sync_;
  uint32_t block_;
};

}  // namespace

void CReWireAudioDevice::runAudioCycle() {
  ExchangeBlock& block = connection_.block;
  const AnswerOnExit answer(block.sync());
  if (!block.isOpen() || callback_ == nullptr || outputs_ == nullptr || outputs_->itemCount == 0)
    return;
  cycleTimeStamp_ = platform::tickCountMs();
  const DriveAudioInput& drive = block.header()->request;
  buildRecord(drive);
  if (transportNotice(drive.playMode) != 0 || drive.playMode > 2) return;

  int64_t noOffset = kNoPosition;
  sampleStartOffset_.compare_exchange_strong(noOffset, 0);
  current_.outputCount = static_cast<DWORD>(outputs_->itemCount);
  current_.reserved88 = 0;
  notify(kEventBlockBegins, kBlockArgument, &current_);

  // Never more frames than the slots hold, whatever the record asks for.
  const DWORD frames = std::min<DWORD>(drive.frames, block.maxFrames);
  const bool running = has(kDeviceRunning);
  bool first = true;
  for (LONG i = 0; i < outputs_->itemCount; ++i) {
    auto* output = static_cast<CReWireAudioOutput*>(
        static_cast<IAudioOut*>(static_cast<void**>(outputs_->slots)[i]));
    if (output == nullptr) break;
    const auto slotFor = [&](uint32_t channel) -> float* {
      return running && channel < block.slotCount &&
                     channelSetHas(drive.requestedChannels, channel)
                 ? block.slots[channel]
                 : nullptr;
    };
    float* left = slotFor(2 * static_cast<uint32_t>(i));
    float* right = slotFor(2 * static_cast<uint32_t>(i) + 1);
    if (output->openAndStarted()) {
      output->render(left, right, frames, first, current_);
      first = false;
    } else {
      for (float* slot : {left, right})
        if (slot != nullptr) TzAudio_FillSilence(&monoFormat_, slot, frames);
    }
  }
  sampleCounter_ += drive.frames;
  notify(kEventBlockEnds, kBlockArgument, &current_);
  setConnectionFlag(kRepositionEcho | kLoopEcho, false);
}

void CReWireAudioDevice::changeFormat() {
  if (callback_ == nullptr) return;
  notify(kEventFormatChanging);
  ExchangeBlock& block = connection_.block;
  closeExchangeBlock(block);
  uint32_t rate = 0;
  uint32_t frames = 0;
  if (openExchangeBlock(block, platform::utf8FromUtf16(moduleString(IDS_EXCHANGE_BLOCK_NAME)).c_str(),
                        outputCount, &rate, &frames) == 0) {
    bufferFrames_ = frames;
    setFormats(rate);
  }
  WAVEFORMATEX format = stereoFormat_;
  notify(kEventFormatChanged, 0, &format);
  current_.format = stereoFormat_;
  notify(kEventTransportChanged, TRANSPORT_CHANGED_FORMAT, &current_);
}

void CReWireAudioDevice::requestQuit() {
  if (callback_ != nullptr) notify(kEventQuitRequested);
}

}  // namespace tz::rewire
