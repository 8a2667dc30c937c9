// The host-facing objects called through their virtual tables, slot by slot, as a host built
// against the binary interface calls them, without a mixer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/host/audio_output.h"
#include "kaudio/audiodrvs/ReWire/host/enumerators.h"
#include "kaudio/audiodrvs/ReWire/host/property_pages_provider.h"
#include "support/platform/clock.h"
#include "tests/common/device_callback_log.h"
#include "tests/kaudio/audiodrvs/ReWire/host/device_test_access.h"

namespace tz::rewire {

namespace {

// The address in slot n of an object's virtual table.
template <typename Function>
Function slot(void* object, int n) {
  return reinterpret_cast<Function>((*static_cast<void***>(object))[n]);
}

using tz::test::CallbackLog;

// The host refuses the step announced with `code`.
void refuse(CallbackLog& log, DWORD code) {
  log.answerWith([code](DWORD asked) { return asked == code ? E_FAIL : 0; });
}

TEST(DeviceSlots, TheStateMachineAnnouncesEveryStepInOrder) {
  auto* device = new CReWireAudioDevice(nullptr);
  device->AddRef();
  CallbackLog log;
  WAVEFORMATEX format{};
  using Open = HRESULT(TZ_COM*)(void*, WAVEFORMATEX*, DEVICECALLBACK, DWORD);
  using Step = HRESULT(TZ_COM*)(void*);
  EXPECT_EQ(E_UNEXPECTED, slot<Open>(device, 23)(device, &format, CallbackLog::callback, 0));
  EXPECT_EQ(E_UNEXPECTED, slot<Step>(device, 24)(device)) << "Close before Open";
  EXPECT_EQ(E_UNEXPECTED, slot<Step>(device, 30)(device)) << "Halt before Open";

  DeviceTestAccess::attach(*device, 512, 44100);
  EXPECT_EQ(S_OK, slot<Step>(device, 9)(device)) << "IsAttached";
  refuse(log, 0);
  EXPECT_EQ(E_FAIL, slot<Open>(device, 23)(device, &format, CallbackLog::callback, log.cookie()));
  EXPECT_EQ((std::vector<DWORD>{0, 18}), log.codes()) << "a refused open still closes";
  log.clear();
  refuse(log, 2);
  ASSERT_EQ(S_OK, slot<Open>(device, 23)(device, &format, CallbackLog::callback, log.cookie()));
  EXPECT_EQ(44100u, format.nSamplesPerSec);
  EXPECT_EQ(8, format.nBlockAlign);
  EXPECT_EQ(S_OK, slot<Open>(device, 23)(device, &format, nullptr, 0)) << "a second open";
  EXPECT_EQ(E_FAIL, slot<Step>(device, 25)(device)) << "Start refused by the host";
  log.answerWith(nullptr);
  EXPECT_EQ(S_OK, slot<Step>(device, 25)(device));
  EXPECT_EQ(S_OK, slot<Step>(device, 27)(device)) << "PrepareAndRun";
  EXPECT_EQ(kDeviceRunning, device->flags() & (kDeviceRunning | kDevicePrepared));

  // Positions: nothing before the first block, then interpolation that never goes back.
  LONGLONG position = -5;
  EXPECT_EQ(S_OK, device->GetSamplePosition(&position));
  EXPECT_EQ(0, position);
  DeviceTestAccess::publishBlock(*device, 512, platform::tickCountMs());
  EXPECT_EQ(S_OK, device->GetSamplePosition(&position));
  EXPECT_GE(position, 512);
  LONGLONG later = 0;
  DeviceTestAccess::publishBlock(*device, 0, platform::tickCountMs());
  EXPECT_EQ(S_OK, device->GetSamplePosition(&later));
  EXPECT_EQ(position, later) << "positions never go backwards";

  EXPECT_EQ(S_OK, slot<Step>(device, 28)(device)) << "Halt";
  EXPECT_EQ(S_OK, slot<Step>(device, 26)(device)) << "Stop";
  EXPECT_EQ(S_OK, slot<Step>(device, 24)(device)) << "Close";
  EXPECT_EQ((std::vector<DWORD>{0, 1, 2, 4, 5, 2, 3, 6, 7, 8, 9, 10, 11, 4, 5, 18}), log.codes());

  // Settings-free slots.
  using Latency = HRESULT(TZ_COM*)(void*, LONGLONG*, DWORD*, DWORD);
  using Sizes = HRESULT(TZ_COM*)(void*, DWORD*, DWORD*, DWORD*, DWORD*);
  using Sync = LONG(TZ_COM*)(void*, DWORD);
  LONGLONG latency = 0;
  DWORD unit = 0, sizes[4] = {};
  EXPECT_EQ(S_OK, slot<Latency>(device, 18)(device, &latency, &unit, 0));
  EXPECT_EQ(232200, latency);
  EXPECT_EQ(S_OK, slot<Sizes>(device, 20)(device, &sizes[0], &sizes[1], &sizes[2], &sizes[3]));
  EXPECT_EQ((std::vector<DWORD>{1024, 1024, 1024, 2}), std::vector<DWORD>(sizes, sizes + 4));
  EXPECT_EQ(-1, slot<Sync>(device, 46)(device, 1));
  EXPECT_EQ(kReportAll, device->connectionFlags() & kReportAll);
  EXPECT_EQ(-1, slot<Sync>(device, 46)(device, 3));
  EXPECT_EQ(0, slot<Sync>(device, 46)(device, 0));
  using Play = LONG(TZ_COM*)(void*, DWORD, DWORD, DWORD, DWORD);
  EXPECT_EQ(1, slot<Play>(device, 48)(device, 0, 0, 2, 0)) << "no transport sync";
  EXPECT_EQ(0, slot<Play>(device, 47)(device, 1, 2, 3, 4));
  // Host requests while connected: a reposition that answers the mixer's own jump (its echo)
  // is swallowed once; positions are converted to the mixer's ticks.
  EXPECT_EQ(-1, slot<Sync>(device, 46)(device, 1));
  std::atomic<DWORD>& link = DeviceTestAccess::link(*device);
  link = kConnected | kRepositionEcho;
  using Locate = LONG(TZ_COM*)(void*, LONGLONG, LONGLONG, LONGLONG, DWORD, LONG, DWORD);
  EXPECT_EQ(0, slot<Locate>(device, 50)(device, 24576, -1, -1, 2, -1, 0));
  EXPECT_EQ(0u, link & (kRepositionEcho | kRepositionSent));
  EXPECT_EQ(0, slot<Locate>(device, 50)(device, 24576, -1, -1, 2, -1, 0));
  EXPECT_EQ(kRepositionSent, link & kRepositionSent);
  EXPECT_EQ(0, slot<Locate>(device, 50)(device, 24576, -1, -1, 1, -1, 0)) << "another source";
  link = kConnected | kLoopEcho;
  EXPECT_EQ(0, slot<Locate>(device, 50)(device, -1, 0, 98304, 2, 1, 0));
  EXPECT_EQ(0u, link & (kLoopEcho | kLoopSent));
  EXPECT_EQ(0, slot<Locate>(device, 50)(device, -1, 0, 98304, 2, 1, 0));
  EXPECT_EQ(kLoopSent, link & kLoopSent);
  link = kConnected | kStarting;
  EXPECT_EQ(0, slot<Locate>(device, 50)(device, 24576, -1, -1, 2, -1, 0));
  EXPECT_EQ(0u, link & kRepositionSent) << "nothing while the host is starting";
  link = 0;

  using Unknown = HRESULT(TZ_COM*)(void*, const IID&, void**);
  void* pages = nullptr;
  EXPECT_EQ(E_NOINTERFACE, slot<Unknown>(device, 0)(device, IID_IAudioClass, &pages));
  EXPECT_EQ(nullptr, pages);
  using Release = ULONG(TZ_COM*)(void*);
  EXPECT_EQ(0u, slot<Release>(device, 2)(device));
}

TEST(OutputSlots, PortsAreNamedFromTheDevicesChannelCounts) {
  auto* device = new CReWireAudioDevice(nullptr);
  device->AddRef();
  device->extraChannels = 4;
  device->extraMonoChannels = 4;
  struct Port {
    const char16_t* name;
    const char16_t* left;
    DWORD mask;
  };
  const Port ports[] = {{u"Master-L/Master-R", u"Master-L", 0x3},
                        {u"Rear-L/Rear-R", u"Rear-L", 0x30},
                        {u"Center/LFE", u"Center", 0xC},
                        {u"Stereo Port A", u"", 0},
                        {u"Stereo Port B", u"", 0},
                        {u"Mono Port 1/Mono Port 2", u"", 0},
                        {u"Mono Port 3/Mono Port 4", u"", 0},
                        {u"Unknown Port 7", u"", 0}};
  using Name = HRESULT(TZ_COM*)(void*, WCHAR*, LONG);
  using Names = HRESULT(TZ_COM*)(void*, WCHAR*, LONG, WCHAR*, LONG);
  using Mask = DWORD(TZ_COM*)(void*);
  using Init = HRESULT(TZ_COM*)(void*);
  for (DWORD i = 0; i < 8; ++i) {
    auto* output = new CReWireAudioOutput(i, device);
    output->AddRef();
    EXPECT_EQ(S_OK, slot<Init>(output, 39)(output));
    WCHAR name[64], left[64], right[64];
    EXPECT_EQ(S_OK, slot<Name>(output, 14)(output, name, 64));
    EXPECT_EQ(std::u16string(ports[i].name), name);
    EXPECT_EQ(S_OK, slot<Names>(output, 17)(output, left, 64, right, 64));
    EXPECT_EQ(std::u16string(ports[i].left), left);
    EXPECT_EQ(ports[i].mask, slot<Mask>(output, 37)(output));
    output->Release();
  }

  auto* output = new CReWireAudioOutput(3, device);
  output->AddRef();
  output->Initialize();
  using Set = HRESULT(TZ_COM*)(void*, const WCHAR*);
  using SetNames = HRESULT(TZ_COM*)(void*, const WCHAR*, const WCHAR*);
  using Property = HRESULT(TZ_COM*)(void*, DWORD, DWORD*);
  WCHAR text[16];
  EXPECT_EQ(S_OK, slot<Name>(output, 14)(output, text, 4));
  EXPECT_EQ(std::u16string(u"Ste"), text);
  EXPECT_EQ(E_INVALIDARG, slot<Name>(output, 14)(output, text, 0));
  EXPECT_EQ(S_OK, slot<Set>(output, 10)(output, u"abc"));
  EXPECT_EQ(S_OK, slot<Name>(output, 9)(output, text, 10));
  EXPECT_EQ(std::u16string(u"abc"), text);
  EXPECT_EQ(S_OK, slot<Name>(output, 12)(output, text, 16));
  EXPECT_EQ(std::u16string(u"Stereo Port A"), text) << "no custom name yet";
  slot<Set>(output, 13)(output, u"Drums");
  EXPECT_EQ(S_OK, slot<Name>(output, 12)(output, text, 16));
  EXPECT_EQ(std::u16string(u"Drums"), text);
  slot<SetNames>(output, 16)(output, u"Kick", nullptr);
  WCHAR left[16], right[16] = u"x";
  slot<Names>(output, 15)(output, left, 16, right, 16);
  EXPECT_EQ(std::u16string(u"Kick"), left);
  EXPECT_EQ(std::u16string(u""), right);
  DWORD value = 9;
  DeviceTestAccess::attach(*device, 512, 44100);
  EXPECT_EQ(S_OK, slot<Property>(output, 33)(output, 27, &value));
  EXPECT_EQ(256u, value);
  EXPECT_EQ(S_OK, slot<Property>(output, 33)(output, 0, &value));
  EXPECT_EQ(3u, value);
  value = 77;
  EXPECT_EQ(S_OK, slot<Property>(output, 34)(output, 65, &value));
  EXPECT_EQ(S_OK, slot<Property>(output, 33)(output, 65, &value));
  EXPECT_EQ(77u, value);
  EXPECT_EQ(S_FALSE, slot<Property>(output, 33)(output, 67, &value));
  EXPECT_EQ(E_POINTER, slot<Property>(output, 33)(output, 0, nullptr));
  using Step = HRESULT(TZ_COM*)(void*);
  EXPECT_EQ(TZ_E_OUTPUT_NOT_OPEN, slot<Step>(output, 22)(output));
  output->Release();
  device->Release();
}

// The host's render callback: a ramp per call, recording what it was asked.
struct Renderer {
  struct Call {
    DWORD code, frames;
    int64_t songPosition;
    DWORD atLoopRestart;
  };
  std::vector<Call> calls;
  static LONG TZ_CALLBACK output(IAudioOut*, DWORD code, DWORD cookie, DWORD, void* buffer,
                                 DWORD frames, DWORD, TRANSPORTINFO* record) {
    auto& self = *reinterpret_cast<Renderer*>(static_cast<uintptr_t>(cookie));
    if (code == kOutputRender || code == (kOutputRender | kOutputFirstOfBlock)) {
      self.calls.push_back({code, frames, record->songPosition, record->atLoopRestart});
      auto* samples = static_cast<float*>(buffer);
      for (DWORD i = 0; i < frames; ++i) {
        samples[2 * i] = static_cast<float>(self.calls.size() * 1000 + i);
        samples[2 * i + 1] = -samples[2 * i];
      }
      return static_cast<LONG>(frames);
    }
    return 1;
  }
};

TEST(OutputSlots, OpenGrantsWholeBlocksAndRenderingSplitsAtTheLoopEnd) {
  auto* device = new CReWireAudioDevice(nullptr);
  device->AddRef();
  DeviceTestAccess::attach(*device, 512, 44100);
  CallbackLog log;
  WAVEFORMATEX deviceFormat{};
  ASSERT_EQ(S_OK, device->Open(&deviceFormat, CallbackLog::callback, log.cookie()));
  auto* output = new CReWireAudioOutput(0, device);
  output->AddRef();
  output->Initialize();
  Renderer renderer;
  WAVEFORMATEX format{1, 2, 48000, 192000, 4, 16, 0};
  LONGLONG duration = 100000;  // 10 ms: 441 frames, raised to one block
  const DWORD cookie = static_cast<DWORD>(reinterpret_cast<uintptr_t>(&renderer));
  ASSERT_EQ(S_OK, output->Open(&format, 0, 0, 0, &duration, Renderer::output, cookie));
  EXPECT_EQ(3, format.wFormatTag);
  EXPECT_EQ(44100u, format.nSamplesPerSec);
  LONGLONG latency = 0;
  output->GetLatency(&latency);
  EXPECT_EQ(116100, latency);
  EXPECT_EQ(TZ_E_OUTPUT_ALREADY_OPEN,
            output->Open(&format, 0, 0, 0, &duration, Renderer::output, cookie));
  duration = 300000;  // 30 ms: 1323 frames, down to two blocks
  ASSERT_EQ(S_OK, output->Open(&format, 0, 0, 0, &duration, Renderer::output, cookie));
  output->GetLatency(&latency);
  EXPECT_EQ(232200, latency);
  ASSERT_EQ(S_OK, output->Start(0));

  TRANSPORTINFO record{};
  record.frames = 256;
  record.tempo = 120;
  record.ticksPerQuarterNote = 24576;
  record.loopOn = 1;
  record.beforeLoopEnd = 1;
  record.songPosition = 0;
  record.loopStart = 5000;
  record.loopEnd = 112;
  std::vector<float> left(256, 9.f), right(256, 9.f);
  ASSERT_EQ(S_OK, output->render(left.data(), right.data(), 256, true, record));
  ASSERT_EQ(2u, renderer.calls.size());
  EXPECT_EQ(kOutputRender | kOutputFirstOfBlock, renderer.calls[0].code);
  EXPECT_EQ(100u, renderer.calls[0].frames);
  EXPECT_EQ(0u, renderer.calls[0].atLoopRestart);
  EXPECT_EQ(kOutputRender, renderer.calls[1].code);
  EXPECT_EQ(156u, renderer.calls[1].frames);
  EXPECT_EQ(5000, renderer.calls[1].songPosition);
  EXPECT_EQ(1u, renderer.calls[1].atLoopRestart);
  EXPECT_EQ(1099.f, left[99]);
  EXPECT_EQ(2000.f, left[100]);
  EXPECT_EQ(-2155.f, right[255]);

  EXPECT_EQ(S_OK, output->Close());
  EXPECT_EQ(E_FAIL, output->render(left.data(), right.data(), 256, true, record));
  output->Release();
  device->Close();
  device->Release();
}

// A block larger than the output was opened for (the mixer's block grew): the host is asked
// for no more than the staging buffer holds, in as many calls as it takes, until the format
// change grows the buffer; then one call fills the block.
TEST(OutputSlots, RenderingNeverAsksForMoreThanTheStagingBufferHolds) {
  auto* device = new CReWireAudioDevice(nullptr);
  device->AddRef();
  DeviceTestAccess::attach(*device, 128, 44100);
  CallbackLog log;
  WAVEFORMATEX format{};
  ASSERT_EQ(S_OK, device->Open(&format, CallbackLog::callback, log.cookie()));
  auto* output = new CReWireAudioOutput(0, device);
  output->AddRef();
  output->Initialize();
  Renderer renderer;
  LONGLONG duration = 0;  // one block of 128: room for 256 frames
  const DWORD cookie = static_cast<DWORD>(reinterpret_cast<uintptr_t>(&renderer));
  ASSERT_EQ(S_OK, output->Open(&format, 0, 0, 0, &duration, Renderer::output, cookie));
  ASSERT_EQ(S_OK, output->Start(0));
  TRANSPORTINFO record{};
  record.frames = 1024;
  std::vector<float> left(1024, 9.f), right(1024, 9.f);
  ASSERT_EQ(S_OK, output->render(left.data(), right.data(), 1024, true, record));
  ASSERT_FALSE(renderer.calls.empty());
  for (const auto& call : renderer.calls) EXPECT_LE(call.frames, 256u);
  EXPECT_EQ(1000.f, left[0]) << "the first call fills the first frames";

  renderer.calls.clear();
  {
    std::lock_guard hold(device->lock());
    output->fitBlockFrames(1024);
  }
  ASSERT_EQ(S_OK, output->render(left.data(), right.data(), 1024, true, record));
  ASSERT_EQ(1u, renderer.calls.size());
  EXPECT_EQ(1024u, renderer.calls[0].frames);
  EXPECT_EQ(2023.f, left[1023]);
  LONGLONG latency = 0;
  output->GetLatency(&latency);
  EXPECT_EQ(232200, latency) << "1024 frames granted at 44100 Hz";
  output->Close();
  output->Release();
  device->Close();
  device->Release();
}

// Requests come from the host's threads, which may hold the host's own transport lock while
// the worker, holding the device lock, calls the host back: a loop request must never wait
// for the device lock.
TEST(DeviceTransport, ALoopRequestNeverWaitsForTheDeviceLock) {
  auto* device = new CReWireAudioDevice(nullptr);
  device->AddRef();
  DeviceTestAccess::attach(*device, 512, 44100);
  device->SetTransportSync(1);
  DeviceTestAccess::link(*device) |= kConnected;
  std::promise<void> held, release;
  std::thread worker([&] {
    std::lock_guard hold(device->lock());
    held.set_value();
    release.get_future().wait();
  });
  held.get_future().wait();
  auto request =
      std::async(std::launch::async, [&] { return device->RequestLocate(-1, 0, 24576, 2, 1, 0); });
  const bool returned = request.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  release.set_value();
  worker.join();
  EXPECT_TRUE(returned) << "the request waited for the device lock";
  EXPECT_EQ(0, request.get());
  EXPECT_NE(0u, DeviceTestAccess::link(*device) & kLoopSent);
  DeviceTestAccess::link(*device) &= ~kConnected;
  device->Release();
}

TEST(Enumerators, NextSkipAndResetOverABorrowedList) {
  auto* device = new CReWireAudioDevice(nullptr);
  device->AddRef();
  tTZLIST* list = nullptr;
  ASSERT_EQ(S_OK, TzList_CreateExZ(&list, 4, 0, 0, 0, 0, 0, 0));
  std::vector<CReWireAudioOutput*> outputs;
  for (DWORD i = 0; i < 5; ++i) {
    outputs.push_back(new CReWireAudioOutput(i, device));
    outputs.back()->AddRef();
    void* element = static_cast<IAudioOut*>(outputs.back());
    TzList_InsertList(list, -1, &element, 1);
  }
  IEnumAudioOut* enumerator = nullptr;
  ASSERT_EQ(S_OK, createOutputEnumerator(list, &enumerator));
  IAudioOut* got[3] = {};
  ULONG fetched = 2;
  EXPECT_EQ(S_OK, enumerator->Next(3, got, &fetched));
  EXPECT_EQ(2u, fetched);
  EXPECT_EQ(static_cast<IAudioOut*>(outputs[1]), got[1]);
  EXPECT_EQ(S_FALSE, enumerator->Skip(3)) << "onto the end";
  EXPECT_EQ(S_OK, enumerator->Skip(2));
  fetched = 9;
  EXPECT_EQ(S_FALSE, enumerator->Next(0, got, &fetched));
  EXPECT_EQ(0u, fetched);
  EXPECT_EQ(S_OK, enumerator->Next(1, &got[2], nullptr));
  EXPECT_EQ(static_cast<IAudioOut*>(outputs[4]), got[2]);
  EXPECT_EQ(S_FALSE, enumerator->Next(1, &got[2], nullptr));
  EXPECT_EQ(S_OK, enumerator->Reset());
  EXPECT_EQ(E_NOTIMPL, enumerator->Clone(nullptr));
  enumerator->Release();
  for (IAudioOut* out : got) out->Release();

  IEnumAudioIn* inputs = nullptr;
  ASSERT_EQ(S_OK, createInputEnumerator(nullptr, &inputs));
  fetched = 4;
  EXPECT_EQ(S_FALSE, inputs->Next(2, nullptr, &fetched));
  EXPECT_EQ(4u, fetched);
  void* other = nullptr;
  EXPECT_EQ(E_NOINTERFACE, inputs->QueryInterface(IID_IEnumAudioOut, &other));
  inputs->Release();

  CAUUID pages{};
  auto* provider = new CSpecifyPropertyPages(device);
  provider->AddRef();
  EXPECT_EQ(S_OK, provider->GetPages(&pages));
  EXPECT_EQ(1u, pages.cElems);
  EXPECT_EQ(GUID{}, pages.pElems[0]);
  free(pages.pElems);
  EXPECT_EQ(E_POINTER, provider->GetPages(nullptr));
  provider->Release();
  for (auto* output : outputs) output->Release();
  TzList_Destroy(list);
  device->Release();
}

}  // namespace
}  // namespace tz::rewire
