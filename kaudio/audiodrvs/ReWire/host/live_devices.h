// The module's live audio devices, so that an interface pointer from the host can be told to
// be one of ours before it is used as one.
#pragma once

namespace tz::rewire {

class CReWireAudioDevice;

void addLiveDevice(const CReWireAudioDevice* device);
void removeLiveDevice(const CReWireAudioDevice* device);
bool isLiveDevice(const void* device);

}  // namespace tz::rewire
