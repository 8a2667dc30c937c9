// The device's lifetime in the mixer: mark, load, open, and back.
#include "standins/rwmixer/device_session.h"

namespace tz::mixer {

DeviceSession::~DeviceSession() {
  close();
  if (loaded_) engine_.unloadDevice(handle_);
  if (marked_) engine_.setMixerRunning(0);
}

bool DeviceSession::markMixerRunning(std::string& error) {
  const RWSTATUS status = engine_.setMixerRunning(1);
  if (status != kRWSuccess) {
    error = "the engine refused the running-mixer mark (status " + std::to_string(status) + ")";
    return false;
  }
  marked_ = true;
  return true;
}

bool DeviceSession::load(const std::string& name, std::string& error) {
  RWMDeviceEntryPoints entries{};
  const RWSTATUS status = engine_.loadDevice(name.c_str(), &handle_, &entries);
  if (status != kRWSuccess) {
    const std::string message = engine_.lastLoadError();
    error = "cannot load the device " + name + " (status " + std::to_string(status) + ")" +
            (message.empty() ? "" : ": " + message);
    return false;
  }
  loaded_ = true;
  // Every entry the mixer calls must be there, whatever the engine's own checks.
  if (!entries.openDevice || !entries.closeDevice || !entries.driveAudio || !entries.idle ||
      !entries.launchPanelApp || !entries.isPanelAppLaunched || !entries.quitPanelApp ||
      !entries.isCloseOK || !entries.getDeviceInfo || !entries.getDeviceNameAndVersion ||
      !entries.setAudioInfo) {
    error = "the device " + name + " lacks an entry point";
    return false;
  }
  entries_ = entries;
  return true;
}

bool DeviceSession::open(uint32_t sampleRate, uint32_t maxFrames, std::string& error) {
  const OpenDeviceParams params{0, AudioInfo{sizeof(AudioInfo), sampleRate, maxFrames}};
  const RWSTATUS status = entries_.openDevice(&params);
  if (status != kRWSuccess) {
    error = "the device did not open (status " + std::to_string(status) + ")";
    return false;
  }
  open_ = true;
  return true;
}

void DeviceSession::close() {
  if (!open_) return;
  entries_.closeDevice();
  open_ = false;
}

}  // namespace tz::mixer
