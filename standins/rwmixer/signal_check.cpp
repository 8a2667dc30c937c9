// A block carries the ramp from the song frame of its position; when the loop end falls inside
// it, the ramp starts again from the loop start's frame at the split. The split is found where
// the first ramp stops and accepted within two frames of where the loop end falls.
#include "standins/rwmixer/signal_check.h"

#include <algorithm>
#include <cinttypes>
#include <cstdlib>

#include "standins/test_signal/test_signal.h"

namespace tz::mixer {

namespace {

constexpr int64_t kSplitTolerance = 2;

bool anyAudio(const BlockSlot& slot, uint32_t channels, uint32_t stride, uint32_t frames) {
  for (uint32_t c = 0; c < channels; ++c) {
    if (!channelSetHas(slot.served, c)) continue;
    const float* in = slot.samples + size_t{c} * stride;
    for (uint32_t f = 0; f < frames; ++f)
      if (in[f] != 0.0f) return true;
  }
  return false;
}

}  // namespace

void SignalCheck::check(const BlockSlot& slot, uint32_t stride) {
  const uint32_t frames = std::min(slot.frames, stride);
  if (slot.transport.afterQuit) {
    ++report_.afterQuit;
    return;
  }
  if (!report_.started) {
    if (!anyAudio(slot, channels_, stride, frames)) {
      ++report_.skipped;
      return;
    }
    report_.started = true;
  }
  ++report_.checked;
  const BlockTransport& t = slot.transport;
  const int64_t start = signal::songFrame(t.songPosition, t.tempo, t.rate);
  const int64_t loopFrame = signal::songFrame(t.loopStart, t.tempo, t.rate);
  const bool loopInside = t.loopOn != 0 && t.songPosition <= t.loopEnd &&
                          signal::songFrame(t.loopEnd, t.tempo, t.rate) - start < frames;
  const int64_t splitEstimate = signal::songFrame(t.loopEnd, t.tempo, t.rate) - start;
  bool lost = false;
  bool restarted = false;
  for (uint32_t c = 0; c < channels_; ++c) {
    if (!channelSetHas(slot.served, c)) {
      lost = true;
      continue;
    }
    const float* in = slot.samples + size_t{c} * stride;
    uint32_t split = 0;
    while (split < frames && in[split] == signal::sample(c, start + split)) ++split;
    uint64_t wrong = frames - split;
    if (split < frames && loopInside && std::llabs(split - splitEstimate) <= kSplitTolerance) {
      wrong = 0;
      for (uint32_t f = split; f < frames; ++f)
        wrong += in[f] != signal::sample(c, loopFrame + (f - split)) ? 1 : 0;
      restarted = wrong == 0;
    } else if (split < frames) {
      wrong = 0;
      for (uint32_t f = split; f < frames; ++f)
        wrong += in[f] != signal::sample(c, start + f) ? 1 : 0;
    }
    report_.wrongSamples += wrong;
  }
  report_.lost += lost ? 1 : 0;
  report_.loopRestarts += restarted ? 1 : 0;
}

void printSignalReport(std::FILE* out, const SignalReport& report) {
  std::fprintf(out,
               "verify: %s; blocks checked %" PRIu64 ", before the host started %" PRIu64
               ", after the quit %" PRIu64 ", lost %" PRIu64 ", wrong samples %" PRIu64
               ", loop restarts inside a block %" PRIu64 "\n",
               report.passed()  ? "passed"
               : report.started ? "FAILED"
                                : "FAILED (no signal)",
               report.checked, report.skipped, report.afterQuit, report.lost, report.wrongSamples,
               report.loopRestarts);
}

}  // namespace tz::mixer
