// The engine as its clients see it: loaded by path, every function found by name. Each test
// works in a namespace and a registry of its own, which its peer processes share.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session_registry.h"

#include "standins/rewire_engine/mixer_api.h"
#include "support/platform/module.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"

namespace tz::test {

// clang-format off
#define TZ_ENGINE_FUNCTIONS(X)                                                                    \
  X(RWDOpenImp) X(RWDIsCloseOKImp) X(RWDCloseImp) X(RWIsReWireMixerAppRunningImp)                 \
  X(RWDComCreateImp) X(RWDComCheckConnectionImp) X(RWDComDestroyImp) X(RWDComDoesMessageFitImp)   \
  X(RWDComSendImp) X(RWDComReadImp) X(RWDComBytesAvailableImp) X(RWPOpenImp) X(RWPIsCloseOKImp)   \
  X(RWPCloseImp) X(RWPLoadDeviceImp) X(RWPUnloadDeviceImp) X(RWPComConnectImp)                    \
  X(RWPComCheckConnectionImp) X(RWPComDisconnectImp) X(RWPComDoesMessageFitImp) X(RWPComSendImp)  \
  X(RWPComReadImp) X(RWPComBytesAvailableImp) X(RWPRegisterDeviceImp) X(RWPUnregisterDeviceImp)   \
  X(RWMSetMixerRunning) X(RWMCountDevices) X(RWMGetDeviceName) X(RWMLoadDevice)                   \
  X(RWMUnloadDevice) X(RWMLastLoadError)
// clang-format on

struct Engine {
#define TZ_DECLARE(name) name##Proc name = nullptr;
  TZ_ENGINE_FUNCTIONS(TZ_DECLARE)
#undef TZ_DECLARE
  platform::Module module;

  // True when the file loads and has every function.
  bool load(const char* path) {
    if (module.loadFromPath(path) != platform::PlatformError::Success) return false;
    bool all = true;
#define TZ_FIND(name) \
  all = (name = reinterpret_cast<name##Proc>(module.symbol(#name))) != nullptr && all;
    TZ_ENGINE_FUNCTIONS(TZ_FIND)
#undef TZ_FIND
    return all;
  }
};

inline const RWChannelRecord kChannels[2] = {{12, 8192, 8192}, {12, 8192, 8192}};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine_.load(TZ_ENGINE_FILE)) << platform::lastLoadMessage();
    ASSERT_EQ(kRWSuccess, engine_.RWDOpenImp(kRWEngineVersion));
    ASSERT_EQ(kRWSuccess, engine_.RWPOpenImp(kRWEngineVersion));
  }
  // An engine that once failed to load a device stays in memory, and with it what a test
  // left open, so each test closes what it made.
  void TearDown() override {
    for (const uint32_t handle : devices_) engine_.RWDComDestroyImp(handle);
    for (const uint32_t handle : panels_) engine_.RWPComDisconnectImp(handle);
    engine_.RWDCloseImp();
    engine_.RWPCloseImp();
  }

  uint32_t createDevice() {
    uint32_t handle = 0;
    EXPECT_EQ(kRWSuccess, engine_.RWDComCreateImp("QRX7", 2, kChannels, &handle));
    devices_.push_back(handle);
    return handle;
  }
  uint32_t connectPanel() {
    uint32_t handle = 0;
    EXPECT_EQ(kRWSuccess, engine_.RWPComConnectImp("QRX7", &handle));
    panels_.push_back(handle);
    return handle;
  }

  IsolatedSession session_;
  SessionRegistry sessionRegistry_;
  Engine engine_;
  std::vector<uint32_t> devices_, panels_;
};

struct EngineConnectionTest : EngineTest {
  RWSTATUS send(uint32_t device, int32_t channel, const std::string& m) {
    return engine_.RWDComSendImp(device, channel, static_cast<uint32_t>(m.size()), m.data());
  }
};

// A message of `size` bytes that differs by channel and index.
inline std::string message(int channel, size_t index, size_t size) {
  std::string m(size, '\0');
  for (size_t k = 0; k < size; ++k) m[k] = static_cast<char>('a' + (channel * 7 + index + k) % 26);
  return m;
}

// The next message on the channel, waited for; empty when none comes or the read fails.
inline std::string next(RWDComReadImpProc read, uint32_t handle, int32_t channel) {
  std::string buffer(8192, '\0');
  uint16_t size = 0;
  eventually([&] { return read(handle, channel, &size, buffer.data()) != kRWSuccess || size; });
  return buffer.substr(0, size);
}

}  // namespace tz::test
