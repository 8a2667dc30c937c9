// The format-copy self-test: each node's ramps through its kernels, chunk by chunk, with its
// three blocks allocated once. The result is the test's own first failure, never a code
// another thread left in the error details.
#include "support/audio/copy_self_test.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "support/audio/sample_ramp.h"
#include "support/platform/heap.h"
#include "support/ui/wait_cursor.h"
#include "tz/error_handler.h"

namespace tz::audio {
namespace {

constexpr size_t kChunk = 65536;  // samples per conversion
constexpr UINT kExclamationStyle = 0x30;

// A node's reference, result and float blocks; all or none.
class NodeBlocks {
 public:
  NodeBlocks(const BlockSource& source, size_t integerBytes, size_t floatBytes) : source_(source) {
    // Asks no further once one is refused.
    reference_ = allocate(integerBytes);
    if (reference_ != nullptr) result_ = allocate(integerBytes);
    if (result_ != nullptr) floats_ = allocate(floatBytes);
  }
  ~NodeBlocks() {
    for (uint8_t* block : {reference_, result_, floats_})
      if (block != nullptr) source_.release(block, source_.context);
  }
  NodeBlocks(const NodeBlocks&) = delete;
  NodeBlocks& operator=(const NodeBlocks&) = delete;

  bool complete() const { return reference_ && result_ && floats_; }
  uint8_t* reference() const { return reference_; }
  uint8_t* result() const { return result_; }
  uint8_t* floats() const { return floats_; }

 private:
  uint8_t* allocate(size_t bytes) {
    return static_cast<uint8_t*>(source_.allocate(bytes, source_.context));
  }

  const BlockSource& source_;
  uint8_t* reference_ = nullptr;
  uint8_t* result_ = nullptr;
  uint8_t* floats_ = nullptr;
};

// Every value of the node's integer layout, a chunk at a time: the ramp to float, half an
// LSB added, back to the integer layout, compared with the ramp rounded half to even.
HRESULT runNode(const SelfTestNode& node, const BlockSource& source) {
  const int bits = rampBits(node.integer);
  const CopyKernel toFloat =
      node.toFloat ? node.toFloat : baselineCopyKernel(node.floating, node.integer);
  const CopyKernel toInteger =
      node.toInteger ? node.toInteger : baselineCopyKernel(node.integer, node.floating);
  const size_t integerBytes = TzAudio_BytesFromSampleType(node.integer);
  const size_t floatBytes = TzAudio_BytesFromSampleType(node.floating);
  if (bits == 0 || toFloat == nullptr || toInteger == nullptr || floatBytes == 0)
    return E_UNEXPECTED;
  const size_t total = size_t{1} << bits;
  const size_t chunk = std::min(total, kChunk);
  NodeBlocks blocks(source, chunk * integerBytes, chunk * floatBytes);
  if (!blocks.complete()) return E_OUTOFMEMORY;
  const auto lowest = -(int32_t{1} << (bits - 1));
  for (size_t offset = 0; offset < total; offset += chunk) {
    const int32_t first = lowest + static_cast<int32_t>(offset);
    writeRamp(node.integer, blocks.reference(), first, chunk, false);
    toFloat(blocks.floats(), blocks.reference(), static_cast<long>(chunk), 1.0f);
    if (!addHalfLsb(node.floating, blocks.floats(), chunk, bits)) return E_UNEXPECTED;
    writeRamp(node.integer, blocks.reference(), first, chunk, true);
    toInteger(blocks.result(), blocks.floats(), static_cast<long>(chunk), 1.0f);
    if (std::memcmp(blocks.reference(), blocks.result(), chunk * integerBytes) != 0)
      return E_UNEXPECTED;
  }
  return S_OK;
}

void* heapBlock(size_t bytes, void*) {
  return platform::heapAllocate(bytes, true);
}
void releaseHeapBlock(void* block, void*) {
  platform::heapFree(block);
}

}  // namespace

BlockSource processHeapBlocks() {
  return {heapBlock, releaseHeapBlock, nullptr};
}

HRESULT runCopySelfTest(HWND window, std::span<const SelfTestNode> nodes,
                        const BlockSource& blocks) {
  HRESULT result = S_OK;
  {
    const ui::WaitCursor waiting;
    TzErrorHandler_DetailsInit();
    const DWORD cpuClass = currentCpuClass();
    for (size_t i = 0; i < nodes.size(); ++i) {
      if (!nodes[i].condition.holdsAt(cpuClass)) continue;
      const HRESULT node = runNode(nodes[i], blocks);
      if (SUCCEEDED(node)) continue;
      if (SUCCEEDED(result)) result = node;
      if (node == E_OUTOFMEMORY) break;
      // Refused when another thread owns the details; the result does not depend on it.
      TzErrorHandler_DetailsAddString(node, u"TzAudioCopy_UnitTest node[%d] failed.",
                                      static_cast<int>(i));
    }
  }
  if (FAILED(result) && window != nullptr)
    TzErrorHandler_MsgBox(window, kExclamationStyle, 0, result,
                          u"INTERNAL: AudioCopy unit test failed!", FALSE);
  return result;
}

}  // namespace tz::audio

TZAPI(HRESULT) TzAudioCopy_UnitTest(HWND window) {
  return tz::audio::runCopySelfTest(window, tz::audio::copySelfTestNodes(),
                                    tz::audio::processHeapBlocks());
}
