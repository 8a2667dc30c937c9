// A test's own registry store and named-object namespace in a temporary folder, removed
// afterwards; a peer process keeps its parent's. And a wait for a condition with a deadline.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/platform/peer_process.h"

namespace tz::test {

struct RewireTestEnv {
  std::filesystem::path folder;

  RewireTestEnv() {
    if (isPeer()) return;
    std::string pattern = std::filesystem::temp_directory_path() / "tz_rewire_XXXXXX";
    folder = mkdtemp(pattern.data());
    setenv("TZ_REGISTRY_ROOT", (folder / "registry").c_str(), 1);
    setenv("TZ_OBJECT_NAMESPACE", folder.filename().c_str(), 1);
  }
  ~RewireTestEnv() { std::filesystem::remove_all(folder); }
};

template <typename Condition>
bool eventually(Condition condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (; !condition(); std::this_thread::yield())
    if (std::chrono::steady_clock::now() > end) return false;
  return true;
}

}  // namespace tz::test
