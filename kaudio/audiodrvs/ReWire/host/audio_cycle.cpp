// The worker's work for one message from the device half, under the device lock: the audio
// cycle of a mixer block, the format change and the quit request. The cycle allocates nothing
// and makes no system call besides one read of the millisecond clock.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/host/audio_output.h"
#include "kaudio/audiodrvs/ReWire/host/transport_record.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "support/platform/clock.h"
#include "support/platform/text_encoding.h"
#include "tz/channel_ops.h"

namespace tz::rewire {

namespace {

constexpr DWORD kBlockArgument = 3;

}  // namespace

void CReWireAudioDevice::buildRecord(const DriveAudioInput& drive) {
  const DWORD changes = buildTransportRecord(current_, previous_, drive, stereoFormat_,
                                             tickMode24576(), connectionFlags_);
  // Only the worker writes them and each is read alone: release stores, which need no locked
  // instruction or fence on every block.
  publishedSongPosition_.store(current_.songPosition, std::memory_order_release);
  publishedTempo_.store(current_.tempo, std::memory_order_release);
  publishLoop();
  if (changes != 0 && has(kDeviceRunning)) notify(kEventTransportChanged, changes, &current_);
}

LONG CReWireAudioDevice::transportNotice(uint32_t playMode) {
  if (!has(kDeviceRunning)) return 0;
  const bool playing = (connectionFlags_.load() & kPlaying) != 0;
  LONG result = 0;
  switch (playMode) {
    case kRWPlayModeStopped:
      if (playing) {
        setConnectionFlag(kStopNoticed, true);
        result = notify(kEventTransportStopped, 0, &current_);
      }
      setConnectionFlag(kPlaying | kStopNoticed, false);
      return result;
    case kRWPlayModePlaying:
      if (!playing) {
        current_.playTime = 0;
        setConnectionFlag(kStarting, true);
        result = notify(kEventTransportStarted, 0, &current_);
      }
      setConnectionFlag(kStarting | kPlaying, false);
      if (result == 0) setConnectionFlag(kPlaying, true);
      return result;
    case kRWPlayModeStarting:
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
      : sync_(sync),
        block_(sync != nullptr ? sync->requested.load(std::memory_order_acquire) : 0) {}
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

bool CReWireAudioDevice::runAudioCycle() {
  ExchangeBlock& block = connection_.block;
  ExchangeSync* sync = block.sync();
  // Without a block (the device is making a new one) or for a block already answered (a
  // message left over from before a stop) there is nothing to render.
  if (sync == nullptr || sync->requested.load(std::memory_order_acquire) ==
                             sync->answered.load(std::memory_order_relaxed))
    return false;
  const AnswerOnExit answer(sync);
  if (callback_ == nullptr || outputs_ == nullptr || outputs_->itemCount == 0) return true;
  cycleTimeStamp_.store(platform::tickCountMs(), std::memory_order_release);
  // One read of the mixer's record, since the shared copy may change under us; of the fields
  // the cycle reads only, for its buffer addresses are a kilobyte of the mixer's own pointers.
  const DriveAudioInput& shared = block.header()->request;
  request_.requestedChannels = shared.requestedChannels;
  std::memcpy(&request_.songPosition, &shared.songPosition,
              sizeof(DriveAudioInput) - offsetof(DriveAudioInput, songPosition));
  const DriveAudioInput& drive = request_;
  buildRecord(drive);
  if (transportNotice(drive.playMode) != 0 || drive.playMode > kRWPlayModeStarting) return true;

  // The exchange locks the bus even when it fails: look first, as every block but the first
  // after a Prepare finds the offset set.
  int64_t noOffset = kNoPosition;
  if (sampleStartOffset_.load() == kNoPosition)
    sampleStartOffset_.compare_exchange_strong(noOffset, 0);
  current_.outputCount = static_cast<DWORD>(outputs_->itemCount);
  current_.reserved88 = 0;
  notify(kEventBlockBegins, kBlockArgument, &current_);

  // Never more frames than the slots hold, whatever the record asks for.
  const DWORD frames = std::min<DWORD>(drive.frames, block.maxFrames);
  const bool running = has(kDeviceRunning);
  bool first = true;
  for (LONG i = 0; i < outputs_->itemCount; ++i) {
    CReWireAudioOutput* output = outputAt(i);
    if (output == nullptr) break;
    const auto slotFor = [&](uint32_t channel) -> float* {
      return running && channel < block.slotCount && channelSetHas(drive.requestedChannels, channel)
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
  return true;
}

CReWireAudioOutput* CReWireAudioDevice::outputAt(LONG index) const {
  return static_cast<CReWireAudioOutput*>(
      static_cast<IAudioOut*>(static_cast<void**>(outputs_->slots)[index]));
}

void CReWireAudioDevice::releaseBlock() {
  if (!connection_.block.isOpen()) return;
  if (callback_ != nullptr && !formatChanging_) {
    notify(kEventFormatChanging);
    formatChanging_ = true;
  }
  closeExchangeBlock(connection_.block);
}

bool CReWireAudioDevice::mapBlock() {
  const uint32_t oldRate = sampleRate();
  const DWORD oldFrames = bufferFrames_;
  uint32_t rate = 0;
  uint32_t frames = 0;
  if (openExchangeBlock(connection_.block,
                        platform::utf8FromUtf16(moduleString(IDS_EXCHANGE_BLOCK_NAME)).c_str(),
                        outputCount, &rate, &frames) != 0)
    return false;
  bufferFrames_ = frames;
  setFormats(rate);
  if (outputs_ != nullptr)
    for (LONG i = 0; i < outputs_->itemCount; ++i)
      if (CReWireAudioOutput* output = outputAt(i)) output->fitBlockFrames(frames);
  const bool changed = formatChanging_ || rate != oldRate || frames != oldFrames;
  if (changed && callback_ != nullptr) {
    if (!formatChanging_) notify(kEventFormatChanging);
    WAVEFORMATEX format = stereoFormat_;
    notify(kEventFormatChanged, 0, &format);
    current_.format = stereoFormat_;
    notify(kEventTransportChanged, TRANSPORT_CHANGED_FORMAT, &current_);
  }
  formatChanging_ = false;
  return true;
}

void CReWireAudioDevice::changeFormat() {
  ExchangeBlock& block = connection_.block;
  // Without a host to tell, a block that is still the device's stays mapped.
  if (callback_ == nullptr && block.isOpen() && !block.retired()) return;
  // A block given up is let go at once; the device then makes the new one and says so with
  // a second message, which maps it.
  releaseBlock();
  mapBlock();
}

void CReWireAudioDevice::publishLoop() {
  // A sequence word around the three values: odd while they change.
  publishedLoopSequence_.fetch_add(1, std::memory_order_acq_rel);
  publishedLoopStart_.store(current_.loopStart, std::memory_order_relaxed);
  publishedLoopEnd_.store(current_.loopEnd, std::memory_order_relaxed);
  publishedLoopOn_.store(current_.loopOn, std::memory_order_relaxed);
  publishedLoopSequence_.fetch_add(1, std::memory_order_release);
}

CReWireAudioDevice::PublishedLoop CReWireAudioDevice::publishedLoop() const {
  for (;;) {
    const uint32_t before = publishedLoopSequence_.load(std::memory_order_acquire);
    const PublishedLoop loop{publishedLoopStart_.load(std::memory_order_relaxed),
                             publishedLoopEnd_.load(std::memory_order_relaxed),
                             publishedLoopOn_.load(std::memory_order_relaxed)};
    std::atomic_thread_fence(std::memory_order_acquire);
    if ((before & 1) == 0 && publishedLoopSequence_.load(std::memory_order_relaxed) == before)
      return loop;
  }
}

void CReWireAudioDevice::requestQuit() {
  if (callback_ != nullptr) notify(kEventQuitRequested);
}

}  // namespace tz::rewire
