// Ramps in each integer layout, written with the layouts of the reference conversion.
#include "support/audio/sample_ramp.h"

#include <cmath>
#include <cstring>

#include "support/audio/format_copy.h"
#include "support/audio/sample_codec.h"

namespace tz::audio {
namespace {

template <TZSAMPLETYPE T>
void writeValues(uint8_t* block, int32_t first, size_t count, bool roundedHalfUp) {
  constexpr int32_t kMax = (int32_t{1} << (Layout<T>::kBits - 1)) - 1;
  for (size_t i = 0; i < count; ++i) {
    int32_t v = first + static_cast<int32_t>(i);
    if (roundedHalfUp && (v & 1) != 0 && v < kMax) ++v;
    Layout<T>::write(block + i * Layout<T>::kBytes, v);
  }
}

template <class F>
void addHalf(uint8_t* block, size_t count, double half) {
  for (size_t i = 0; i < count; ++i) {
    F f;
    std::memcpy(&f, block + i * sizeof f, sizeof f);
    const double y = f + half;  // plain compares: the library's fmin and fmax are calls
    f = static_cast<F>(y > 1.0 ? 1.0 : y < -1.0 ? -1.0 : y);
    std::memcpy(block + i * sizeof f, &f, sizeof f);
  }
}

}  // namespace

int rampBits(TZSAMPLETYPE integer) {
  switch (integer) {
    case TZSAMPLETYPE_PCM8:
    case TZSAMPLETYPE_PCM8S:
      return 8;
    case TZSAMPLETYPE_PCM16:
    case TZSAMPLETYPE_PCM16BE:
      return 16;
    case TZSAMPLETYPE_PCM24:
    case TZSAMPLETYPE_PCM24BE:
    case TZSAMPLETYPE_PCM24IN32:
      return 24;
    default:
      return 0;
  }
}

void writeRamp(TZSAMPLETYPE integer, uint8_t* block, int32_t first, size_t count,
               bool roundedHalfUp) {
  switch (integer) {
    case TZSAMPLETYPE_PCM8:
      writeValues<TZSAMPLETYPE_PCM8S>(block, first, count, roundedHalfUp);
      baselineCopyKernel(TZSAMPLETYPE_PCM8, TZSAMPLETYPE_PCM8S)(block, block,
                                                                static_cast<long>(count), 1.0f);
      return;
    case TZSAMPLETYPE_PCM8S:
      return writeValues<TZSAMPLETYPE_PCM8S>(block, first, count, roundedHalfUp);
    case TZSAMPLETYPE_PCM16:
      return writeValues<TZSAMPLETYPE_PCM16>(block, first, count, roundedHalfUp);
    case TZSAMPLETYPE_PCM16BE:
      return writeValues<TZSAMPLETYPE_PCM16BE>(block, first, count, roundedHalfUp);
    case TZSAMPLETYPE_PCM24:
      return writeValues<TZSAMPLETYPE_PCM24>(block, first, count, roundedHalfUp);
    case TZSAMPLETYPE_PCM24BE:
      return writeValues<TZSAMPLETYPE_PCM24BE>(block, first, count, roundedHalfUp);
    case TZSAMPLETYPE_PCM24IN32:
      return writeValues<TZSAMPLETYPE_PCM24IN32>(block, first, count, roundedHalfUp);
    default:
      return;
  }
}

bool addHalfLsb(TZSAMPLETYPE floating, uint8_t* block, size_t count, int bits) {
  const double half = std::ldexp(1.0, -bits);
  if (floating == TZSAMPLETYPE_FLOAT32)
    addHalf<float>(block, count, half);
  else if (floating == TZSAMPLETYPE_FLOAT64)
    addHalf<double>(block, count, half);
  else
    return false;
  return true;
}

}  // namespace tz::audio
