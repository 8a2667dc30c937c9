// Our format copy against libswresample on the packed mono pairs both convert, at gain 1.0:
// value agreement on edge inputs, then throughput in alternating rounds (ours, peer, memcpy of
// the output size) so that frequency changes and cache state hit both sides alike.
#include "bench/peer/peer_table.h"

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "bench/peer/bench_layouts.h"
#include "bench/peer/round_timing.h"
#include "bench/peer/sample_agreement.h"
#include "bench/peer/swr_peer.h"
#include "tz/format_copy.h"

namespace tz::bench {

namespace {

struct Layout {
  TZSAMPLETYPE type;
  size_t width;
};
constexpr Layout kLayouts[] = {
    {TZSAMPLETYPE_PCM8, 1},    {TZSAMPLETYPE_PCM16, 2},   {TZSAMPLETYPE_PCM32, 4},
    {TZSAMPLETYPE_FLOAT32, 4}, {TZSAMPLETYPE_FLOAT64, 8},
};
// At least 15 rounds for a stable median; odd so the median is one measured round.
constexpr int kRounds = 21;

// Stores a value given in the layout's own units (see sampleValue), limited to its range.
void store(const Layout& layout, void* samples, size_t index, double value) {
  unsigned char* at = static_cast<unsigned char*>(samples) + index * layout.width;
  auto integer = [&](double low, double high) {
    return static_cast<int64_t>(std::clamp(value, low, high));
  };
  if (layout.type == TZSAMPLETYPE_PCM8) {
    const uint8_t v = static_cast<uint8_t>(integer(-128, 127) + 0x80);
    std::memcpy(at, &v, 1);
  } else if (layout.type == TZSAMPLETYPE_PCM16) {
    const int16_t v = static_cast<int16_t>(integer(-32768, 32767));
    std::memcpy(at, &v, 2);
  } else if (layout.type == TZSAMPLETYPE_PCM32) {
    const int32_t v = static_cast<int32_t>(integer(-2147483648.0, 2147483647.0));
    std::memcpy(at, &v, 4);
  } else if (layout.type == TZSAMPLETYPE_FLOAT32) {
    const float v = static_cast<float>(value);
    std::memcpy(at, &v, 4);
  } else {
    std::memcpy(at, &value, 8);
  }
}

double fullScale(const Layout& layout) {
  switch (layout.width) {
    case 1:
      return 128;
    case 2:
      return 32768;
    default:
      return layout.type == TZSAMPLETYPE_PCM32 ? 2147483648.0 : 1.0;
  }
}

// Inputs in the source's units: the limits, zero, one step, thirds, for floating sources the
// values beyond full scale, denormals, infinities, NaN and rounding ties; then seeded values.
std::vector<double> checkInputs(const Layout& source) {
  const double scale = fullScale(source);
  std::vector<double> values{0, -scale, scale - 1, 1, -1, scale / 3, -scale / 3, scale / 2};
  if (source.type == TZSAMPLETYPE_FLOAT32 || source.type == TZSAMPLETYPE_FLOAT64) {
    const double inf = std::numeric_limits<double>::infinity();
    values = {0,        1.0,      -1.0,  0.5,         -0.5,         1.0 / 3,     -1.0 / 3,
              0.99999,  -0.99999, 1e-40, 1.5,         -1.5,         1e10,        -1e10,
              inf,      -inf,     NAN,   0.5 / 32768, -0.5 / 32768, 1.5 / 32768, 0.5 / 128,
              1.5 / 128};
  }
  uint32_t seed = 5;
  for (int i = 0; i < 64; ++i) {
    seed = seed * 1664525u + 1013904223u;
    values.push_back((static_cast<double>(seed) / 4294967296.0 * 2 - 1) * scale);
  }
  return values;
}

bool isEdge(const Layout& source, double value) {
  return std::isnan(value) || std::fabs(value) > fullScale(source);
}

// Prints each input where the two sides differ; returns how many differ within full scale.
int checkAgreement(const Layout& to, const Layout& from, TZAUDIOCOPYPROC ours, SwrPeer& peer) {
  const std::vector<double> inputs = checkInputs(from);
  std::vector<unsigned char> in(inputs.size() * from.width), a(inputs.size() * to.width),
      b(a.size());
  for (size_t i = 0; i < inputs.size(); ++i) store(from, in.data(), i, inputs[i]);
  ours(a.data(), in.data(), static_cast<long>(inputs.size()), 1.0f);
  peer.convert(b.data(), in.data(), static_cast<int>(inputs.size()));
  int inRange = 0;
  for (const Disagreement& d : disagreements(to.type, a.data(), b.data(), inputs.size(), 1)) {
    const double input = sampleValue(from.type, in.data(), d.index);
    const bool edge = isEdge(from, input);
    inRange += !edge;
    std::printf("  %-8s <- %-8s input %-12g ours %-14.10g peer %-14.10g%s\n", layoutName(to.type),
                layoutName(from.type), input, d.ours, d.peer, edge ? "  (beyond full scale)" : "");
  }
  // One step apart is a different rounding rule (truncation against rounding), not an error.
  const size_t oneStep = disagreements(to.type, a.data(), b.data(), inputs.size(), 0).size() -
                         disagreements(to.type, a.data(), b.data(), inputs.size(), 1).size();
  if (oneStep > 0)
    std::printf("  %-8s <- %-8s %zu of %zu inputs one step apart\n", layoutName(to.type),
                layoutName(from.type), oneStep, inputs.size());
  return inRange;
}

struct Timing {
  double ours, peer, memcpy, memcpyLarger;  // ns per call, medians: memcpy of the output, then
                                            // of the larger side
};

Timing timePair(const Layout& to, const Layout& from, TZAUDIOCOPYPROC kernel, SwrPeer& peer,
                long samples) {
  const size_t outBytes = samples * to.width,
               largerBytes = samples * std::max(to.width, from.width);
  std::vector<unsigned char> in(samples * from.width + 32), a(outBytes + 32), b(a.size()),
      copyFrom(largerBytes), copyTo(largerBytes);
  unsigned char* s = aligned16(in.data());
  fillSeeded(from.type, s, samples);
  unsigned char *d = aligned16(a.data()), *p = aligned16(b.data());
  const std::vector<double> ns =
      medianNsPerCall({[&] {
                         kernel(d, s, samples, 1.0f);
                         asm volatile("" ::"r"(d) : "memory");
                       },
                       [&] {
                         peer.convert(p, s, static_cast<int>(samples));
                         asm volatile("" ::"r"(p) : "memory");
                       },
                       [&] {
                         std::memcpy(copyTo.data(), copyFrom.data(), outBytes);
                         asm volatile("" ::"r"(copyTo.data()) : "memory");
                       },
                       [&] {
                         std::memcpy(copyTo.data(), copyFrom.data(), largerBytes);
                         asm volatile("" ::"r"(copyTo.data()) : "memory");
                       }},
                      kRounds, 1e6);
  return {ns[0], ns[1], ns[2], ns[3]};
}

}  // namespace

std::optional<PeerResults> printPeerTable() {
  const unsigned version = peerVersion();
  std::printf("\nPeer: libswresample %u.%u.%u, packed mono, same rate in and out, gain 1.0\n",
              version >> 16, version >> 8 & 0xff, version & 0xff);
  std::printf(
      "Value agreement on edge and seeded inputs (integer outputs may differ by one step):\n");
  int inRange = 0;
  for (const Layout& to : kLayouts)
    for (const Layout& from : kLayouts) {
      SwrPeer peer(to.type, from.type);
      if (peer.valid())
        inRange += checkAgreement(to, from, TzAudio_GetCopyFunction2(to.type, from.type), peer);
    }
  std::printf("  %d differences within full scale\n", inRange);
  // The edge inputs leave the invalid-operation flag set, which sends the SSE2 float-to-8/16-bit
  // kernels down their limited path for every call; the throughput is measured with the
  // exception flags clear, as a thread starts (the main table runs so too).
  _mm_setcsr(_mm_getcsr() & ~0x3Fu);

  std::printf("\n%-20s %8s %10s %10s %8s %9s %9s   (medians of %d alternating rounds)\n", "pair",
              "samples", "ours Ms/s", "peer Ms/s", "ours/peer", "ours", "peer", kRounds);
  PeerResults results;
  for (const Layout& to : kLayouts)
    for (const Layout& from : kLayouts) {
      SwrPeer peer(to.type, from.type);
      const TZAUDIOCOPYPROC kernel = TzAudio_GetCopyFunction2(to.type, from.type);
      if (!peer.valid() || kernel == nullptr) continue;
      PeerShortfall row{};
      std::snprintf(row.pair, sizeof row.pair, "%s <- %s", layoutName(to.type),
                    layoutName(from.type));
      for (long samples : {1024L, 65536L, 1048576L}) {
        const Timing t = timePair(to, from, kernel, peer, samples);
        std::printf("%-20s %8ld %10.0f %10.0f %8.2f %8.2fx %8.2fx\n", row.pair, samples,
                    samples * 1e3 / t.ours, samples * 1e3 / t.peer, t.peer / t.ours,
                    t.memcpy / t.ours, t.memcpy / t.peer);
        if (samples <= 65536 && t.peer < t.ours) {
          row.samples = samples;
          row.ratio = t.peer / t.ours;
          results.slower.push_back(row);
        }
        if (samples == 65536)
          results.speeds.push_back({to.type, from.type, t.memcpyLarger / t.peer});
      }
    }
  return results;
}

}  // namespace tz::bench
