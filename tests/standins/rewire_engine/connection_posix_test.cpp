// The channels' checks of a peer's life that must not ask the kernel, or not wait for the
// user's object folder: Linux system-call filters and the folder's lock.
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <string>

#include "support/platform/named_event.h"
#include "tests/common/eventually.h"
#include "tests/common/namespace_locker.h"
#include "tests/common/peer_process.h"
#include "tests/standins/rewire_engine/engine_client.h"

namespace {

using tz::test::EngineConnectionTest;
using tz::test::eventually;
using tz::test::next;
using tz::test::PeerProcess;

// From here on fcntl fails with EPERM on this thread: the call a mark watch asks the kernel with.
bool denyFcntl() {
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fcntl64, 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fcntl, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
  };
  sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
  return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// Each block's check, made after the block's message has come: the device is plainly alive.
TEST_F(EngineConnectionTest, PanelPeerChecksEachBlockWithoutTheKernel) {
  TZ_PEER_ONLY();
  const uint32_t panel = connectPanel();
  ASSERT_TRUE(denyFcntl());
  for (int block = 0; block < 3; ++block) {
    ASSERT_EQ("block", next(engine_.RWPComReadImp, panel, 1)) << block;
    EXPECT_EQ(kRWSuccess, engine_.RWPComCheckConnectionImp(panel)) << block;
    ASSERT_EQ(kRWSuccess, engine_.RWPComSendImp(panel, 1, 7, "checked"));
  }
}

// A panel's worker checks its connection on every block, so the check answers from the
// connection's memory while the device keeps sending; a quiet device is asked of the kernel at
// every check (see the tests of a device's death).
TEST_F(EngineConnectionTest, ASendingDeviceIsAliveWithoutAskingTheKernel) {
  const uint32_t device = createDevice();
  PeerProcess panel("EngineConnectionTest.PanelPeerChecksEachBlockWithoutTheKernel");
  // What the device sent before the panel came tells nothing of the device since.
  ASSERT_TRUE(
      eventually([&] { return engine_.RWDComCheckConnectionImp(device) == kRWPanelConnected; }));
  for (int block = 0; block < 3; ++block) {
    ASSERT_EQ(kRWSuccess, send(device, 1, "block"));
    ASSERT_EQ("checked", next(engine_.RWDComReadImp, device, 1)) << block;
  }
  EXPECT_EQ(0, panel.wait());
}

TEST_F(EngineConnectionTest, PeerLocksTheNamespace) {
  TZ_PEER_ONLY();
  tz::test::lockNamespaceUntilReleased();
}

// A process that creates a large section, or a `flock -x` on the user's object folder, keeps
// the folder locked for as long as it likes; a panel's worker checks its connection on every
// block, and the device library from its control threads.
TEST_F(EngineConnectionTest, PanelSeesItsDeviceDieWhileAnotherProcessLocksTheNamespace) {
  auto never = tz::platform::NamedEvent::create("never").event;
  PeerProcess device("EngineConnectionTest.DevicePeerStaysUntilKilled");
  uint32_t panel = 0;
  ASSERT_TRUE(eventually([&] { return engine_.RWPComConnectImp("QRX7", &panel) == kRWSuccess; }));
  panels_.push_back(panel);
  tz::test::NamespaceLocker locker("EngineConnectionTest.PeerLocksTheNamespace");
  ASSERT_TRUE(locker.holding());
  EXPECT_EQ(kRWSuccess, engine_.RWPComCheckConnectionImp(panel));
  device.kill9();
  EXPECT_EQ(kRWNotConnected, engine_.RWPComCheckConnectionImp(panel));
  EXPECT_EQ(0, locker.release()) << "the checks returned while the folder stayed locked";
}

TEST_F(EngineConnectionTest, DeviceSeesItsPanelDieWhileAnotherProcessLocksTheNamespace) {
  const uint32_t device = createDevice();
  PeerProcess panel("EngineConnectionTest.PanelPeerStaysWhileItsDeviceLives");
  ASSERT_EQ("hello", next(engine_.RWDComReadImp, device, 1));
  tz::test::NamespaceLocker locker("EngineConnectionTest.PeerLocksTheNamespace");
  ASSERT_TRUE(locker.holding());
  const auto state = [&] { return engine_.RWDComCheckConnectionImp(device); };
  EXPECT_EQ(kRWPanelConnected, state()) << "the first check since this panel connected";
  panel.kill9();
  EXPECT_EQ(kRWPanelGone, state());
  EXPECT_EQ(0, locker.release()) << "the checks returned while the folder stayed locked";
}

}  // namespace
