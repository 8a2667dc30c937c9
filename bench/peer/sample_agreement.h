// Compares two converters' outputs of one layout sample by sample, for the benchmark's check
// that our kernels and the peer library convert the same values. Layouts: the five that both
// convert (unsigned 8-bit, 16- and 32-bit PCM, single and double float), packed.
#pragma once

#include <cstddef>
#include <vector>

#include "tz/wave_format.h"

namespace tz::bench {

// One sample in its own units: the signed integer value (unsigned 8-bit less 0x80) or the
// floating value as stored.
double sampleValue(TZSAMPLETYPE type, const void* samples, size_t index);

struct Disagreement {
  size_t index;
  double ours, peer;
};

// The samples where the two outputs differ by more than `steps` steps of an integer layout,
// or, for a floating layout, by more than one part in 2^20 of the larger magnitude (NaN
// agrees with NaN only). Unsupported layouts give every index.
std::vector<Disagreement> disagreements(TZSAMPLETYPE type, const void* ours, const void* peer,
                                        size_t count, int steps);

}  // namespace tz::bench
