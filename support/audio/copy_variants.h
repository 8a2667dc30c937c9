// Every format-copy kernel beyond the baseline ones, with the instruction sets it needs, so
// that tests and benchmarks can run each variant this processor offers against the baseline.
#pragma once

#include <span>

#include "support/audio/format_copy.h"

namespace tz::audio {

struct CopyVariant {
  TZSAMPLETYPE destination;
  TZSAMPLETYPE source;
  const char* name;  // "x87", "sse", "sse2", "sse41"
  DWORD needs;       // TZCPU_ flags the processor must report (TzGetCPUHardwareSupport)
  CopyKernel kernel;
};

std::span<const CopyVariant> copyVariants();

}  // namespace tz::audio
