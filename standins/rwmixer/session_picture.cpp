// Columns are folded frame range by frame range rather than sample by sample in time, so a
// block costs one pass over its samples whatever the column width.
#include "standins/rwmixer/session_picture.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tz::mixer {
namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr SessionPicture::Column kEmpty{kInfinity, -kInfinity, false};

SessionPicture::Column merged(const SessionPicture::Column& a, const SessionPicture::Column& b) {
  return {std::min(a.min, b.min), std::max(a.max, b.max), a.unserved || b.unserved};
}

}  // namespace

SessionPicture::SessionPicture(std::vector<std::string> channelNames, double columnSeconds,
                               uint32_t capacity)
    : names_(std::move(channelNames)),
      // Widening merges pairs, which needs an even count.
      capacity_(std::max<uint32_t>(2, capacity & ~1u)),
      columnSeconds_(columnSeconds > 0 ? columnSeconds : 1e-3),
      columns_(names_.size() * capacity_, kEmpty) {}

void SessionPicture::add(const BlockSlot& slot, uint32_t stride) {
  const uint32_t frames = std::min(slot.frames, stride);
  const double rate = slot.transport.rate;
  ++blocks_;
  if (frames == 0 || rate <= 0) return;
  const double start = seconds_;
  seconds_ += frames / rate;
  while ((start + (frames - 1) / rate) / columnSeconds_ >= capacity_) widen();
  // The first frame at or after the start of column k.
  const auto frameAt = [&](uint32_t k) {
    const double f = std::ceil((k * columnSeconds_ - start) * rate);
    return static_cast<uint32_t>(std::clamp(f, 0.0, static_cast<double>(frames)));
  };
  uint32_t column = std::min(static_cast<uint32_t>(start / columnSeconds_), capacity_ - 1);
  for (uint32_t begin = 0; begin < frames; ++column) {
    const uint32_t end = column + 1 >= capacity_ ? frames : std::max(begin, frameAt(column + 1));
    for (uint32_t c = 0; c < channels() && end > begin; ++c) {
      Column& into = columns_[size_t{c} * capacity_ + column];
      if (!channelSetHas(slot.served, c)) {
        into = merged(into, {0, 0, true});
        continue;
      }
      const float* in = slot.samples + size_t{c} * stride;
      for (uint32_t f = begin; f < end; ++f) {
        into.min = std::min(into.min, in[f]);
        into.max = std::max(into.max, in[f]);
      }
    }
    if (end > begin) used_ = std::max(used_, column + 1);
    begin = end;
  }
}

void SessionPicture::widen() {
  const uint32_t half = capacity_ / 2;
  for (uint32_t c = 0; c < channels(); ++c) {
    Column* lane = &columns_[size_t{c} * capacity_];
    for (uint32_t i = 0; i < half; ++i) lane[i] = merged(lane[2 * i], lane[2 * i + 1]);
    std::fill(lane + half, lane + capacity_, kEmpty);
  }
  columnSeconds_ *= 2;
  used_ = (used_ + 1) / 2;
}

DriveHistogram driveHistogram(DriveTimes& times) {
  DriveHistogram histogram;
  const auto* bounds = DriveHistogram::kUpperNs;
  const auto tally = [&](std::span<const uint32_t> samples) {
    for (const uint32_t ns : samples) {
      ++histogram
            .counts[std::upper_bound(bounds, bounds + DriveHistogram::kBuckets - 1, ns) - bounds];
    }
  };
  const bool anyServed = times.count(DriveSet::Served) != 0;
  histogram.shown = anyServed ? DriveSet::Served : DriveSet::All;
  tally(times.served());
  if (anyServed) {
    histogram.leftOut = times.unserved().size();
  } else {
    tally(times.unserved());
  }
  histogram.p50 = times.percentile(histogram.shown, 50);
  histogram.p99 = times.percentile(histogram.shown, 99);
  histogram.max = times.percentile(histogram.shown, 100);
  return histogram;
}

}  // namespace tz::mixer
