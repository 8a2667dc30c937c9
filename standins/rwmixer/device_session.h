// One device as the mixer holds it: marked as the running mixer, loaded through the engine,
// opened with an audio setting; the destructor undoes whatever of that was done, in reverse.
// Control thread only, except for the entry points the audio loop calls.
#pragma once

#include <cstdint>
#include <string>

#include "standins/rwmixer/engine_binding.h"

namespace tz::mixer {

class DeviceSession {
 public:
  explicit DeviceSession(EngineBinding& engine) : engine_(engine) {}
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;
  ~DeviceSession();

  bool markMixerRunning(std::string& error);
  // Loads the device; `error` gets the engine's status and loader message.
  bool load(const std::string& name, std::string& error);
  bool open(uint32_t sampleRate, uint32_t maxFrames, std::string& error);
  // Closes the device if open (the engine then may unload it).
  void close();

  const RWMDeviceEntryPoints& entries() const { return entries_; }

 private:
  EngineBinding& engine_;
  RWMDeviceEntryPoints entries_{};
  uint32_t handle_ = 0;
  bool marked_ = false;
  bool loaded_ = false;
  bool open_ = false;
};

}  // namespace tz::mixer
