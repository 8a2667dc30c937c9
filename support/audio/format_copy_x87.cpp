// Float-to-integer kernels that store each product with the floating-point unit's integer
// store, for processors without SSE2. The unit runs at double precision and rounds to
// nearest for the loop, so the products and their rounding equal the baseline kernels'.
#include <cstdint>

#include "support/audio/format_copy.h"
#include "support/audio/sample_codec.h"

namespace tz::audio::x87 {
namespace {

// Rounding to nearest, 53-bit significands; the caller's control word comes back after.
class UnitMode {
 public:
  UnitMode() {
    asm volatile("fnstcw %0" : "=m"(saved_)::"memory");
    const uint16_t mode = static_cast<uint16_t>((saved_ & ~0x0F00) | 0x0200);
    asm volatile("fldcw %0" ::"m"(mode) : "memory");
  }
  ~UnitMode() { asm volatile("fldcw %0" ::"m"(saved_) : "memory"); }
  UnitMode(const UnitMode&) = delete;
  UnitMode& operator=(const UnitMode&) = delete;

 private:
  uint16_t saved_ = 0;
};

// Sources are read in place by the unit; caller buffers need not be aligned.
typedef float UnalignedFloat __attribute__((aligned(1), may_alias));
typedef double UnalignedDouble __attribute__((aligned(1), may_alias));

inline int32_t storeProduct(const UnalignedFloat* x, const double& multiplier) {
  int32_t r;
  asm volatile("flds %1\n\tfmull %2\n\tfistpl %0" : "=m"(r) : "m"(*x), "m"(multiplier) : "st");
  return r;
}
inline int32_t storeProduct(const UnalignedDouble* x, const double& multiplier) {
  int32_t r;
  asm volatile("fldl %1\n\tfmull %2\n\tfistpl %0" : "=m"(r) : "m"(*x), "m"(multiplier) : "st");
  return r;
}

template <TZSAMPLETYPE S>
struct SourceOf {
  using Type = UnalignedDouble;
};
template <>
struct SourceOf<TZSAMPLETYPE_FLOAT32> {
  using Type = UnalignedFloat;
};

template <TZSAMPLETYPE D, TZSAMPLETYPE S>
void convertRun(void* destination, const void* source, long n, float gain) {
  using Float = typename SourceOf<S>::Type;
  constexpr int m = Layout<D>::kBits;
  constexpr int32_t lo = -(1 << (m - 1)), hi = (1 << (m - 1)) - 1;
  const double multiplier = static_cast<double>(gain) * power2(m - 1);
  auto* d = static_cast<uint8_t*>(destination);
  const auto* s = static_cast<const Float*>(source);
  UnitMode mode;
  for (long i = 0; i < n; ++i) {
    int32_t r = storeProduct(s + i, multiplier);
    // The store gives 0x80000000 for NaN and for anything beyond 32 bits, however large.
    if (r == INT32_MIN) {
      const double product = Layout<S>::read(reinterpret_cast<const uint8_t*>(s + i)) * multiplier;
      r = product > 0 ? hi : product < 0 ? lo : 0;
    }
    r = r < lo ? lo : r > hi ? hi : r;
    Layout<D>::write(d + i * Layout<D>::kBytes, r);
  }
}

}  // namespace

void TZ_STDCALL float32ToPcm8(void* d, const void* s, long n, float gain) {
  convertRun<TZSAMPLETYPE_PCM8, TZSAMPLETYPE_FLOAT32>(d, s, n, gain);
}
void TZ_STDCALL float32ToPcm16(void* d, const void* s, long n, float gain) {
  convertRun<TZSAMPLETYPE_PCM16, TZSAMPLETYPE_FLOAT32>(d, s, n, gain);
}
void TZ_STDCALL float32ToPcm24(void* d, const void* s, long n, float gain) {
  convertRun<TZSAMPLETYPE_PCM24, TZSAMPLETYPE_FLOAT32>(d, s, n, gain);
}
void TZ_STDCALL float64ToPcm8(void* d, const void* s, long n, float gain) {
  convertRun<TZSAMPLETYPE_PCM8, TZSAMPLETYPE_FLOAT64>(d, s, n, gain);
}
void TZ_STDCALL float64ToPcm16(void* d, const void* s, long n, float gain) {
  convertRun<TZSAMPLETYPE_PCM16, TZSAMPLETYPE_FLOAT64>(d, s, n, gain);
}
void TZ_STDCALL float64ToPcm24(void* d, const void* s, long n, float gain) {
  convertRun<TZSAMPLETYPE_PCM24, TZSAMPLETYPE_FLOAT64>(d, s, n, gain);
}

}  // namespace tz::audio::x87
