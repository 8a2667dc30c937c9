// The self-test's nodes. Numbers never change, so that a reported node names the same kernels
// in every build; nodes 26 on run the variants that 0-25 leave out, under the condition on
// which the kernel table would choose them.
#include <iterator>

#include "support/audio/copy_self_test.h"
#include "tz/cpu_support.h"

namespace tz::audio {
namespace {

constexpr auto P8 = TZSAMPLETYPE_PCM8, P8S = TZSAMPLETYPE_PCM8S, P16 = TZSAMPLETYPE_PCM16,
               P16BE = TZSAMPLETYPE_PCM16BE, P24 = TZSAMPLETYPE_PCM24, P24BE = TZSAMPLETYPE_PCM24BE,
               P24IN32 = TZSAMPLETYPE_PCM24IN32, F32 = TZSAMPLETYPE_FLOAT32,
               F64 = TZSAMPLETYPE_FLOAT64;
constexpr KernelCondition kAlways = byClass(0);

constexpr SelfTestNode kNodes[] = {
    // 0-13: the baseline kernels, every integer layout through each float layout.
    {P8, F32, nullptr, nullptr, kAlways},
    {P8S, F32, nullptr, nullptr, kAlways},
    {P16, F32, nullptr, nullptr, kAlways},
    {P16BE, F32, nullptr, nullptr, kAlways},
    {P24, F32, nullptr, nullptr, kAlways},
    {P24BE, F32, nullptr, nullptr, kAlways},
    {P24IN32, F32, nullptr, nullptr, kAlways},
    {P8, F64, nullptr, nullptr, kAlways},
    {P8S, F64, nullptr, nullptr, kAlways},
    {P16, F64, nullptr, nullptr, kAlways},
    {P16BE, F64, nullptr, nullptr, kAlways},
    {P24, F64, nullptr, nullptr, kAlways},
    {P24BE, F64, nullptr, nullptr, kAlways},
    {P24IN32, F64, nullptr, nullptr, kAlways},
    // 14-19: the x87 integer store.
    {P8, F32, nullptr, x87::float32ToPcm8, byClass(2)},
    {P16, F32, nullptr, x87::float32ToPcm16, byClass(2)},
    {P24, F32, nullptr, x87::float32ToPcm24, byClass(2)},
    {P8, F64, nullptr, x87::float64ToPcm8, byClass(2)},
    {P16, F64, nullptr, x87::float64ToPcm16, byClass(2)},
    {P24, F64, nullptr, x87::float64ToPcm24, byClass(2)},
    // 20-25: SSE, with the vector 16-bit-to-float kernels on the way out.
    {P8, F32, nullptr, sse::float32ToPcm8, byClass(5)},
    {P16, F32, sse::pcm16ToFloat32, sse::float32ToPcm16, byClass(5)},
    {P24, F32, nullptr, sse::float32ToPcm24, byClass(5)},
    {P16, F32, sse2::pcm16ToFloat32, sse::float32ToPcm16, byClass(6)},
    {P8, F64, nullptr, sse2::float64ToPcm8, byClass(6)},
    {P16, F64, sse2::pcm16ToFloat64, sse2::float64ToPcm16, byClass(6)},
    // 26: SSE4.1 16-bit to float, which the kernel table chooses ahead of any class.
    {P16, F32, sse41::pcm16ToFloat32, nullptr, withSystemFlags(TZCPU_SSE41)},
    // 27-30: class 6's float-to-integer kernels in SSE2 registers.
    {P8, F32, nullptr, sse2::float32ToPcm8, byClass(6)},
    {P16, F32, nullptr, sse2::float32ToPcm16, byClass(6)},
    {P24, F32, nullptr, sse2::float32ToPcm24, byClass(6)},
    {P24, F64, nullptr, sse2::float64ToPcm24, byClass(6)},
};
static_assert(std::size(kNodes) == 31);

}  // namespace

std::span<const SelfTestNode> copySelfTestNodes() {
  return kNodes;
}

}  // namespace tz::audio
