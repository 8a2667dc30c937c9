// The device's state machine: open, started, prepared, running. Every step is announced to
// the host through its device callback, "before" (a negative answer aborts the step) and
// "after".
#include "kaudio/audiodrvs/ReWire/host/audio_device.h"

namespace tz::rewire {

LONG CReWireAudioDevice::notify(DWORD code, DWORD argument, void* pointer) {
  const DEVICECALLBACK callback = callback_;
  return callback != nullptr ? callback(this, code, cookie_, argument, pointer) : 0;
}

HRESULT CReWireAudioDevice::Open(WAVEFORMATEX* format, DEVICECALLBACK callback, DWORD cookie) {
  if (!has(kDeviceAttached)) return E_UNEXPECTED;
  if (has(kDeviceOpen)) return S_OK;
  if (format == nullptr || callback == nullptr) return E_POINTER;
  // The mixer of the last session went away: this session connects afresh.
  if ((connectionFlags_.load() & kDeviceHalfGone) != 0) {
    disconnectPanel();
    connectPanel();
  }
  callback_ = callback;
  cookie_ = cookie;
  const DWORD link = connectionFlags_.load();
  if (has(kDeviceAttachedOnce) && (link & kConnected) != 0 && (link & kPanelStarted) == 0)
    sendPanelStarted();
  *format = stereoFormat_;
  const LONG opening = notify(kEventOpening);
  if (opening < 0) {
    closeDevice();
    return opening;
  }
  flags_.fetch_or(kDeviceOpen);
  notify(kEventOpened);
  return opening;
}

HRESULT CReWireAudioDevice::Close() {
  // Without a registered callback there is nothing open to close.
  return has(kDeviceOpen) ? closeDevice() : E_UNEXPECTED;
}

HRESULT CReWireAudioDevice::closeDevice() {
  notify(kEventClosing);
  if (has(kDeviceAttachedOnce)) sendPanelStopped();
  flags_.fetch_and(~kDeviceOpen);
  callback_ = nullptr;
  cookie_ = 0;
  return S_OK;
}

HRESULT CReWireAudioDevice::Start() {
  if (!has(kDeviceAttached) || !has(kDeviceOpen)) return E_UNEXPECTED;
  if (has(kDeviceStarted)) return S_OK;
  const LONG starting = notify(kEventStarting);
  flags_.fetch_or(kDeviceStarted);
  if (starting < 0) {
    Stop();
    return starting;
  }
  notify(kEventStarted);
  return S_OK;
}

HRESULT CReWireAudioDevice::Stop() {
  if (!has(kDeviceAttached) || !has(kDeviceOpen)) return E_UNEXPECTED;
  if (!has(kDeviceStarted)) return S_OK;
  const LONG stopping = notify(kEventStopping);
  if (stopping < 0) return stopping;
  flags_.fetch_and(~kDeviceStarted);
  notify(kEventStopped);
  return S_OK;
}

HRESULT CReWireAudioDevice::Prepare(DWORD, DWORD) {
  if (!has(kDeviceOpen)) return E_UNEXPECTED;
  const LONG preparing = notify(kEventPreparing);
  if (preparing < 0) return preparing;
  sampleCounter_ = 0;
  notify(kEventPrepared);
  flags_.fetch_or(kDevicePrepared);
  return S_OK;
}

HRESULT CReWireAudioDevice::Run(DWORD, DWORD) {
  if (!has(kDeviceOpen)) return E_UNEXPECTED;
  const LONG running = notify(kEventRunning);
  if (running < 0) return running;
  lastReportedPosition_ = kNoPosition;
  sampleStartOffset_ = kNoPosition;
  const LONG ran = notify(kEventRan);
  flags_.fetch_and(~kDevicePrepared);
  flags_.fetch_or(kDeviceRunning);
  return ran;
}

HRESULT CReWireAudioDevice::Halt() {
  if (!has(kDeviceOpen)) return E_UNEXPECTED;
  // The lock makes a halt wait for a block that is being rendered.
  lock_.lock();
  flags_.fetch_or(kDeviceHalting);
  LONG result = notify(kEventHalting);
  if (result >= 0) {
    result = notify(kEventHalted);
    flags_.fetch_and(~(kDevicePrepared | kDeviceRunning));
  }
  flags_.fetch_and(~kDeviceHalting);
  lock_.unlock();
  return result;
}

HRESULT CReWireAudioDevice::PrepareAndRun() {
  HRESULT result = Prepare(0, 0);
  if (result >= 0) {
    result = Run(0, 0);
    if (result >= 0) return result;
  }
  Halt();
  return result;
}

}  // namespace tz::rewire
