// Whether a mixer runs: a mixer holds a named mark while it runs, and the mark goes with its
// process, so a crashed mixer does not count. Several mixers may hold it at once.
#include <mutex>

#include "standins/rewire_engine/engine_export.h"
#include "standins/rewire_engine/mixer_api.h"
#include "support/platform/named_mark.h"

namespace {

constexpr const char* kMixerMark = "ReWire/Mixer";

std::mutex markLock;
tz::platform::NamedMark mark;

}  // namespace

RW_ENGINE_EXPORT RWSTATUS RWMSetMixerRunning(uint8_t running) {
  const std::lock_guard guard(markLock);
  if (running == 0) {
    mark.release();
  } else if (!mark.held()) {
    auto held = tz::platform::NamedMark::hold(kMixerMark);
    if (held.error != tz::platform::PlatformError::Success) return kRWGeneralFailure;
    mark = std::move(held.mark);
  }
  return kRWSuccess;
}

// Shared by the device and the panel functions.
RW_ENGINE_EXPORT RWSTATUS RWIsReWireMixerAppRunningImp(uint8_t* runningFlag) {
  if (runningFlag == nullptr) return kRWGeneralFailure;
  *runningFlag = tz::platform::NamedMark::isHeld(kMixerMark) ? 1 : 0;
  return kRWSuccess;
}

static_assert(hasType<RWMSetMixerRunningProc>(&RWMSetMixerRunning) &&
              hasType<RWIsReWireMixerAppRunningImpProc>(&RWIsReWireMixerAppRunningImp));
