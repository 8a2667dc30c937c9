// Runs a probe that may raise a processor fault (an illegal instruction, a protection
// fault) and reports the fault instead of letting it end the process.
#pragma once

namespace tz::platform {

// Calls probe(context). Returns false if the probe raised a processor fault; the probe is
// then abandoned at the faulting instruction. Meant for short probes at start-up: the
// fault handlers are installed process-wide for the duration of the call.
bool runCatchingFaults(void (*probe)(void*), void* context);

}  // namespace tz::platform
