// The samples the format-copy self-test compares: a ramp of consecutive integer values in an
// integer layout, the same ramp as rounding half to even gives it back once half an LSB has
// been added on the float side, and that addition.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tz/wave_format.h"

namespace tz::audio {

// The significant bits of a layout that has ramps (8, 16 or 24; PCM24IN32 counts 24), or 0:
// the 32-bit and float layouts have none.
int rampBits(TZSAMPLETYPE integer);

// Writes count consecutive values from first into block, in a layout with ramps; unsigned
// 8-bit by way of the signed ramp and the kernel PCM8 <- PCM8S. With roundedHalfUp each odd
// value is written one higher, limited to the layout's maximum: what a value plus half an LSB
// rounds to with ties to even. The values must lie in the layout's range.
void writeRamp(TZSAMPLETYPE integer, uint8_t* block, int32_t first, size_t count,
               bool roundedHalfUp);

// Adds half an LSB of a bits-bit integer (2^-bits) to each of count FLOAT32 or FLOAT64
// samples, limited to -1..1. False, nothing changed, for another layout.
bool addHalfLsb(TZSAMPLETYPE floating, uint8_t* block, size_t count, int bits);

}  // namespace tz::audio
