// The host's own settings store (application "Loopra", version 7.0). The driver class keeps
// its device settings below it, so the store stays open from Initialize to Terminate.
#pragma once

#include "tz/metrics.h"

namespace tz::host {

class HostSettings {
 public:
  HostSettings() = default;
  HostSettings(const HostSettings&) = delete;
  HostSettings& operator=(const HostSettings&) = delete;
  ~HostSettings() { close(); }

  HRESULT open();
  HRESULT close();
  HTZMETRICS handle() const { return handle_; }

 private:
  HTZMETRICS handle_ = nullptr;
};

}  // namespace tz::host
