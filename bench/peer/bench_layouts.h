// What both format-copy benchmark tables need of the sample layouts: their names, and seeded
// sources that take each kernel's ordinary path.
#pragma once

#include <cstddef>

#include "tz/wave_format.h"

namespace tz::bench {

// "pcm8", "float32", "pcm24in32", ..., or "?" for a layout the copy kernels do not convert.
const char* layoutName(TZSAMPLETYPE type);

// The peer library's layout of the same kind (the same width of value, either byte order or
// signedness), or TZSAMPLETYPE_UNKNOWN for the 24-bit layouts, of which the peer has none.
TZSAMPLETYPE peerKind(TZSAMPLETYPE type);

// Writes `samples` samples of the layout, seeded values within +-0.95 of full scale (24 bits
// for PCM24IN32), the same for every run.
void fillSeeded(TZSAMPLETYPE type, void* bytes, size_t samples);

// The address within `bytes` at which a buffer of it is 16-byte aligned; `bytes` must have 15
// spare bytes.
unsigned char* aligned16(unsigned char* bytes);

}  // namespace tz::bench
