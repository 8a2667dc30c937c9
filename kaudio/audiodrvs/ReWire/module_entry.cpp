// The library's load stands in for process attach: processor support is detected once
// and the timers move to the best clock before any export is called.
#include "support/audio/cpu_support_internal.h"
#include "support/time/timer_internal.h"

namespace {

__attribute__((constructor)) void onProcessAttach() {
  tz::audio::initializeCpuSupport();
  tz::time::initializeTimers(4);
  tz::time::lateInitializeTimers();
}

}  // namespace
