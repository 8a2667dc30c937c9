// The host's position queries: they take no lock and read the millisecond clock once,
// interpolating from the latest mixer block.
#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/host/transport_record.h"
#include "support/platform/clock.h"

namespace tz::rewire {

HRESULT CReWireAudioDevice::GetMusicalPosition(LONGLONG* position, DWORD* unit) {
  if (position == nullptr) return E_POINTER;
  const double elapsed =
      static_cast<double>(platform::tickCountMs() - cycleTimeStamp_.load()) * 10000.0;
  // In the tick unit of the current mode, the one the song position is in.
  const double ticksPerQuarter = tickMode24576() ? TRANSPORT_TICKS_24576 : kRWTicksPerQuarterNote;
  const int64_t ticks = roundHalfUp(elapsed * publishedTempo_.load() / 6e8 * ticksPerQuarter);
  *position = publishedSongPosition_.load() + (ticks > 0 ? ticks : 0);
  if (unit != nullptr) *unit = 2;
  return S_OK;
}

HRESULT CReWireAudioDevice::GetSamplePosition(LONGLONG* position) {
  if (position == nullptr) return E_POINTER;
  *position = 0;
  if (!has(kDeviceRunning)) return S_OK;
  const int64_t startOffset = sampleStartOffset_.load();
  if (startOffset == kNoPosition) return S_OK;
  const double elapsed = static_cast<double>(platform::tickCountMs() - cycleTimeStamp_.load());
  int64_t now = sampleCounter_.load() - startOffset +
                timeToSamples(static_cast<int64_t>(elapsed) * 10000, sampleRate());
  const int64_t last = lastReportedPosition_.load();
  if (now < 0) now = 0;
  if (last >= 0 && now < last) now = last;
  lastReportedPosition_ = now;
  *position = now;
  return S_OK;
}

}  // namespace tz::rewire
