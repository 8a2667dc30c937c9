// A host session in this process against a mixer in another: the mixer stand-in runs as a
// process, and the test loads the built library as a host does and drives its driver class.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "session_registry.h"
#include "support/platform/module.h"
#include "tests/common/child_process.h"
#include "tests/common/device_callback_log.h"
#include "tests/common/device_registration.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"
#include "tests/common/peer_process.h"
#include "tz/audio_driver.h"
#include "tz/metrics.h"

namespace tz::test {

class HostSession : public ::testing::Test {
 protected:
  IsolatedSession session;
  SessionRegistry sessionRegistry;
  const std::filesystem::path& dir = session.folder();
  std::unique_ptr<ChildProcess> mixer;
  platform::Module library;
  decltype(&TzAudioDriver_CreateDriverClass) createDriverClass = nullptr;

  // A peer host keeps its parent's registry, where the device is registered already.
  void SetUp() override {
    if (!isPeer()) registerDevice("Loopra Pro 7.0", TZ_LIBRARY_FILE);
    ASSERT_EQ(platform::PlatformError::Success, library.loadFromPath(TZ_LIBRARY_FILE))
        << platform::lastLoadMessage();
    createDriverClass = reinterpret_cast<decltype(createDriverClass)>(
        library.symbol("TzAudioDriver_CreateDriverClass"));
    ASSERT_NE(nullptr, createDriverClass);
  }
  void TearDown() override {
    mixer.reset();
    if (settings_ != nullptr)
      reinterpret_cast<decltype(&TzMetric_Close)>(library.symbol("TzMetric_Close"))(settings_);
    library.unload();
  }

  // Starts the mixer stand-in with these options; its output goes to mixer.out.
  void startMixer(std::vector<std::string> options) {
    options.insert(options.begin(), RWMIXER_PATH);
    mixer = std::make_unique<ChildProcess>(options, std::vector<std::string>{}, dir / "mixer.out");
    ASSERT_TRUE(mixer->started());
  }
  // Waits for the mixer to end: its exit status, -1 when it does not end in time.
  int waitMixer(int ms = 20000) { return mixer->wait(ms); }
  std::string mixerOutput() { return readFile(dir / "mixer.out"); }
  // The driver class once the mixer runs and has opened the device, initialised with the
  // host's settings store.
  IAudioClass* driverClass() {
    IAudioClass* created = nullptr;
    eventually([&] { return createDriverClass(&created, 0) == S_OK; });
    if (created != nullptr) created->Initialize(settings());
    return created;
  }
  // The host's settings store (the library's own store functions, as a host uses them).
  HTZMETRICS settings() {
    if (settings_ == nullptr)
      reinterpret_cast<decltype(&TzMetric_Open)>(library.symbol("TzMetric_Open"))(
          &settings_, u"Loopra", 0x07000000, nullptr);
    return settings_;
  }
  HTZMETRICS settings_ = nullptr;
};

}  // namespace tz::test
