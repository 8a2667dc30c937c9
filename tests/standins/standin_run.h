// What the stand-ins' process tests share: a scratch folder with its own registry store and
// named-object namespace, a device registered with the engine, and a command run with its
// output in files.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/platform/registry.h"

namespace tz::test {

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

struct Outcome {
  int status = -1;
  std::string out, err;
};

// The folder, the registry store below it and the namespace live as long as the object.
struct StandinScratch {
  std::filesystem::path dir;

  explicit StandinScratch(const std::string& tag) {
    std::string pattern = "/tmp/" + tag + "-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return;
    dir = pattern;
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    setenv("TZ_REGISTRY_ROOT", (dir / "registry").c_str(), 1);
    setenv("TZ_OBJECT_NAMESPACE", (tag + "-" + std::to_string(getpid()) + test).c_str(), 1);
  }
  ~StandinScratch() {
    unsetenv("TZ_REGISTRY_ROOT");
    unsetenv("TZ_OBJECT_NAMESPACE");
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }

  // Runs a shell command line with its output in the files "out" and "err" of the folder;
  // it is killed after 60 s.
  Outcome run(const std::string& command) const {
    const std::string line = "timeout -s KILL 60 " + command + " >" + (dir / "out").string() +
                             " 2>" + (dir / "err").string();
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir / "out"),
            readFile(dir / "err")};
  }
};

// Lists a device library with the engine, as its installer would.
inline void registerDevice(const std::string& device, const std::string& path) {
  using namespace tz::platform;
  RegistryKey key;
  ASSERT_EQ(PlatformError::Success,
            RegistryKey::create(RegistryRoot::LocalMachine,
                                "SOFTWARE\\Propellerhead Software\\ReWire\\" + device, key));
  const std::u16string wide(path.begin(), path.end());
  ASSERT_EQ(PlatformError::Success, key.setValue("Device Path", RegistryType::String, wide.c_str(),
                                                 static_cast<uint32_t>((wide.size() + 1) * 2)));
}

}  // namespace tz::test
