// Transport arithmetic in whole ticks plus an exact remainder, so that no rounding drift
// builds up however many blocks a run has.
#include "standins/rwmixer/transport.h"

namespace tz::mixer {

Transport::Transport(const TransportSettings& settings) : settings_(settings) {}

void Transport::play() {
  if (!playing_) starting_ = true;
  playing_ = true;
}

void Transport::stop() {
  playing_ = false;
  starting_ = false;
}

void Transport::locate(int32_t ticks) {
  ticks_ = ticks;
  fraction_ = 0;
  if (playing_) starting_ = true;
}

void Transport::setTempo(uint32_t tempo) {
  settings_.tempo = tempo;
}

void Transport::setLoop(int32_t start, int32_t end, bool on) {
  settings_.loopStart = start;
  settings_.loopEnd = end;
  settings_.loopOn = on;
}

bool Transport::applyEvent(const ReWireEvent& event) {
  switch (event.type) {
    case kRWEventPlay:
      play();
      return true;
    case kRWEventStop:
      stop();
      return true;
    case kRWEventReposition:
      locate(event.position);
      return true;
    case kRWEventLoop:
      setLoop(event.position, event.loopEnd, event.loopOn != 0);
      return true;
    default:
      return false;
  }
}

void Transport::fillBlock(DriveAudioInput& input) {
  input.songPosition = static_cast<int32_t>(ticks_);
  input.playMode = static_cast<uint32_t>(!playing_   ? PlayMode::Stopped
                                         : starting_ ? PlayMode::Starting
                                                     : PlayMode::Playing);
  starting_ = false;
  input.tempo = settings_.tempo;
  input.signatureNumerator = settings_.numerator;
  input.signatureDenominator = settings_.denominator;
  input.loopStart = settings_.loopStart;
  input.loopEnd = settings_.loopEnd;
  input.loopOn = settings_.loopOn ? 1 : 0;
}

void Transport::advance(uint32_t frames, uint32_t rate) {
  if (!playing_ || rate == 0) return;
  if (rate != fractionRate_) {
    // Same part of a tick, counted in the new rate's units.
    fraction_ = fractionRate_ == 0 ? 0 : fraction_ * rate / fractionRate_;
    fractionRate_ = rate;
  }
  // ticks = frames / rate × beats per second × 15360 = frames × tempo × 15360 / (60000 × rate)
  const uint64_t unitsPerTick = uint64_t{60000} * rate;
  const uint64_t units = fraction_ + uint64_t{frames} * settings_.tempo * kRWTicksPerQuarterNote;
  const int64_t before = ticks_;
  int64_t after = before + static_cast<int64_t>(units / unitsPerTick);
  fraction_ = units % unitsPerTick;
  const int64_t loopStart = settings_.loopStart;
  const int64_t loopEnd = settings_.loopEnd;
  if (settings_.loopOn && loopEnd > loopStart && before < loopEnd && after >= loopEnd) {
    after = loopStart + (after - loopEnd) % (loopEnd - loopStart);
  }
  if (after > INT32_MAX) {
    after = INT32_MAX;
    fraction_ = 0;
  }
  ticks_ = after;
}

}  // namespace tz::mixer
