// The audio thread. Time in the script is mixer time, counted from the frames driven, so a
// freewheeling run meets its script at the same blocks as a real-time one.
#include "standins/rwmixer/audio_loop.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "support/platform/clock.h"
#include "support/platform/thread.h"

namespace tz::mixer {
namespace {

// The device waits 2000 ms for its panel before it gives a block up; an unserved block whose
// call took half of that has been through such a wait, while a device without a started
// panel answers at once.
constexpr int64_t kTimeoutCallNs = 1000000000;

TransportSettings transportSettings(const MixerOptions& options) {
  return {options.tempo,     options.numerator, options.denominator,
          options.loopStart, options.loopEnd,   options.loopOn};
}

}  // namespace

AudioLoop::AudioLoop(const AudioLoopSetup& setup)
    : setup_(setup),
      options_(*setup.options),
      transport_(transportSettings(options_)),
      times_(plannedBlockBound(options_)),
      scratch_(setup.ring ? 0 : size_t{setup.channels} * largestBlock(options_)),
      events_(options_.eventCapacity),
      largestBlock_(largestBlock(options_)),
      rate_(options_.rate),
      block_(options_.block) {}

void AudioLoop::run() {
  tz::platform::setCurrentThreadPriority(tz::platform::ThreadPriority::TimeCritical);
  anchorNs_ = tz::platform::highResNs();
  for (;;) {
    const double now = mixerSeconds();
    if (options_.blocks != 0 ? counters_.blocks >= options_.blocks : now >= options_.seconds) break;
    applyScript(now);
    driveBlock();
    if (!options_.freewheel) pace();
  }
  finished_.store(true, std::memory_order_release);
}

void AudioLoop::applyScript(double now) {
  const std::vector<ScriptAction>& script = options_.script;
  for (; nextAction_ < script.size() && script[nextAction_].seconds <= now; ++nextAction_) {
    const ScriptAction& action = script[nextAction_];
    switch (action.kind) {
      case ActionKind::Play:
        transport_.play();
        mark(MarkKind::Play);
        break;
      case ActionKind::Stop:
        transport_.stop();
        mark(MarkKind::Stop);
        break;
      case ActionKind::Locate:
        transport_.locate(action.ticks);
        mark(MarkKind::Locate, action.ticks);
        break;
      case ActionKind::Tempo:
        transport_.setTempo(action.tempo);
        mark(MarkKind::Tempo, static_cast<int32_t>(action.tempo));
        break;
      case ActionKind::AudioInfo:
        changeAudioInfo(action.rate, action.block);
        mark(MarkKind::AudioInfo, static_cast<int32_t>(action.rate),
             static_cast<int32_t>(action.block));
        break;
      // The control thread makes the call; the blocks go on, and only they wake a panel.
      case ActionKind::QuitPanel:
        quitAsked_ = true;
        quitPanel_.store(true, std::memory_order_release);
        break;
    }
  }
}

// The device re-creates its exchange block on a change, so no block is driven meanwhile: the
// audio thread hands the change to the control thread and waits, as a mixer stops its audio
// to change the setting.
void AudioLoop::changeAudioInfo(uint32_t rate, uint32_t block) {
  pendingInfo_ = AudioInfo{sizeof(AudioInfo), rate, block};
  infoPending_.store(1, std::memory_order_release);
  while (infoPending_.load(std::memory_order_acquire) != 0) infoPending_.wait(1);
  secondsBefore_ += static_cast<double>(framesAtRate_) / rate_;
  framesAtRate_ = 0;
  rate_ = rate;
  block_ = block;
  anchorNs_ = tz::platform::highResNs();
  framesSinceAnchor_ = 0;
}

bool AudioLoop::pendingAudioInfoChange(AudioInfo& info) const {
  if (infoPending_.load(std::memory_order_acquire) == 0) return false;
  info = pendingInfo_;
  return true;
}

void AudioLoop::completeAudioInfoChange() {
  infoPending_.store(0, std::memory_order_release);
  infoPending_.wakeOne();
}

void AudioLoop::driveBlock() {
  BlockSlot* slot = nullptr;
  if (setup_.ring) {
    bool waited = false;
    slot = &setup_.ring->acquire(waited);
    counters_.writerWaits += waited ? 1 : 0;
    prepareRecords(slot->samples, setup_.ring->maxFrames());
    slot->transport = {input_.songPosition, input_.tempo,     rate_,          input_.playMode,
                       input_.loopOn,       input_.loopStart, input_.loopEnd, quitAsked_};
  } else {
    prepareRecords(scratch_.data(), largestBlock_);
  }
  const bool panelConnected = panelConnected_.load(std::memory_order_relaxed);
  const int64_t start = tz::platform::highResNs();
  setup_.device.driveAudio(&input_, &output_);
  const int64_t end = tz::platform::highResNs();
  countBlock(end - start, panelConnected);
  // The position moves on before the device's requests apply, so that a reposition names
  // where the next block starts; advance() only moves it back by wrapping into the loop.
  const int32_t before = transport_.position();
  transport_.advance(block_, rate_);
  framesAtRate_ += block_;
  framesSinceAnchor_ += block_;
  if (transport_.position() < before) mark(MarkKind::LoopRestart);
  countEvents(output_);
  if (slot) {
    slot->frames = block_;
    slot->served = output_.servedChannels;
    setup_.ring->publish();
  }
  if (!options_.freewheel && end > nextDeadline()) ++counters_.late;
}

void AudioLoop::prepareRecords(float* channels, uint32_t stride) {
  input_ = DriveAudioInput{};
  input_.size = sizeof(DriveAudioInput);
  input_.eventsIn = EventBufferDesc{sizeof(EventBufferDesc), sizeof(ReWireEvent), 0, 0, noEvents_};
  for (uint32_t c = 0; c < setup_.channels; ++c) {
    channelSetAdd(input_.requestedChannels, c);
    input_.buffers[c] = channels + size_t{c} * stride;
  }
  input_.frames = block_;
  transport_.fillBlock(input_);
  output_ = DriveAudioOutput{};
  output_.size = sizeof(DriveAudioOutput);
  output_.eventsOut = EventBufferDesc{sizeof(EventBufferDesc), sizeof(ReWireEvent), 0,
                                      options_.eventCapacity, events_.data()};
}

void AudioLoop::countBlock(int64_t driveNs, bool panelConnected) {
  uint32_t served = 0;
  for (uint32_t c = 0; c < setup_.channels; ++c) served += channelSetHas(output_.servedChannels, c);
  ++counters_.blocks;
  times_.add(static_cast<uint64_t>(driveNs), served != 0);
  if (served == 0) {
    ++counters_.notServed;
    if (panelConnected && driveNs >= kTimeoutCallNs) ++counters_.timeouts;
  } else {
    ++counters_.served;
    if (served < setup_.channels) ++counters_.partial;
  }
}

void AudioLoop::countEvents(const DriveAudioOutput& output) {
  const uint32_t count = std::min(output.eventsOut.count, options_.eventCapacity);
  EventCounts& counts = counters_.events;
  counts.beyondCapacity += output.eventsOut.count - count;
  // Read from our own array: the record's pointer is the device's to write.
  for (uint32_t i = 0; i < count; ++i) {
    const ReWireEvent& event = events_[i];
    switch (event.type) {
      case kRWEventPlay:
        ++counts.play;
        mark(MarkKind::HostPlay);
        break;
      case kRWEventStop:
        ++counts.stop;
        mark(MarkKind::HostStop);
        break;
      case kRWEventReposition:
        ++counts.reposition;
        mark(MarkKind::HostReposition, event.position);
        break;
      case kRWEventLoop:
        ++counts.loop;
        mark(MarkKind::HostLoop, event.position, event.loopEnd, event.loopOn != 0);
        break;
      default:
        ++counts.other;
        break;
    }
    transport_.applyEvent(event);
  }
}

// At the block about to be driven: after a block, the requests its call returned and a wrap
// inside it take effect on the next one.
void AudioLoop::mark(MarkKind kind, int32_t value, int32_t detail, uint8_t on) {
  if (setup_.marks != nullptr)
    setup_.marks->add({counters_.blocks, mixerSeconds(), kind, on, value, detail});
}

// Each deadline is the anchor plus the frames driven since, so a late wake-up does not push
// the later blocks back. Split at whole seconds: frames × 10^9 alone would overflow 64 bits
// on a long run.
int64_t AudioLoop::nextDeadline() const {
  const uint64_t seconds = framesSinceAnchor_ / rate_;
  const uint64_t rest = framesSinceAnchor_ % rate_;
  return anchorNs_ + static_cast<int64_t>(seconds * 1000000000 + rest * 1000000000 / rate_);
}

void AudioLoop::pace() {
  const int64_t wait = nextDeadline() - tz::platform::highResNs();
  if (wait > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
}

}  // namespace tz::mixer
