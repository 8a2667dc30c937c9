// The system calls each side of the bridge makes per block, over a window of a running session:
// the mixer's audio thread and the host's worker, each the thread of its process that slept
// most often in the window. Sleeps, preemptions and read/write calls come from /proc, which
// always has them; the other calls are counted by perf (raw system-call tracepoints, no
// ptrace) when it is installed and allowed. Blocks are counted from the exchange block's own
// request number, so the window needs no help from either process.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace tz::bench {

struct SideCalls {
  double waits = 0;        // waits that slept (voluntary context switches)
  double wakes = 0;        // futex calls that did not sleep: the wakes (counted)
  double other = 0;        // every other system call (counted)
  double readWrite = 0;    // read and write calls, /proc's count of them
  double involuntary = 0;  // preemptions
};

struct CallAudit {
  bool counted = false;  // perf counted every system call
  uint64_t blocks = 0;   // blocks in the window
  SideCalls mixer;       // per block
  SideCalls host;        // per block
};

// Observes the session from about its thousandth block to 0.9 x lastBlock; perf's output goes
// through `folder`. False, with the reason, when no blocks flowed.
bool auditCalls(pid_t mixer, pid_t host, uint32_t lastBlock, const std::filesystem::path& folder,
                CallAudit& audit, std::string& error);

}  // namespace tz::bench
