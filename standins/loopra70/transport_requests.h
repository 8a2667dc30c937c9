// The host's transport requests as the device's locate slot takes them, and a schedule that
// hands them out as their times come.
#pragma once

#include <cstddef>
#include <span>

#include "standins/loopra70/host_options.h"
#include "tz/win_types.h"

namespace tz::host {

// RequestLocate's arguments: negative positions keep the mixer's value, loop-on −1 keeps it.
struct LocateArguments {
  LONGLONG position = -1;
  LONGLONG loopStart = -1;
  LONGLONG loopLength = -1;
  LONG loopOn = -1;
};

// For Locate, Loop and LoopOff requests.
LocateArguments locateArguments(const TransportRequest& request);

const char* requestName(RequestKind kind);

// Requests in time order; next() gives each once its time has come.
class RequestSchedule {
 public:
  explicit RequestSchedule(std::span<const TransportRequest> requests) : requests_(requests) {}

  // The first request not yet given whose time is at or before `seconds`; null when none.
  const TransportRequest* next(double seconds) {
    if (next_ >= requests_.size() || requests_[next_].seconds > seconds) return nullptr;
    return &requests_[next_++];
  }

 private:
  std::span<const TransportRequest> requests_;
  size_t next_ = 0;
};

}  // namespace tz::host
