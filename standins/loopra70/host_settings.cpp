#include "standins/loopra70/host_settings.h"

namespace tz::host {

namespace {
constexpr DWORD kVersion = 7u << 24 | 0u << 16;  // major in bits 24..31, minor in 16..23
}

HRESULT HostSettings::open() {
  close();
  return TzMetric_Open(&handle_, u"Loopra", kVersion, nullptr);
}

HRESULT HostSettings::close() {
  const HRESULT status = TzMetric_Close(handle_);
  handle_ = nullptr;
  return status;
}

}  // namespace tz::host
