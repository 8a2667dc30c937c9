// Sample-by-sample comparison of two converters' outputs of one layout.
#include "bench/peer/sample_agreement.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace tz::bench {

namespace {

template <class T>
T load(const void* samples, size_t index) {
  T value;
  std::memcpy(&value, static_cast<const unsigned char*>(samples) + index * sizeof(T), sizeof(T));
  return value;
}

bool isFloating(TZSAMPLETYPE type) {
  return type == TZSAMPLETYPE_FLOAT32 || type == TZSAMPLETYPE_FLOAT64;
}

}  // namespace

double sampleValue(TZSAMPLETYPE type, const void* samples, size_t index) {
  switch (type) {
    case TZSAMPLETYPE_PCM8:
      return load<uint8_t>(samples, index) - 0x80;
    case TZSAMPLETYPE_PCM16:
      return load<int16_t>(samples, index);
    case TZSAMPLETYPE_PCM32:
      return load<int32_t>(samples, index);
    case TZSAMPLETYPE_FLOAT32:
      return load<float>(samples, index);
    case TZSAMPLETYPE_FLOAT64:
      return load<double>(samples, index);
    default:
      return NAN;
  }
}

std::vector<Disagreement> disagreements(TZSAMPLETYPE type, const void* ours, const void* peer,
                                        size_t count, int steps) {
  std::vector<Disagreement> found;
  for (size_t i = 0; i < count; ++i) {
    const double a = sampleValue(type, ours, i), b = sampleValue(type, peer, i);
    bool agree;
    if (std::isnan(a) || std::isnan(b))
      agree = std::isnan(a) && std::isnan(b) && isFloating(type);
    else if (isFloating(type))
      agree =
          a == b || (std::isfinite(a) && std::isfinite(b) &&
                     std::fabs(a - b) <= std::ldexp(std::fmax(std::fabs(a), std::fabs(b)), -20));
    else
      agree = std::fabs(a - b) <= steps;
    if (!agree) found.push_back({i, a, b});
  }
  return found;
}

}  // namespace tz::bench
