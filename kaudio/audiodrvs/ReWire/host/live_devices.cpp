#include "kaudio/audiodrvs/ReWire/host/live_devices.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace tz::rewire {

namespace {

struct LiveDevices {
  std::mutex lock;
  std::vector<const void*> devices;  // one per driver class: a handful at most
};

LiveDevices& live() {
  static LiveDevices all;
  return all;
}

}  // namespace

void addLiveDevice(const CReWireAudioDevice* device) {
  std::lock_guard hold(live().lock);
  live().devices.push_back(device);
}

void removeLiveDevice(const CReWireAudioDevice* device) {
  std::lock_guard hold(live().lock);
  std::erase(live().devices, static_cast<const void*>(device));
}

bool isLiveDevice(const void* device) {
  std::lock_guard hold(live().lock);
  return std::find(live().devices.begin(), live().devices.end(), device) != live().devices.end();
}

}  // namespace tz::rewire
