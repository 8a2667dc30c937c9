// The host's transport requests to the mixer: play, stop, reposition and loop, sent on the
// message channel when transport sync is on. A request that answers a change the mixer itself
// just reported (its echo) is not sent back.
#include <mutex>

#include "kaudio/audiodrvs/ReWire/host/audio_device.h"

namespace tz::rewire {

namespace {

constexpr DWORD kHostSource = 2;

struct RepositionMessage {
  uint32_t id;
  int32_t position;
};
struct LoopMessage {
  uint32_t id;
  int32_t start;
  int32_t end;
  uint32_t on;
};
static_assert(sizeof(RepositionMessage) == 8 && sizeof(LoopMessage) == 16);

// Ticks of 24576 per quarter note to 15360: (x + 0.5) × 0.625, toward zero.
int64_t toMixerTicks(int64_t ticks) {
  constexpr double kToMixer = double{kRWTicksPerQuarterNote} / TRANSPORT_TICKS_24576;  // 0.625
  return static_cast<int64_t>((static_cast<double>(ticks) + 0.5) * kToMixer);
}

}  // namespace

LONG CReWireAudioDevice::SetTransportSync(DWORD enable) {
  const bool on = (enable & 1) != 0;
  const DWORD before = flags_.load();
  setFlag(kDeviceTransportSync, on);
  if (on && (before & kDeviceTransportSync) == 0) setConnectionFlag(kReportAll, true);
  return on ? -1 : 0;
}

LONG CReWireAudioDevice::RequestPlay(DWORD, DWORD, DWORD source, DWORD flags) {
  if (!has(kDeviceTransportSync)) return 1;
  if (flags != 0 || source != kHostSource) return 0;
  const DWORD link = connectionFlags_.load();
  if ((link & kConnected) != 0 && (link & (kStarting | kPlaying)) == 0) {
    const uint8_t message = RWMSG_REQUEST_PLAY;
    sendMessage(&message, 1);
  }
  return 0;
}

LONG CReWireAudioDevice::RequestStop(DWORD, DWORD, DWORD, DWORD) {
  if (!has(kDeviceTransportSync)) return 1;
  const DWORD link = connectionFlags_.load();
  if ((link & kConnected) != 0 && (link & kPlaying) != 0) {
    const uint8_t message = RWMSG_REQUEST_STOP;
    sendMessage(&message, 1);
  }
  return 0;
}

LONG CReWireAudioDevice::RequestLocate(LONGLONG position, LONGLONG loopStart, LONGLONG loopLength,
                                       DWORD source, LONG loopOn, DWORD flags) {
  if (!has(kDeviceTransportSync)) return 1;
  if (flags != 0 || source != kHostSource) return 0;
  const auto ready = [this] {
    const DWORD link = connectionFlags_.load();
    return (link & kConnected) != 0 && (link & kStarting) == 0;
  };
  if (position >= 0) {
    const int64_t p = toMixerTicks(position);
    if (p >= 0 && ready()) {
      if ((connectionFlags_.fetch_and(~kRepositionEcho) & kRepositionEcho) == 0) {
        const RepositionMessage message{RWMSG_REPOSITION, static_cast<int32_t>(p)};
        sendMessage(&message, sizeof message);
        setConnectionFlag(kRepositionSent, true);
      }
    }
  }
  const int64_t start = loopStart >= 0 ? toMixerTicks(loopStart) : loopStart;
  const int64_t length = loopLength >= 0 ? toMixerTicks(loopLength) : loopLength;
  if (start < 0 && length < 0 && loopOn == -1) return 0;
  if (!ready()) return 0;
  if ((connectionFlags_.fetch_and(~kLoopEcho) & kLoopEcho) != 0) return 0;
  // Read without the device lock: the worker calls the host back while it holds the lock,
  // and a host calling from under its own transport lock must never wait for it.
  const PublishedLoop loop = publishedLoop();
  if (start < 0 && length < 0 && (loopOn < 0 || static_cast<DWORD>(loopOn) == loop.on)) return 0;
  // The record's loop is in the host's ticks in 24576 mode.
  const auto current = [this](int64_t ticks) {
    return tickMode24576() ? toMixerTicks(ticks) : ticks;
  };
  const int64_t loopStartTicks = start >= 0 ? start : current(loop.start);
  const int64_t loopEndTicks = length >= 0 ? loopStartTicks + length : current(loop.end);
  const uint32_t on = loopOn >= 0 ? static_cast<uint32_t>(loopOn) : loop.on;
  const LoopMessage message{RWMSG_SET_LOOP, static_cast<int32_t>(loopStartTicks),
                            static_cast<int32_t>(loopEndTicks), on};
  sendMessage(&message, sizeof message);
  setConnectionFlag(kLoopSent, true);
  return 0;
}

}  // namespace tz::rewire
