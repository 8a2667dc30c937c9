// How long the format-copy self-test takes: the whole test at each processor class this
// machine runs, and each node at the machine's class, in milliseconds.
#include <chrono>
#include <cstdio>

#include "support/audio/copy_self_test.h"
#include "support/audio/cpu_support_internal.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace ta = tz::audio;

double millisecondsOf(std::span<const ta::SelfTestNode> nodes) {
  const auto start = Clock::now();
  const HRESULT result = ta::runCopySelfTest(nullptr, nodes, ta::processHeapBlocks());
  const std::chrono::duration<double, std::milli> spent = Clock::now() - start;
  if (result != S_OK) std::printf("  failed: 0x%08lx\n", static_cast<unsigned long>(result));
  return spent.count();
}

}  // namespace

int main() {
  const ta::DetectedCpu machine = ta::detectCpuSupport();
  const auto nodes = ta::copySelfTestNodes();
  for (uint32_t cpuClass = 0; cpuClass <= machine.cpuClass; ++cpuClass) {
    ta::DetectedCpu cpu = machine;
    cpu.cpuClass = cpuClass;
    ta::resetCpuSupportForTesting(&cpu);
    std::printf("class %u: %8.1f ms\n", cpuClass, millisecondsOf(nodes));
  }
  ta::resetCpuSupportForTesting();
  for (size_t i = 0; i < nodes.size(); ++i)
    std::printf("node %2zu: %8.1f ms\n", i, millisecondsOf(nodes.subspan(i, 1)));
  return 0;
}
