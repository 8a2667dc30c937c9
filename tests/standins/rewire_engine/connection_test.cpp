// The engine's two message channels between a device and its panel, in one process and across
// two.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "support/platform/named_event.h"
#include "tests/common/eventually.h"
#include "tests/common/peer_process.h"
#include "tests/standins/rewire_engine/engine_client.h"

namespace {

using namespace std::chrono_literals;
using tz::test::EngineConnectionTest;
using tz::test::eventually;
using tz::test::message;
using tz::test::next;
using tz::test::PeerProcess;

TEST_F(EngineConnectionTest, PanelPeerEchoes) {
  TZ_PEER_ONLY();
  const uint32_t panel = connectPanel();
  ASSERT_EQ(kRWSuccess, engine_.RWPComCheckConnectionImp(panel));
  char buffer[8192];
  int ended = 0;
  ASSERT_TRUE(eventually([&] {
    for (const int32_t channel : {0, 1}) {
      uint16_t size = 0;
      if (engine_.RWPComReadImp(panel, channel, &size, buffer) != kRWSuccess || size == 0) continue;
      EXPECT_EQ(kRWSuccess, engine_.RWPComSendImp(panel, channel, size, buffer));
      ended += size == 1 && buffer[0] == 'E';
    }
    return ended == 2;
  }));
  EXPECT_EQ(kRWSuccess, engine_.RWPComDisconnectImp(panel));
}

TEST_F(EngineConnectionTest, MessagesCrossBothWaysOnBothChannelsInOrder) {
  const uint32_t device = createDevice();
  EXPECT_EQ(kRWSuccess, engine_.RWDComCheckConnectionImp(device)) << "no panel yet";
  PeerProcess peer("EngineConnectionTest.PanelPeerEchoes");
  const size_t sizes[] = {1, 2, 3, 4, 5, 100, 1000, 8192};
  for (const int32_t channel : {1, 0})
    for (size_t i = 0; i < std::size(sizes); ++i)
      ASSERT_EQ(kRWSuccess, send(device, channel, message(channel, i, sizes[i])));
  EXPECT_EQ(kRWGeneralFailure, send(device, 0, std::string(8193, 'x'))) << "above the channel";
  for (const int32_t channel : {0, 1})
    for (size_t i = 0; i < std::size(sizes); ++i)
      EXPECT_EQ(message(channel, i, sizes[i]), next(engine_.RWDComReadImp, device, channel))
          << "channel " << channel << " message " << i;
  EXPECT_EQ(kRWPanelConnected, engine_.RWDComCheckConnectionImp(device));
  for (const int32_t channel : {0, 1}) ASSERT_EQ(kRWSuccess, send(device, channel, "E"));
  EXPECT_EQ(0, peer.wait());
  EXPECT_EQ(kRWPanelGone, engine_.RWDComCheckConnectionImp(device)) << "it disconnected";
}

TEST_F(EngineConnectionTest, PanelPeerStaysWhileItsDeviceLives) {
  TZ_PEER_ONLY();
  const uint32_t panel = connectPanel();
  ASSERT_EQ(kRWSuccess, engine_.RWPComSendImp(panel, 1, 5, "hello"));
  EXPECT_TRUE(
      eventually([&] { return engine_.RWPComCheckConnectionImp(panel) == kRWNotConnected; }, 30s));
}

TEST_F(EngineConnectionTest, DeviceSeesPanelsComeAndGo) {
  uint32_t none = 1;
  EXPECT_EQ(kRWNotConnected, engine_.RWPComConnectImp("QRX7", &none)) << "no device yet";
  EXPECT_EQ(0u, none);
  const uint32_t device = createDevice();
  const auto state = [&] { return engine_.RWDComCheckConnectionImp(device); };
  {
    tz::test::Engine debug;  // another image of the engine, whose unload must disconnect it
    ASSERT_TRUE(debug.load(TZ_ENGINE_DEBUG_FILE));
    ASSERT_EQ(kRWSuccess, debug.RWPOpenImp(kRWEngineVersion));
    ASSERT_EQ(kRWSuccess, debug.RWPComConnectImp("QRX7", &none));
    EXPECT_EQ(kRWPanelConnected, state());
  }
  EXPECT_EQ(kRWPanelGone, state());
  {
    PeerProcess first("EngineConnectionTest.PanelPeerStaysWhileItsDeviceLives");
    EXPECT_EQ("hello", next(engine_.RWDComReadImp, device, 1));
    EXPECT_EQ(kRWPanelConnected, state());
    EXPECT_EQ(kRWAlreadyOpen, engine_.RWPComConnectImp("QRX7", &none)) << "one panel at a time";
    first.kill9();
    EXPECT_EQ(kRWPanelGone, state()) << "a death shows at the next check";
  }
  PeerProcess second("EngineConnectionTest.PanelPeerStaysWhileItsDeviceLives");
  EXPECT_EQ("hello", next(engine_.RWDComReadImp, device, 1));
  EXPECT_EQ(kRWPanelConnected, state());
  EXPECT_EQ(kRWSuccess, engine_.RWDComDestroyImp(device));
  EXPECT_EQ(0, second.wait()) << "the panel saw its device go";
}

TEST_F(EngineConnectionTest, DevicePeerStaysUntilKilled) {
  TZ_PEER_ONLY();
  createDevice();
  tz::platform::NamedEvent::create("never").event.wait(30000);  // until killed
}

TEST_F(EngineConnectionTest, PanelSeesItsDeviceGoAndNotItsSuccessor) {
  auto never = tz::platform::NamedEvent::create("never").event;  // outlives the killed peer's
  PeerProcess device("EngineConnectionTest.DevicePeerStaysUntilKilled");
  uint32_t panel = 0;
  ASSERT_TRUE(eventually([&] { return engine_.RWPComConnectImp("QRX7", &panel) == kRWSuccess; }));
  panels_.push_back(panel);
  EXPECT_EQ(kRWSuccess, engine_.RWPComCheckConnectionImp(panel));
  device.kill9();
  EXPECT_EQ(kRWNotConnected, engine_.RWPComCheckConnectionImp(panel)) << "at the next check";
  const uint32_t successor = createDevice();
  EXPECT_EQ(kRWNotConnected, engine_.RWPComCheckConnectionImp(panel));
  const uint32_t fresh = connectPanel();
  EXPECT_EQ(kRWSuccess, engine_.RWPComCheckConnectionImp(fresh));
  EXPECT_EQ(kRWPanelConnected, engine_.RWDComCheckConnectionImp(successor));
  EXPECT_EQ(kRWSuccess, engine_.RWDComDestroyImp(successor));
  EXPECT_EQ(kRWNotConnected, engine_.RWPComCheckConnectionImp(fresh));
}

TEST_F(EngineConnectionTest, FullDirectionRefusesUntilReadAndKeepsOrderAcrossItsEnd) {
  const uint32_t device = createDevice(), panel = connectPanel();
  std::string m(1000, 'x');
  uint32_t sent = 0;
  for (; engine_.RWDComDoesMessageFitImp(device, 0, 1000) == kRWSuccess; ++sent)
    ASSERT_EQ(kRWSuccess, send(device, 0, m));
  EXPECT_GE(sent * 1000, 8192u) << "a direction holds at least the channel's size";
  EXPECT_EQ(kRWOutOfMemory, send(device, 0, m));
  EXPECT_EQ(kRWSuccess, engine_.RWDComDoesMessageFitImp(device, 1, 8192)) << "channels apart";
  EXPECT_EQ(kRWSuccess, engine_.RWPComDoesMessageFitImp(panel, 0, 8192)) << "directions apart";
  uint32_t pending = 0;
  EXPECT_EQ(kRWSuccess, engine_.RWPComBytesAvailableImp(panel, 0, &pending));
  EXPECT_EQ(sent * 1000, pending);
  EXPECT_EQ(m, next(engine_.RWPComReadImp, panel, 0));
  EXPECT_EQ(kRWSuccess, engine_.RWDComDoesMessageFitImp(device, 0, 1000));
  for (uint32_t i = 1; i < sent; ++i) EXPECT_EQ(m, next(engine_.RWPComReadImp, panel, 0));
  // Odd sizes, three in flight, wrap the ring many times.
  for (size_t i = 0; i < 3000; i += 3) {
    for (size_t k = i; k < i + 3; ++k)
      ASSERT_EQ(kRWSuccess, send(device, 0, message(0, k, 1 + k * 7919 % 4000)));
    for (size_t k = i; k < i + 3; ++k)
      ASSERT_EQ(message(0, k, 1 + k * 7919 % 4000), next(engine_.RWPComReadImp, panel, 0));
  }
  uint16_t size = 1;
  EXPECT_EQ(kRWSuccess, engine_.RWPComReadImp(panel, 0, &size, m.data()));
  EXPECT_EQ(0, size) << "nothing pending reads as size 0";
}

constexpr uint32_t kPerThread = 20000;

std::string stamped(uint8_t thread, uint32_t sequence) {
  std::string m(5 + sequence * 13 % 200, static_cast<char>(thread ^ sequence));
  m[0] = static_cast<char>(thread);
  memcpy(&m[1], &sequence, 4);
  return m;
}

TEST_F(EngineConnectionTest, PanelPeerSendsFromTwoThreads) {
  TZ_PEER_ONLY();
  const uint32_t panel = connectPanel();
  const auto sender = [&](uint8_t thread) {
    for (uint32_t sequence = 0; sequence < kPerThread; ++sequence) {
      const std::string m = stamped(thread, sequence);
      while (engine_.RWPComSendImp(panel, 1, static_cast<uint32_t>(m.size()), m.data()) ==
             kRWOutOfMemory)
        std::this_thread::yield();
    }
  };
  std::thread first(sender, 0), second(sender, 1);
  first.join();
  second.join();
}

TEST_F(EngineConnectionTest, TwoSendingThreadsKeepEachMessageWholeAndInOrder) {
  const uint32_t device = createDevice();
  PeerProcess peer("EngineConnectionTest.PanelPeerSendsFromTwoThreads");
  uint32_t expected[2] = {0, 0};
  char buffer[8192];
  EXPECT_TRUE(eventually(
      [&] {
        uint16_t size = 0;
        while (engine_.RWDComReadImp(device, 1, &size, buffer) == kRWSuccess && size > 0) {
          uint32_t sequence = 0;
          memcpy(&sequence, buffer + 1, 4);
          const auto thread = static_cast<uint8_t>(buffer[0]);
          if (thread > 1 || sequence != expected[thread] ||
              std::string(buffer, size) != stamped(thread, sequence))
            return true;
          ++expected[thread];
        }
        return expected[0] == kPerThread && expected[1] == kPerThread;
      },
      60s));
  EXPECT_EQ(kPerThread, expected[0]);
  EXPECT_EQ(kPerThread, expected[1]);
  EXPECT_EQ(0, peer.wait());
}

TEST_F(EngineConnectionTest, BadUseGetsAStatus) {
  uint32_t handle = 7;
  const RWChannelRecord one[] = {{12, 8192, 8192}}, shortRecord[] = {{11, 8192, 8192}},
                        hugeRecord[] = {{12, 8192, 65536}}, many[5] = {};
  const auto create = [&](const char* signature, int32_t count, const RWChannelRecord* records) {
    const RWSTATUS status = engine_.RWDComCreateImp(signature, count, records, &handle);
    return handle == 0 ? status : -1;
  };
  for (const char* signature : {static_cast<const char*>(nullptr), "", "Q/X7"})
    EXPECT_EQ(kRWGeneralFailure, create(signature, 1, one));
  EXPECT_EQ(kRWGeneralFailure, create("QRX7", 0, one));
  EXPECT_EQ(kRWGeneralFailure, create("QRX7", 5, many));
  EXPECT_EQ(kRWGeneralFailure, create("QRX7", 1, shortRecord));
  EXPECT_EQ(kRWGeneralFailure, create("QRX7", 1, hugeRecord));
  EXPECT_EQ(kRWGeneralFailure, engine_.RWDComCreateImp("QRX7", 1, one, nullptr));
  const uint32_t device = createDevice(), panel = connectPanel();
  EXPECT_EQ(kRWAlreadyOpen, create("QRX7", 1, one));
  uint8_t ok = 1;
  EXPECT_EQ(kRWSuccess, engine_.RWDIsCloseOKImp(&ok));
  EXPECT_EQ(0, ok) << "a connection is left";
  uint16_t size = 1;
  char buffer[8192];
  EXPECT_EQ(kRWGeneralFailure, engine_.RWDComSendImp(device, -1, 1, "x"));
  EXPECT_EQ(kRWGeneralFailure, engine_.RWPComReadImp(panel, 2, &size, buffer));
  EXPECT_EQ(kRWGeneralFailure, engine_.RWDComSendImp(device, 0, 0, "x"));
  EXPECT_EQ(kRWGeneralFailure, engine_.RWDComSendImp(device, 0, 1, nullptr));
  EXPECT_EQ(kRWGeneralFailure, engine_.RWDComReadImp(device, 0, nullptr, buffer));
  EXPECT_EQ(kRWGeneralFailure, engine_.RWDComCheckConnectionImp(panel)) << "not a device's";
  EXPECT_EQ(kRWNotConnected, engine_.RWPComSendImp(device, 0, 1, "x")) << "not a panel's";
  EXPECT_EQ(kRWSuccess, engine_.RWPComDisconnectImp(panel));
  EXPECT_EQ(kRWSuccess, engine_.RWDComDestroyImp(device));
  EXPECT_EQ(kRWGeneralFailure, engine_.RWDComDestroyImp(device)) << "destroyed already";
  EXPECT_EQ(kRWNotConnected, engine_.RWPComReadImp(panel, 0, &size, buffer));
  EXPECT_EQ(0, size);
  EXPECT_EQ(kRWSuccess, engine_.RWDIsCloseOKImp(&ok));
  EXPECT_EQ(1, ok);
  EXPECT_EQ(kRWGeneralFailure, engine_.RWDOpenImp(999999)) << "another engine version";
  EXPECT_EQ(kRWSuccess, engine_.RWDCloseImp());
  EXPECT_EQ(kRWGeneralFailure, engine_.RWDCloseImp()) << "not open";
  EXPECT_EQ(kRWGeneralFailure, create("QRX7", 1, one));
}

}  // namespace
