// A panel for the device session tests, run in a peer process: it connects through the
// engine's panel functions by the device's signature, maps the exchange block, opens the two
// events by name and answers the device as the host's panel does, told by the test what to do
// with each block.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

#include "kaudio/audiodrvs/ReWire/engine_binding.h"
#include "kaudio/audiodrvs/ReWire/exchange_block.h"
#include "support/platform/named_event.h"
#include "support/platform/shared_section.h"
#include "tests/common/eventually.h"

namespace tz::test {

using namespace tz::rewire;
using tz::platform::NamedEvent;

constexpr char kBlockName[] = "Halvard.Loopra7.ReWireDevice";
// What the test panel does with a block. kAnswerLate: it renders the block only after the
// device has given up waiting for it, signals completion at once, and only then turns to the
// next block's request.
enum Command : uint32_t { kRender, kSendTransport, kStayMute, kReportStopped, kAnswerLate };

// The test's own channel to its panel, beside the records the device and the panel exchange:
// a section of the test's namespace holding the command for the next block the panel serves.
// The panel takes it as it starts on a block, leaving kRender, so a command applies to exactly
// one block. Not the panel's environment: that is fixed at its start, and commands change from
// block to block.
class PanelCommands {
 public:
  bool make() { return attach(platform::SharedSection::create(kName, sizeof(Word))); }
  bool open() { return attach(platform::SharedSection::open(kName)); }
  void post(Command command) { next_->store(command); }
  Command take() { return static_cast<Command>(next_->exchange(kRender)); }

 private:
  using Word = std::atomic<uint32_t>;
  static_assert(Word::is_always_lock_free, "shared between processes");
  static constexpr char kName[] = "TestPanel.Command";

  bool attach(platform::SectionOpenResult opened) {
    section_ = std::move(opened.section);
    view_ = section_.map(0, sizeof(Word)).view;
    next_ = static_cast<Word*>(view_.data());  // a new section is zero: kRender
    return next_ != nullptr;
  }
  platform::SharedSection section_;
  platform::SectionView view_;
  Word* next_ = nullptr;
};

inline float rendered(const DriveAudioInput& request, uint32_t c, uint32_t i) {
  return static_cast<float>(request.songPosition + 1000 * static_cast<int32_t>(c) + i);
}

struct TestPanel {
  const PanelApi& api = panelApi();
  uint32_t handle = 0;
  ExchangeBlock block;
  PanelCommands commands;

  void send(const void* bytes, uint32_t size) { api.comSend(handle, 1, size, bytes); }
  void send(uint8_t id) { send(&id, 1); }
  bool mapBlock() { return openExchangeBlock(block, kBlockName, 5, nullptr, nullptr) == 0; }

  // Renders a drive message's block as it was asked for; true when told not to answer it.
  bool serve(NamedEvent& completion) {
    ExchangeSync& sync = *block.sync();
    const uint32_t number = sync.requested.load();
    const DriveAudioInput request = block.header()->request;
    const Command command = commands.take();
    if (command == kStayMute) return true;
    // Hung past the device's wait of 2000 ms.
    if (command == kAnswerLate) std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    if (command == kReportStopped) send(RWMSG_PANEL_STOPPED);
    if (command == kSendTransport) {  // the short ones, 7 and 11 come to nothing
      const uint32_t reposition[2] = {RWMSG_REPOSITION, 777},
                     loop[4] = {RWMSG_SET_LOOP, 100, 200, 0x101};
      for (const uint8_t id : {RWMSG_REQUEST_PLAY, RWMSG_REQUEST_STOP, uint8_t{7}, uint8_t{11}})
        send(id);
      send(reposition, 4), send(reposition, 8), send(loop, 12), send(loop, 16);
    }
    for (uint32_t c = 0; c < block.slotCount && request.frames <= block.maxFrames; ++c)
      for (uint32_t i = 0; channelSetHas(request.requestedChannels, c) && i < request.frames; ++i)
        block.slots[c][i] = rendered(request, c, i);
    sync.answered.store(number);
    if (command == kAnswerLate) {
      completion.set();
      // Busy a while before it turns to the next request, which is already waiting.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    return false;
  }

  // Connects and answers every pass that the request event wakes until the device asks it
  // to quit on channel 0 (0) or goes away (20).
  int run() {
    if (openPanelApi() != kRWSuccess || !commands.open()) return 10;
    if (!tz::test::eventually([&] { return api.comConnect("QRX7", &handle) == kRWSuccess; }))
      return 11;
    auto request = NamedEvent::open("Halvard.Loopra7.ReWireDriver.Event");
    auto completion = NamedEvent::open("Halvard.Loopra7.ReWireDevice.Event");
    if (!mapBlock() || !succeeded(request.error) || !succeeded(completion.error)) return 12;
    // Like the host's panel, the first pass renders nothing yet signals completion; reporting
    // started only after it makes that stale signal certain to wait for the first exchange.
    request.event.set();
    uint8_t message[8192];
    uint16_t size = 0;
    bool mute = false, started = false;
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
         std::chrono::steady_clock::now() < end;) {
      const bool woken = request.event.wait(20) == tz::platform::WaitResult::Signaled;
      if (api.comCheckConnection(handle) == kRWNotConnected) return 20;
      while (api.comRead(handle, 0, &size, message) == kRWSuccess && size > 0)
        if (message[0] == RWMSG_QUIT_PANEL) return send(RWMSG_PANEL_STOPPED), 0;
      // A block the device gave up is let go at once; the next one is mapped when the device
      // says so, or when a block is asked for.
      if (block.retired()) closeExchangeBlock(block);
      while (woken && api.comRead(handle, 1, &size, message) == kRWSuccess && size > 0) {
        if (message[0] == RWMSG_AUDIO_INFO_CHANGED) closeExchangeBlock(block), mapBlock();
        if (message[0] != RWMSG_DRIVE_AUDIO) continue;
        if (!block.isOpen() && !mapBlock()) return 13;
        mute = serve(completion.event);
      }
      if (woken && !mute) completion.event.set();
      if (woken && !started) send(RWMSG_PANEL_STARTED), started = true;
    }
    return 14;
  }
};

}  // namespace tz::test
