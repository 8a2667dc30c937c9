// The device half as the engine drives it: the built library loaded from a temporary
// "Loopra/Audio Hardware Drivers" folder in this process, and a test panel in a peer process
// built on the engine's panel functions, the exchange block and the two events.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "session_registry.h"
#include "support/platform/module.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"
#include "tests/common/peer_process.h"
#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"
#include "tests/kaudio/audiodrvs/ReWire/device/test_panel.h"

namespace {

namespace fs = std::filesystem;
using namespace tz::rewire;
using tz::test::Command, tz::test::kBlockName, tz::test::rendered;
using tz::test::kRender, tz::test::kSendTransport, tz::test::kStayMute, tz::test::kReportStopped,
    tz::test::kAnswerLate;

// One mixer block of 12 buffers (two beyond the device's channels) filled with 7s, and what
// the test panel is to do with it. Buffers and events live on the heap, so that their
// addresses survive a move.
struct MixerBlock {
  std::vector<float> samples;
  std::vector<ReWireEvent> events;
  DriveAudioInput input{};
  DriveAudioOutput output{};
  Command command;

  MixerBlock(uint32_t frames, std::initializer_list<unsigned> channels, Command command = kRender)
      : samples(12 * frames, 7.0f), events(9), command(command) {
    input.size = sizeof input, input.frames = frames, input.songPosition = 5000;
    for (unsigned c = 0; c < 12; ++c) input.buffers[c] = &samples[c * frames];
    for (unsigned c : channels) channelSetAdd(input.requestedChannels, c);
    memset(events.data(), 0xEE, events.size() * sizeof(ReWireEvent));
    output.eventsOut = {20, sizeof(ReWireEvent), 0, 8, events.data()};
  }
  float at(unsigned c, unsigned i) const { return samples[c * input.frames + i]; }
  bool served(unsigned c) const { return channelSetHas(output.servedChannels, c); }
};

struct DeviceSession : ::testing::Test {
  tz::test::IsolatedSession session;
  tz::test::SessionRegistry sessionRegistry;
  tz::test::PanelCommands commands;
  tz::platform::Module library;
  std::unique_ptr<tz::test::PeerProcess> panel;

  template <typename Proc, typename... Args>
  auto call(const char* name, Args... args) {
    return reinterpret_cast<Proc>(library.symbol(name))(args...);
  }

  // Loads a copy of the library from <folder>/<loopra>/Audio Hardware Drivers and opens it.
  void load(const std::string& loopra) {
    const fs::path file = session.folder() / loopra / "Audio Hardware Drivers" /
                          (std::string("LoopraReWire") + tz::platform::kLibrarySuffix);
    fs::create_directories(file.parent_path());
    fs::copy_file(TZ_LIBRARY_FILE, file);
    ASSERT_EQ(tz::platform::PlatformError::Success, library.loadFromPath(file.string()))
        << tz::platform::lastLoadMessage();
    const OpenDeviceParams params{0, {12, 48000, 512}};
    ASSERT_EQ(kRWSuccess, call<RWDEFOpenDeviceProc>("RWDEFOpenDevice", &params));
  }
  void SetUp() override {
    if (tz::test::isPeer()) return;
    ASSERT_TRUE(commands.make());
    load("Loopra");
  }
  void TearDown() override {
    if (!library.loaded()) return;
    call<RWDEFCloseDeviceProc>("RWDEFCloseDevice");
    library.unload();
  }
  RWSTATUS launch() { return call<RWDEFLaunchPanelAppProc>("RWDEFLaunchPanelApp"); }
  void setAudioInfo(uint32_t frames) {
    const AudioInfo info{12, 48000, frames};
    call<RWDEFSetAudioInfoProc>("RWDEFSetAudioInfo", &info);
  }
  MixerBlock drive(MixerBlock block) {
    commands.post(block.command);
    call<RWDEFDriveAudioProc>("RWDEFDriveAudio", &block.input, &block.output);
    return block;
  }
  // Drives blocks until the test panel has reported in and served one, which must hold
  // what it rendered for it.
  void startPanel() {
    panel = std::make_unique<tz::test::PeerProcess>("DeviceSession.TestPanel");
    MixerBlock first(16, {});
    ASSERT_TRUE(tz::test::eventually([&] { return (first = drive({16, {0}})).served(0); }));
    EXPECT_EQ(rendered(first.input, 0, 15), first.at(0, 15)) << "copied before it was rendered";
  }
  void quitPanel() {
    EXPECT_EQ(kRWSuccess, call<RWDEFQuitPanelAppProc>("RWDEFQuitPanelApp"));
    EXPECT_EQ(0, panel->wait());
  }
};

TEST_F(DeviceSession, TestPanel) {
  TZ_PEER_ONLY();
  std::exit(tz::test::TestPanel().run());
}

TEST_F(DeviceSession, StartedPanelServesRequestedChannelsAndTransportRequestsUntilItDies) {
  const OpenDeviceParams params{0, {12, 44100, 256}};
  EXPECT_EQ(kRWAlreadyOpen, call<RWDEFOpenDeviceProc>("RWDEFOpenDevice", &params));
  const MixerBlock silent = drive({64, {0, 9}});
  EXPECT_EQ(0.0f, silent.at(9, 63));
  EXPECT_EQ(7.0f, silent.at(2, 0));
  EXPECT_FALSE(silent.served(0));

  startPanel();
  EXPECT_EQ(1, call<RWDEFIsPanelAppLaunchedProc>("RWDEFIsPanelAppLaunched"));
  EXPECT_EQ(0, call<RWDEFIsCloseOKProc>("RWDEFIsCloseOK"));
  const MixerBlock block = drive({64, {0, 1, 9, 11}});
  EXPECT_EQ(0x203u, block.output.servedChannels.words[0]) << "11 is beyond the device";
  for (unsigned c : {0, 1, 9}) EXPECT_EQ(rendered(block.input, c, 63), block.at(c, 63));
  EXPECT_EQ(7.0f, block.at(2, 0));
  EXPECT_EQ(7.0f, block.at(11, 0));

  // A size field beyond the record, and a requested channel without a buffer.
  MixerBlock odd(64, {0, 1});
  odd.input.size = 4000, odd.input.buffers[1] = nullptr;
  odd = drive(std::move(odd));
  EXPECT_TRUE(odd.served(0) && !odd.served(1));
  const auto header = tz::platform::SharedSection::open(kBlockName).section.map(0, 8192);
  const auto* bytes = static_cast<const uint8_t*>(header.view.data());
  // Past the header only the block numbers of the hand-over are written.
  EXPECT_TRUE(std::all_of(bytes + kSyncOffset + sizeof(ExchangeSync), bytes + 5128,
                          [](uint8_t b) { return b == 0; }));

  // A block without channels still reaches the panel, whose requests come with the next.
  EXPECT_EQ(0u, drive({64, {}, kSendTransport}).output.servedChannels.words[0]);
  const MixerBlock next = drive({64, {}});
  ASSERT_EQ(4u, next.output.eventsOut.count);
  const ReWireEvent* e = next.events.data();
  EXPECT_EQ((std::vector<int>{15, 16, 11, 777, 14, 100, 200, 1, 0}),
            (std::vector<int>{e[0].type, e[1].type, e[2].type, e[2].position, e[3].type,
                              e[3].position, e[3].loopEnd, e[3].loopOn, e[3].padding[0]}));

  // Requests beyond the buffer, or for a buffer of another shape, are dropped.
  const struct {
    uint32_t eventSize, capacity, kept;
    bool array;
  } shapes[] = {{24, 2, 2, true}, {20, 8, 0, true}, {24, 8, 0, false}};
  for (const auto& shape : shapes) {
    drive({64, {}, kSendTransport});
    MixerBlock limited(64, {});
    limited.output.eventsOut = {20, shape.eventSize, 0, shape.capacity,
                                shape.array ? limited.events.data() : nullptr};
    limited = drive(std::move(limited));
    EXPECT_EQ(shape.kept, limited.output.eventsOut.count);
    EXPECT_EQ(0xEEEEu, limited.events[shape.kept].type);
  }

  // An unanswered block copies nothing, and the next is served again.
  const MixerBlock unanswered = drive({64, {0}, kStayMute});
  EXPECT_FALSE(unanswered.served(0));
  EXPECT_EQ(7.0f, unanswered.at(0, 0));
  const MixerBlock answered = drive({64, {0}});
  EXPECT_TRUE(answered.served(0));
  EXPECT_EQ(rendered(answered.input, 0, 63), answered.at(0, 63));
  // A block answered after its wait gave up: that late completion does not release the next
  // block's wait, whose slots would still hold the late block's audio.
  EXPECT_FALSE(drive({64, {0}, kAnswerLate}).served(0));
  MixerBlock after(64, {0});
  after.input.songPosition = 9000;
  after = drive(std::move(after));
  EXPECT_TRUE(after.served(0));
  EXPECT_EQ(rendered(after.input, 0, 63), after.at(0, 63));

  panel->kill9();  // gone without a word: the idle call learns it from the engine
  EXPECT_TRUE(tz::test::eventually([&] {
    call<RWDEFIdleProc>("RWDEFIdle");
    return call<RWDEFIsPanelAppLaunchedProc>("RWDEFIsPanelAppLaunched") == 0;
  }));
  EXPECT_EQ(0.0f, drive({16, {0}}).at(0, 0)) << "silence, not another wait";
}

// Every change of F gives a fresh block laid out for the new F, which the panel maps once it
// has let go of the old one: growing far beyond the old block's size and shrinking again, each
// block after a change is served exactly as rendered.
TEST_F(DeviceSession, AudioInfoChangesServeEveryBlockSizeAfterTheChange) {
  startPanel();
  for (const uint32_t frames : {1024u, 8192u, 64u, 4096u}) {
    setAudioInfo(frames);
    const MixerBlock block = drive({frames, {0, 9}});
    EXPECT_TRUE(block.served(9)) << frames;
    EXPECT_EQ(rendered(block.input, 9, frames - 1), block.at(9, frames - 1)) << frames;
    EXPECT_EQ(rendered(block.input, 0, 0), block.at(0, 0)) << frames;
  }
  {
    // What the shared header says does not decide: the device's own values do.
    auto section = tz::platform::SharedSection::open(kBlockName);
    auto header = section.section.map(0, kHeaderBytes);
    ASSERT_NE(nullptr, header.view.data());
    static_cast<ExchangeHeader*>(header.view.data())->maxFramesPerBlock = 8192;
  }
  setAudioInfo(8192);
  EXPECT_TRUE(drive({8192, {0}}).served(0)) << "the block was made again for 8192 frames";
  setAudioInfo(4096);
  setAudioInfo(0);  // refused, the block stays
  EXPECT_TRUE(drive({4096, {0}}).served(0));
  EXPECT_EQ(0.0f, drive({4097, {0}}).at(0, 4096)) << "more frames than a slot holds";
  quitPanel();
  drive({16, {}});  // learns that the panel stopped, so that nothing waits for it below
  setAudioInfo(8192);
  EXPECT_EQ(exchangeBlockBytes(10, 8192),
            tz::platform::SharedSection::open(kBlockName).section.size());
}

// Drive steps on a thread of their own, as on the mixer's audio thread, while the block is
// made again and again and at last the device closes: no step may use a block being replaced,
// and what a step serves must be what the panel rendered for it.
TEST_F(DeviceSession, AudioInfoChangesAndCloseWaitForTheDriveStepInProgress) {
  startPanel();
  std::atomic<bool> stop{false};
  std::atomic<int> served{0}, wrong{0};
  std::thread audio([&] {
    while (!stop) {
      const MixerBlock block = drive({512, {9}});
      if (block.served(9)) ++served, wrong += block.at(9, 511) != rendered(block.input, 9, 511);
    }
  });
  // As fast as the device takes them, not polled: the changes must meet steps in progress.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (served <= 50 && std::chrono::steady_clock::now() < end)
    setAudioInfo(1024), setAudioInfo(512);
  EXPECT_GT(served, 50);
  call<RWDEFCloseDeviceProc>("RWDEFCloseDevice");
  stop = true;
  audio.join();
  EXPECT_EQ(0, wrong);
  EXPECT_EQ(20, panel->wait());
}

TEST_F(DeviceSession, LaunchStartsThePanelApplicationOnceUntilItReportsIn) {
  const fs::path& folder = session.folder();
  fs::copy_file(TZ_FAKE_LOOPRA, folder / "Loopra" / "loopra70.exe");
  const tz::test::ScopedEnv log("TZ_FAKE_LOOPRA_LOG", (folder / "launched").string());
  auto launches = [&] { return tz::test::readText(folder / "launched"); };
  EXPECT_EQ(kRWSuccess, launch());
  EXPECT_EQ(kRWSuccess, launch());
  ASSERT_TRUE(tz::test::eventually([&] { return launches() == "-REWIREDEVICE\n"; })) << launches();

  startPanel();
  EXPECT_EQ(kRWSuccess, launch()) << "a running panel is not launched again";
  drive({16, {}, kReportStopped});
  EXPECT_FALSE(drive({16, {0}}).served(0));
  EXPECT_EQ(kRWSuccess, launch());
  EXPECT_TRUE(tz::test::eventually([&] { return launches() == "-REWIREDEVICE\n-REWIREDEVICE\n"; }));
  quitPanel();
}

TEST_F(DeviceSession, LibraryPathTooLongForTheCommandLineLaunchesNothing) {
  TearDown();
  load(std::string(240, 'L'));
  testing::internal::CaptureStderr();
  EXPECT_EQ(kRWSuccess, launch());
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("259 characters"));
}

}  // namespace
