// The format-copy self-test behind TzAudioCopy_UnitTest: every integer layout through a float
// layout and back with the kernels each node names, against what rounding half to even must
// give. The export runs the nodes below on the process heap; tests run changed nodes or
// blocks that run out.
#pragma once

#include <cstddef>
#include <span>

#include "support/audio/format_copy.h"
#include "support/audio/kernel_condition.h"

namespace tz::audio {

// One round trip, run when its condition holds at the class the test read when it started.
// A null kernel is the pair's baseline kernel.
struct SelfTestNode {
  TZSAMPLETYPE integer;
  TZSAMPLETYPE floating;
  CopyKernel toFloat;    // floating <- integer
  CopyKernel toInteger;  // integer <- floating
  KernelCondition condition;
};

// Nodes 0-25, then one for each integer-float variant those leave out; numbers never change.
std::span<const SelfTestNode> copySelfTestNodes();

// Where the test's buffers come from: zero-filled blocks, or null when there is no memory.
struct BlockSource {
  void* (*allocate)(size_t bytes, void* context);
  void (*release)(void* block, void* context);
  void* context;
};

// The process's general-purpose allocator.
BlockSource processHeapBlocks();

// Runs nodes with the wait cursor shown and the error details started afresh. S_OK, or the
// test's own first failure: E_UNEXPECTED for a node whose round trip differs or that cannot be
// run (a detail line names it, and the other nodes still run), E_OUTOFMEMORY when a node's
// blocks cannot be had (testing stops there). With a window, a failure is also shown in the
// error handler's message box.
HRESULT runCopySelfTest(HWND window, std::span<const SelfTestNode> nodes,
                        const BlockSource& blocks);

}  // namespace tz::audio
