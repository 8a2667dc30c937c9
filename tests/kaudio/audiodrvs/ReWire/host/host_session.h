// A host session in this process against a mixer in another: the mixer stand-in runs as a
// process, and the test loads the built library as a host does and drives its driver class.
#pragma once

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/platform/registry.h"
#include "tests/support/platform/peer_process.h"
#include "tz/audio_driver.h"
#include "tz/metrics.h"

extern char** environ;

namespace tz::test {

namespace fs = std::filesystem;

// Device callbacks as the host receives them.
struct CallbackLog {
  struct Entry {
    DWORD code;
    DWORD argument;
    TRANSPORTINFO record;
  };
  std::mutex lock;
  std::vector<Entry> entries;
  std::atomic<int> counts[32] = {};
  std::function<LONG(DWORD)> answer;  // the result per code; 0 when unset

  static LONG TZ_CALLBACK callback(IAudioDevice*, DWORD code, DWORD cookie, DWORD argument,
                                   void* pointer) {
    auto& log = *reinterpret_cast<CallbackLog*>(static_cast<uintptr_t>(cookie));
    Entry entry{code, argument, {}};
    if (pointer != nullptr && (code >= 20 && code != 24)) entry.record = *static_cast<TRANSPORTINFO*>(pointer);
    {
      std::lock_guard hold(log.lock);
      log.entries.push_back(entry);
    }
    if (code < 32) ++log.counts[code];
    return log.answer ? log.answer(code) : 0;
  }
  DWORD cookie() { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(this)); }
  std::vector<Entry> snapshot() {
    std::lock_guard hold(lock);
    return entries;
  }
};

template <typename Condition>
bool within(int ms, Condition condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(2)))
    if (std::chrono::steady_clock::now() > end) return false;
  return true;
}

class HostSession : public ::testing::Test {
 protected:
  fs::path dir;
  pid_t mixer = -1;
  void* library = nullptr;
  decltype(&TzAudioDriver_CreateDriverClass) createDriverClass = nullptr;

  void SetUp() override {
    // A peer host keeps its parent's registry and namespace.
    if (isPeer()) {
      library = dlopen(TZ_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
      ASSERT_NE(nullptr, library) << dlerror();
      createDriverClass = reinterpret_cast<decltype(createDriverClass)>(
          dlsym(library, "TzAudioDriver_CreateDriverClass"));
      return;
    }
    char pattern[] = "/tmp/tz-host-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
    setenv("TZ_REGISTRY_ROOT", (dir / "registry").c_str(), 1);
    setenv("TZ_OBJECT_NAMESPACE", dir.filename().c_str(), 1);
    platform::RegistryKey key;
    ASSERT_TRUE(succeeded(platform::RegistryKey::create(
        platform::RegistryRoot::LocalMachine,
        "SOFTWARE\\Propellerhead Software\\ReWire\\Loopra Pro 7.0", key)));
    const std::u16string path = u"" TZ_LIBRARY_FILE;
    key.setValue("Device Path", platform::RegistryType::String, path.c_str(),
                 static_cast<uint32_t>((path.size() + 1) * 2));
    library = dlopen(TZ_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, library) << dlerror();
    createDriverClass = reinterpret_cast<decltype(createDriverClass)>(
        dlsym(library, "TzAudioDriver_CreateDriverClass"));
    ASSERT_NE(nullptr, createDriverClass);
  }
  void TearDown() override {
    stopMixer();
    if (settings_ != nullptr)
      reinterpret_cast<decltype(&TzMetric_Close)>(dlsym(library, "TzMetric_Close"))(settings_);
    if (library != nullptr) dlclose(library);
    if (!dir.empty()) fs::remove_all(dir);
  }

  // Starts the mixer stand-in with these options; its output goes to mixer.out.
  void startMixer(std::vector<std::string> options) {
    std::vector<std::string> args = {RWMIXER_PATH};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (dir / "mixer.out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_EQ(0, posix_spawn(&mixer, RWMIXER_PATH, &actions, nullptr, argv.data(), environ));
    posix_spawn_file_actions_destroy(&actions);
  }
  // Waits for the mixer to end; its exit status, -1 when it does not end in time.
  int waitMixer(int ms = 20000) {
    int status = 0;
    const bool ended = within(ms, [&] { return waitpid(mixer, &status, WNOHANG) == mixer; });
    if (!ended) return -1;
    mixer = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void stopMixer() {
    if (mixer <= 0) return;
    kill(mixer, SIGKILL);
    waitpid(mixer, nullptr, 0);
    mixer = -1;
  }
  std::string mixerOutput() {
    std::ifstream file(dir / "mixer.out");
    return {std::istreambuf_iterator<char>(file), {}};
  }
  // The driver class once the mixer runs and has opened the device, initialised with the
  // host's settings store.
  IAudioClass* driverClass() {
    IAudioClass* created = nullptr;
    within(10000, [&] { return createDriverClass(&created, 0) == S_OK; });
    if (created != nullptr) created->Initialize(settings());
    return created;
  }
  // The host's settings store (the library's own store functions, as a host uses them).
  HTZMETRICS settings() {
    if (settings_ == nullptr)
      reinterpret_cast<decltype(&TzMetric_Open)>(dlsym(library, "TzMetric_Open"))(
          &settings_, u"Loopra", 0x07000000, nullptr);
    return settings_;
  }
  HTZMETRICS settings_ = nullptr;
};

}  // namespace tz::test
