// Layout names and seeded sources for the format-copy benchmark; see bench_layouts.h.
#include "bench/peer/bench_layouts.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace tz::bench {

const char* layoutName(TZSAMPLETYPE type) {
  switch (type) {
    case TZSAMPLETYPE_PCM8:
      return "pcm8";
    case TZSAMPLETYPE_PCM16:
      return "pcm16";
    case TZSAMPLETYPE_PCM24:
      return "pcm24";
    case TZSAMPLETYPE_PCM32:
      return "pcm32";
    case TZSAMPLETYPE_FLOAT32:
      return "float32";
    case TZSAMPLETYPE_FLOAT64:
      return "float64";
    case TZSAMPLETYPE_PCM24IN32:
      return "pcm24in32";
    case TZSAMPLETYPE_PCM8S:
      return "pcm8s";
    case TZSAMPLETYPE_PCM16BE:
      return "pcm16be";
    case TZSAMPLETYPE_PCM24BE:
      return "pcm24be";
    case TZSAMPLETYPE_PCM32BE:
      return "pcm32be";
    default:
      return "?";
  }
}

TZSAMPLETYPE peerKind(TZSAMPLETYPE type) {
  switch (type) {
    case TZSAMPLETYPE_PCM8:
    case TZSAMPLETYPE_PCM8S:
      return TZSAMPLETYPE_PCM8;
    case TZSAMPLETYPE_PCM16:
    case TZSAMPLETYPE_PCM16BE:
      return TZSAMPLETYPE_PCM16;
    case TZSAMPLETYPE_PCM32:
    case TZSAMPLETYPE_PCM32BE:
      return TZSAMPLETYPE_PCM32;
    case TZSAMPLETYPE_FLOAT32:
    case TZSAMPLETYPE_FLOAT64:
      return type;
    default:
      return TZSAMPLETYPE_UNKNOWN;
  }
}

void fillSeeded(TZSAMPLETYPE type, void* bytes, size_t samples) {
  const size_t width = TzAudio_BytesFromSampleType(type);
  const int bits = type == TZSAMPLETYPE_PCM24IN32 ? 24 : static_cast<int>(width * 8);
  const bool bigEndian =
      type == TZSAMPLETYPE_PCM16BE || type == TZSAMPLETYPE_PCM24BE || type == TZSAMPLETYPE_PCM32BE;
  auto* out = static_cast<unsigned char*>(bytes);
  uint32_t seed = 11;
  for (size_t i = 0; i < samples; ++i, out += width) {
    seed = seed * 1664525u + 1013904223u;
    const double x = (static_cast<double>(seed) / 4294967296.0 - 0.5) * 1.9;
    if (type == TZSAMPLETYPE_FLOAT32) {
      const float f = static_cast<float>(x);
      std::memcpy(out, &f, 4);
    } else if (type == TZSAMPLETYPE_FLOAT64) {
      std::memcpy(out, &x, 8);
    } else {
      uint32_t word = static_cast<uint32_t>(std::lround(std::ldexp(x, bits - 1)));
      if (type == TZSAMPLETYPE_PCM8) word ^= 0x80;
      for (size_t b = 0; b < width; ++b)
        out[bigEndian ? width - 1 - b : b] = static_cast<unsigned char>(word >> (8 * b));
    }
  }
}

unsigned char* aligned16(unsigned char* bytes) {
  return bytes + (16 - reinterpret_cast<uintptr_t>(bytes) % 16) % 16;
}

}  // namespace tz::bench
