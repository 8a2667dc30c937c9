// The driver class, its device and outputs in a host process against the mixer stand-in in
// another: the device follows the mixer's blocks and transport, and the host's transport
// requests reach the mixer.
#include "tests/kaudio/audiodrvs/ReWire/host/host_session.h"

#include "standins/test_signal/test_signal.h"
#include "tz/rewire_engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

namespace tz::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

IAudioDevice2* firstDevice(IAudioClass* driverClass) {
  IEnumAudioDevs* devices = nullptr;
  if (driverClass->EnumDevices(&devices) != S_OK) return nullptr;
  IAudioDevice* device = nullptr;
  ULONG fetched = 0;
  devices->Next(1, &device, &fetched);
  devices->Release();
  return static_cast<IAudioDevice2*>(device);
}

// A host that hangs: once, in the 30th block, for this many milliseconds (0: never).
int hangMs = 0;
std::atomic<int> renders[16];  // render calls per output

// Renders the test signal into output k's two channels (the cookie is k).
LONG TZ_CALLBACK renderSignal(IAudioOut*, DWORD code, DWORD output, DWORD, void* buffer,
                              DWORD frames, DWORD, TRANSPORTINFO* record) {
  if ((code & 0x7FFF) != 2) return 1;
  if (output < 16) ++renders[output];
  static int blocks = 0;
  if (hangMs > 0 && (code & 0x8000) != 0 && ++blocks == 30)  // the hang itself
    std::this_thread::sleep_for(std::chrono::milliseconds(hangMs));
  const int64_t ticks = signal::mixerTicks(record->songPosition, record->ticksPerQuarterNote);
  const int64_t start =
      signal::songFrame(ticks, static_cast<uint32_t>(std::llround(record->tempo * 1000)),
                        record->format.nSamplesPerSec);
  auto* samples = static_cast<float*>(buffer);
  for (DWORD f = 0; f < frames; ++f)
    for (DWORD side = 0; side < 2; ++side)
      samples[2 * f + side] = signal::sample(2 * output + side, start + f);
  return static_cast<LONG>(frames);
}

// Opens and starts output k with the signal renderer.
bool openOutput(IAudioOut* output, DWORD k) {
  WAVEFORMATEX format{};
  LONGLONG duration = 0;
  return output->Open(&format, 0, 0, 0, &duration, renderSignal, k) == S_OK &&
         output->Start(0) == S_OK;
}

// Opens and starts every output with the signal renderer.
bool openOutputs(IAudioDevice2* device) {
  IEnumAudioOut* outputs = nullptr;
  if (device->EnumOutputs(&outputs) != S_OK) return false;
  IAudioOut* output = nullptr;
  bool opened = true;
  for (DWORD k = 0; outputs->Next(1, &output, nullptr) == S_OK; ++k) {
    opened = openOutput(output, k) && opened;
    output->Release();
  }
  outputs->Release();
  return opened;
}

// Attaches, opens with the log's callback and runs the device, its outputs rendering the test
// signal when asked; null on failure.
IAudioDevice2* runDevice(IAudioClass* driverClass, CallbackLog& log, bool withSignal = false) {
  IAudioDevice2* device = firstDevice(driverClass);
  WAVEFORMATEX format{};
  if (device == nullptr || device->Attach() != S_OK ||
      device->Open(&format, CallbackLog::callback, log.cookie()) != S_OK ||
      (withSignal && !openOutputs(device)) || device->Start() != S_OK ||
      device->PrepareAndRun() != S_OK)
    return nullptr;
  return device;
}

// The host's shutdown, in order; every step succeeds and the class goes.
void shutDown(IAudioDevice2* device, IAudioClass* driverClass) {
  EXPECT_EQ(S_OK, device->Halt());
  EXPECT_EQ(S_OK, device->Stop());
  EXPECT_EQ(S_OK, device->Close());
  EXPECT_EQ(S_OK, device->Detach());
  device->Release();
  EXPECT_EQ(S_OK, driverClass->Terminate());
  EXPECT_EQ(0u, driverClass->Release());
}

bool sawChange(CallbackLog& log, DWORD flag, const std::function<bool(const TRANSPORTINFO&)>& is) {
  for (const auto& entry : log.snapshot())
    if (entry.code == 23 && (entry.argument & flag) != 0 && is(entry.record)) return true;
  return false;
}

TEST_F(HostSession, TheDeviceFollowsTheMixersBlocksAndTransport) {
  startMixer({"--seconds", "3", "--wait-panel", "10", "--quit-panel-at", "2.8", "--loop", "0:30720",
              "--play-at", "0.8", "--tempo-at", "1.2:140", "--stop-at", "2.0"});
  IAudioClass* driverClass = this->driverClass();
  ASSERT_NE(nullptr, driverClass);
  IAudioDevice2* device = firstDevice(driverClass);
  ASSERT_NE(nullptr, device);
  ASSERT_EQ(S_OK, device->Attach());
  DWORD outputs = 0, inputs = 7;
  device->GetPortCounts(&outputs, &inputs);
  EXPECT_EQ(5u, outputs) << "6 fixed, 2 extra stereo and 2 extra mono channels";
  EXPECT_EQ(0u, inputs);
  IEnumAudioOut* ports = nullptr;
  ASSERT_EQ(S_OK, device->EnumOutputs(&ports));
  IAudioOut* list[8] = {};
  ULONG fetched = 8;
  EXPECT_EQ(S_OK, ports->Next(8, list, &fetched));
  ASSERT_EQ(5u, fetched);
  ports->Release();
  const char16_t* names[] = {u"Master-L/Master-R", u"Rear-L/Rear-R", u"Center/LFE",
                             u"Stereo Port A", u"Mono Port 1/Mono Port 2"};
  for (ULONG i = 0; i < fetched; ++i) {
    WCHAR name[64];
    EXPECT_EQ(S_OK, list[i]->GetPortName(name, 64));
    EXPECT_EQ(std::u16string(names[i]), name);
    list[i]->Release();
  }
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
  EXPECT_TRUE(eventually([&] { return log.counts[24] > 0; }));
  EXPECT_EQ(0, waitMixer());
  EXPECT_NE(std::string::npos, mixerOutput().find("time-outs: 0"));
  const auto entries = log.snapshot();
  EXPECT_GT(log.counts[26], 50);
  EXPECT_EQ(log.counts[26].load(), log.counts[27].load());
  EXPECT_GE(log.counts[22], 1) << "play";
  EXPECT_GE(log.counts[21], 1) << "stop";
  bool sawTempo140 = false, sawAllFields = false;
  for (const auto& entry : entries) {
    if (entry.code == 23 && (entry.argument & TRANSPORT_CHANGED_TEMPO) &&
        entry.record.tempo == 140.0)
      sawTempo140 = true;
    if (entry.code == 23 && entry.argument == 0xF0) sawAllFields = true;
  }
  EXPECT_TRUE(sawTempo140);
  EXPECT_TRUE(sawAllFields) << "transport sync reports every field once";

  shutDown(device, driverClass);
  // Terminate saved the device's settings in the host's store.
  platform::RegistryKey saved;
  ASSERT_TRUE(succeeded(platform::RegistryKey::open(
      platform::RegistryRoot::CurrentUser,
      "Software\\Halvard Zivovude Software\\Loopra\\7.0\\Metrics\\Audio Hardware\\Classes\\"
      "ReWire Driver Class\\ReWire Device Driver",
      saved)));
  uint32_t tickMode = 0, priority = 0, size = 4;
  EXPECT_TRUE(succeeded(saved.queryValue("501", nullptr, &tickMode, &size)));
  EXPECT_TRUE(succeeded(saved.queryValue("503", nullptr, &priority, &size)));
  EXPECT_EQ(0xFFFFFFFFu, tickMode);
  EXPECT_EQ(15u, priority);
}

TEST_F(HostSession, AFormatChangeRemapsTheBlockAndReachesTheHost) {
  startMixer({"--seconds", "3", "--wait-panel", "10", "--audio-info-at", "1.0:48000:256"});
  // A host in German gets the driver's names from the language module beside the library.
  const auto translate = reinterpret_cast<decltype(&TzAudioDriver_TranslateDriver)>(
      library.symbol("TzAudioDriver_TranslateDriver"));
  EXPECT_EQ(S_OK, translate(1031));
  IAudioClass* driverClass = this->driverClass();
  ASSERT_NE(nullptr, driverClass);
  WCHAR name[64];
  EXPECT_EQ(S_OK, driverClass->GetName(name, 64));
  EXPECT_EQ(std::u16string(u"ReWire-Treiberklasse"), name);
  CallbackLog log;
  IAudioDevice2* device = runDevice(driverClass, log);
  ASSERT_NE(nullptr, device);
  EXPECT_EQ(S_OK, translate(1033));
  ASSERT_TRUE(eventually([&] { return log.counts[13] > 0; }));
  const int blocksAtChange = log.counts[27];
  EXPECT_TRUE(eventually([&] { return log.counts[27] > blocksAtChange + 10; }, 5s))
      << "blocks go on in the new format";
  EXPECT_TRUE(sawChange(log, TRANSPORT_CHANGED_FORMAT,
                        [](const TRANSPORTINFO& r) { return r.format.nSamplesPerSec == 48000; }));
  const auto entries = log.snapshot();
  const auto codeAt = [&](DWORD code) {
    return std::find_if(entries.begin(), entries.end(), [&](auto& e) { return e.code == code; }) -
           entries.begin();
  };
  EXPECT_LT(codeAt(12), codeAt(13));
  bool smallBlocks = false;
  for (const auto& entry : entries)
    if (entry.code == 27 && entry.record.frames == 256 &&
        entry.record.format.nSamplesPerSec == 48000)
      smallBlocks = true;
  EXPECT_TRUE(smallBlocks);
  LONGLONG latency = 0;
  DWORD unit = 0;
  device->GetLatency(&latency, &unit, 0);
  EXPECT_EQ(2 * 53333, latency);  // 256 frames at 48000 Hz, twice
  EXPECT_EQ(0, waitMixer());
  EXPECT_NE(std::string::npos, mixerOutput().find("time-outs: 0")) << mixerOutput();
  shutDown(device, driverClass);
}

TEST_F(HostSession, TheMixerReceivesTheHostsSignalExactlyAcrossLoopRestarts) {
  // Two beats of loop at 120 beats per minute: 44100 frames, so the loop end falls inside a
  // block of 512.
  startMixer({"--seconds", "4", "--wait-panel", "10", "--verify", "--play", "--loop-on", "--loop",
              "0:30720", "--locate-at", "2.5:7000", "--tempo-at", "3.0:133.5"});
  IAudioClass* driverClass = this->driverClass();
  ASSERT_NE(nullptr, driverClass);
  CallbackLog log;
  IAudioDevice2* device = runDevice(driverClass, log, true);
  ASSERT_NE(nullptr, device);
  EXPECT_EQ(0, waitMixer()) << mixerOutput();
  const std::string summary = mixerOutput();
  EXPECT_NE(std::string::npos, summary.find("verify: passed")) << summary;
  EXPECT_EQ(std::string::npos, summary.find("loop restarts inside a block 0")) << summary;
  shutDown(device, driverClass);
}

// The host in a process of its own: it renders the signal until the mixer asks it to quit,
// and tells its parent through a marker file once blocks flow.
TEST_F(HostSession, PeerHost) {
  TZ_PEER_ONLY();
  if (const char* hang = getenv("TZ_HOST_HANG_MS")) hangMs = atoi(hang);
  IAudioClass* driverClass = this->driverClass();
  ASSERT_NE(nullptr, driverClass);
  CallbackLog log;
  IAudioDevice2* device = runDevice(driverClass, log, true);
  ASSERT_NE(nullptr, device);
  ASSERT_TRUE(eventually([&] { return log.counts[27] > 20; }));
  writeFile(getenv("TZ_HOST_MARKER"), "running\n");
  if (getenv("TZ_HOST_RELEASE_ONLY") != nullptr) {
    // A host that lets go of its objects in an unusual order: no Detach, no Terminate.
    device->Release();
    driverClass->Release();
    return;
  }
  eventually([&] { return log.counts[24] > 0; }, 60s);
  shutDown(device, driverClass);
}

// Starts the peer host and waits until it runs.
bool startPeerHost(std::unique_ptr<PeerProcess>& host, const fs::path& marker, int hangMs = 0,
                   bool releaseOnly = false) {
  std::vector<std::string> environment{"TZ_HOST_MARKER=" + marker.string(),
                                       "TZ_HOST_HANG_MS=" + std::to_string(hangMs)};
  if (releaseOnly) environment.push_back("TZ_HOST_RELEASE_ONLY=1");
  host = std::make_unique<PeerProcess>("HostSession.PeerHost", environment);
  return host->started() && eventually([&] { return fs::exists(marker); });
}

TEST_F(HostSession, AHostKilledMidSessionCostsTheMixerOneWaitAtMost) {
  startMixer({"--seconds", "4", "--wait-panel", "10", "--play"});
  std::unique_ptr<PeerProcess> host;
  ASSERT_TRUE(startPeerHost(host, dir / "host.running"));
  host->kill9();
  EXPECT_EQ(0, waitMixer());
  const std::string summary = mixerOutput();
  // The drive step waits for the dead panel once at most; the idle call then finds it gone
  // and the blocks are served silence without waiting.
  EXPECT_NE(std::string::npos, summary.find("not served: ")) << summary;
  const size_t at = summary.find("time-outs: ");
  ASSERT_NE(std::string::npos, at);
  EXPECT_LE(std::stoi(summary.substr(at + 11)), 1) << summary;
}

TEST_F(HostSession, AHungHostCostsEachBlockItsWaitAndTheSessionRecovers) {
  startMixer({"--seconds", "3", "--wait-panel", "10", "--play", "--verify", "--quit-panel"});
  // The host hangs in a block for two of the device's waits of 2000 ms, then goes on.
  std::unique_ptr<PeerProcess> host;
  ASSERT_TRUE(startPeerHost(host, dir / "host.running", 4500));
  EXPECT_EQ(0, host->wait(30000)) << "the host quits when the mixer asks";
  const int status = waitMixer();
  const std::string summary = mixerOutput();
  EXPECT_EQ(3, status) << "the lost blocks fail the check\n" << summary;
  // Two blocks wait out the hang; a slow machine may lose a third at its edge.
  const size_t lost = summary.find(", lost ");
  ASSERT_NE(std::string::npos, lost) << summary;
  EXPECT_GE(std::stoi(summary.substr(lost + 7)), 2) << summary;
  EXPECT_LE(std::stoi(summary.substr(lost + 7)), 3) << summary;
  const size_t timeouts = summary.find("time-outs: ");
  ASSERT_NE(std::string::npos, timeouts);
  EXPECT_GE(std::stoi(summary.substr(timeouts + 11)), 2) << summary;
  EXPECT_NE(std::string::npos, summary.find("wrong samples 0")) << summary;
}

TEST_F(HostSession, AnOutputClosedAndReopenedWhileTheMixerRuns) {
  startMixer({"--seconds", "3", "--wait-panel", "10", "--play"});
  IAudioClass* driverClass = this->driverClass();
  ASSERT_NE(nullptr, driverClass);
  CallbackLog log;
  IAudioDevice2* device = runDevice(driverClass, log, true);
  ASSERT_NE(nullptr, device);
  IEnumAudioOut* outputs = nullptr;
  IAudioOut* list[2] = {};
  ULONG fetched = 2;
  ASSERT_EQ(S_OK, device->EnumOutputs(&outputs));
  outputs->Next(2, list, &fetched);
  outputs->Release();
  ASSERT_TRUE(eventually([&] { return renders[1] > 10; }, 5s));
  EXPECT_EQ(S_OK, list[1]->Close());
  const int closedAt = renders[1];
  const int blocks = log.counts[27];
  ASSERT_TRUE(eventually([&] { return log.counts[27] > blocks + 10; }, 5s));
  EXPECT_EQ(closedAt, renders[1].load()) << "a closed output is not asked to render";
  EXPECT_TRUE(openOutput(list[1], 1));
  EXPECT_TRUE(eventually([&] { return renders[1] > closedAt; }, 5s));
  EXPECT_EQ(0, waitMixer());
  EXPECT_NE(std::string::npos, mixerOutput().find("time-outs: 0"));
  for (IAudioOut* output : list) output->Release();
  shutDown(device, driverClass);
}

// The device's destructor stops the worker itself: a host that never detaches still ends.
TEST_F(HostSession, ReleasingTheClassWithoutDetachEndsTheHost) {
  startMixer({"--seconds", "3", "--wait-panel", "10", "--play"});
  std::unique_ptr<PeerProcess> host;
  ASSERT_TRUE(startPeerHost(host, dir / "host.running", 0, true));
  EXPECT_EQ(0, host->wait(10000)) << "the host hangs in its last Release";
  EXPECT_EQ(0, waitMixer());
}

// The host stops while the mixer waits for a block: the halt holds the device lock while the
// host's code-10 callback is busy, and the host closes the device from inside it. That block is
// answered at once with silence, instead of costing the mixer its whole wait.
TEST_F(HostSession, AStopWhileABlockIsPendingCostsTheMixerNoWait) {
  startMixer({"--seconds", "2", "--wait-panel", "10", "--play"});
  IAudioClass* driverClass = this->driverClass();
  ASSERT_NE(nullptr, driverClass);
  CallbackLog log;
  IAudioDevice2* device = runDevice(driverClass, log, true);
  ASSERT_NE(nullptr, device);
  ASSERT_TRUE(eventually([&] { return log.counts[27] > 20; }));
  log.answerWith([&](DWORD code) {
    if (code == 10) {
      // Busy long enough for the mixer's next block to be asked for (blocks come every 12 ms).
      std::this_thread::sleep_for(std::chrono::milliseconds(60));
      device->Close();
    }
    return 0;
  });
  EXPECT_EQ(S_OK, device->Halt());
  EXPECT_EQ(0, waitMixer());
  EXPECT_NE(std::string::npos, mixerOutput().find("time-outs: 0")) << mixerOutput();
  EXPECT_EQ(S_OK, device->Detach());
  device->Release();
  EXPECT_EQ(S_OK, driverClass->Terminate());
  EXPECT_EQ(0u, driverClass->Release());
}

// A device half that the engine knows but whose block is not there (it is still being made,
// or was never made): the device cannot be reached, so no class is made and nothing stays.
TEST_F(HostSession, ADeviceHalfWithoutItsBlockMakesNoClass) {
  platform::Module engine;
  ASSERT_EQ(platform::PlatformError::Success, engine.loadByName("ReWire.dll"))
      << platform::lastLoadMessage();
  const auto function = [&](const char* name) { return engine.symbol(name); };
  const auto setMixerRunning =
      reinterpret_cast<int32_t (*)(uint8_t)>(function("RWMSetMixerRunning"));
  const auto openDevices = reinterpret_cast<RWDOpenImpProc>(function("RWDOpenImp"));
  const auto create = reinterpret_cast<RWDComCreateImpProc>(function("RWDComCreateImp"));
  const auto destroy = reinterpret_cast<RWDComDestroyImpProc>(function("RWDComDestroyImp"));
  const auto closeDevices = reinterpret_cast<RWDCloseImpProc>(function("RWDCloseImp"));
  ASSERT_TRUE(setMixerRunning && openDevices && create && destroy && closeDevices);
  ASSERT_EQ(1, openDevices(1000000));
  ASSERT_EQ(1, setMixerRunning(1));
  const RWChannelRecord channels[2] = {{12, 8192, 8192}, {12, 8192, 8192}};
  uint32_t handle = 0;
  ASSERT_EQ(1, create("QRX7", 2, channels, &handle));

  IAudioClass* created = reinterpret_cast<IAudioClass*>(uintptr_t{1});
  EXPECT_EQ(S_FALSE, createDriverClass(&created, 0));
  EXPECT_EQ(nullptr, created);
  destroy(handle);
  setMixerRunning(0);
  closeDevices();
}

// The mixer ends without a word: the device tells the host with a quit request and lets go of
// the session. A host that stays reopens the device once the next mixer runs, which connects
// it afresh, and the blocks flow again.
TEST_F(HostSession, AfterItsMixerWentAwayTheDeviceConnectsToTheNextOne) {
  startMixer({"--seconds", "1", "--wait-panel", "10"});
  IAudioClass* driverClass = this->driverClass();
  ASSERT_NE(nullptr, driverClass);
  CallbackLog log;
  IAudioDevice2* device = runDevice(driverClass, log);
  ASSERT_NE(nullptr, device);
  EXPECT_EQ(0, waitMixer());
  EXPECT_TRUE(eventually([&] { return log.counts[24] > 0; }, 5s)) << "no quit request";
  EXPECT_EQ(S_OK, device->Halt());
  EXPECT_EQ(S_OK, device->Stop());
  EXPECT_EQ(S_OK, device->Close());

  startMixer({"--seconds", "2", "--wait-panel", "10"});
  ASSERT_TRUE(eventually([&] { return mixerOutput().find("opened:") != std::string::npos; }));
  WAVEFORMATEX format{};
  ASSERT_EQ(S_OK, device->Open(&format, CallbackLog::callback, log.cookie()));
  ASSERT_EQ(S_OK, device->Start());
  ASSERT_EQ(S_OK, device->PrepareAndRun());
  const int blocks = log.counts[27];
  EXPECT_TRUE(eventually([&] { return log.counts[27] > blocks + 10; }, 5s)) << "no blocks";
  EXPECT_EQ(0, waitMixer());
  EXPECT_NE(std::string::npos, mixerOutput().find("time-outs: 0")) << mixerOutput();
  shutDown(device, driverClass);
}

}  // namespace
}  // namespace tz::test
