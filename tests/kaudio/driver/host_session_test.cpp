// The driver class, its device and outputs in a host process against the mixer stand-in in
// another: the device follows the mixer's blocks and transport, and the host's transport
// requests reach the mixer.
#include "tests/kaudio/driver/host_session.h"

namespace tz::test {
namespace {

IAudioDevice2* firstDevice(IAudioClass* driverClass) {
  IEnumAudioDevs* devices = nullptr;
  if (driverClass->EnumDevices(&devices) != S_OK) return nullptr;
  IAudioDevice* device = nullptr;
  ULONG fetched = 0;
  devices->Next(1, &device, &fetched);
  devices->Release();
  return static_cast<IAudioDevice2*>(device);
}

TEST_F(HostSession, TheDeviceFollowsTheMixersBlocksAndTransport) {
  startMixer({"--seconds", "3", "--wait-panel", "10", "--quit-panel", "--loop", "0:30720",
              "--play-at", "0.8", "--tempo-at", "1.2:140", "--stop-at", "2.0"});
  IAudioClass* driverClass = this->driverClass();
  ASSERT_NE(nullptr, driverClass);
  IAudioDevice2* device = firstDevice(driverClass);
  ASSERT_NE(nullptr, device);
  ASSERT_EQ(S_OK, device->Attach());
  DWORD outputs = 0, inputs = 7;
  device->GetPortCounts(&outputs, &inputs);
  EXPECT_EQ(3u, outputs);
  EXPECT_EQ(0u, inputs);
  LONGLONG latency = 0;
  DWORD unit = 0;
  EXPECT_EQ(S_OK, device->GetLatency(&latency, &unit, 0));
  EXPECT_EQ(2 * 116100, latency);  // 512 frames at 44100 Hz, twice

  CallbackLog log;
  WAVEFORMATEX format{};
  ASSERT_EQ(S_OK, device->Open(&format, CallbackLog::callback, log.cookie()));
  EXPECT_EQ(3, format.wFormatTag);
  EXPECT_EQ(44100u, format.nSamplesPerSec);
  ASSERT_EQ(S_OK, device->Start());
  ASSERT_EQ(S_OK, device->PrepareAndRun());
  EXPECT_EQ(-1, device->SetTransportSync(1));

  // The mixer plays, changes the tempo and stops; then asks the host to quit.
  EXPECT_TRUE(within(10000, [&] { return log.counts[24] > 0; }));
  EXPECT_EQ(0, waitMixer());
  EXPECT_NE(std::string::npos, mixerOutput().find("time-outs: 0"));
  const auto entries = log.snapshot();
  EXPECT_GT(log.counts[26], 50);
  EXPECT_EQ(log.counts[26].load(), log.counts[27].load());
  EXPECT_GE(log.counts[22], 1) << "play";
  EXPECT_GE(log.counts[21], 1) << "stop";
  bool sawTempo140 = false, sawAllFields = false;
  for (const auto& entry : entries) {
    if (entry.code == 23 && (entry.argument & TRANSPORT_CHANGED_TEMPO) && entry.record.tempo == 140.0)
      sawTempo140 = true;
    if (entry.code == 23 && entry.argument == 0xF0) sawAllFields = true;
  }
  EXPECT_TRUE(sawTempo140);
  EXPECT_TRUE(sawAllFields) << "transport sync reports every field once";

  EXPECT_EQ(S_OK, device->Halt());
  EXPECT_EQ(S_OK, device->Stop());
  EXPECT_EQ(S_OK, device->Close());
  EXPECT_EQ(S_OK, device->Detach());
  device->Release();
  driverClass->Terminate();
  EXPECT_EQ(0u, driverClass->Release());
}

}  // namespace
}  // namespace tz::test
