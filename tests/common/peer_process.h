// Runs one test of this test program in a second process, to play the peer of a
// cross-process test: this same executable with --gtest_filter naming the peer test and
// TZ_TEST_PEER set. A peer test skips itself when run without it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/common/child_process.h"

namespace tz::test {

inline bool isPeer() {
  return getenv("TZ_TEST_PEER") != nullptr;
}

#define TZ_PEER_ONLY() \
  if (!::tz::test::isPeer()) GTEST_SKIP() << "peer of a cross-process test"

class PeerProcess : public ChildProcess {
 public:
  // Starts "Suite.Test" with extra NAME=VALUE environment entries.
  explicit PeerProcess(const std::string& test, std::vector<std::string> env = {})
      : ChildProcess({"/proc/self/exe", "--gtest_filter=" + test}, withPeerMark(std::move(env))) {}

 private:
  static std::vector<std::string> withPeerMark(std::vector<std::string> env) {
    env.push_back("TZ_TEST_PEER=1");
    return env;
  }
};

}  // namespace tz::test
