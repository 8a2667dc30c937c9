// Runs one test of this test program in a second process, to play the peer of a
// cross-process test: this same executable with --gtest_filter naming the peer test and
// TZ_TEST_PEER set. A peer test skips itself when run without it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/common/child_process.h"
#include "tests/common/scratch_folder.h"

namespace tz::test {

inline bool isPeer() {
  return getenv("TZ_TEST_PEER") != nullptr;
}

#define TZ_PEER_ONLY() \
  if (!::tz::test::isPeer()) GTEST_SKIP() << "peer of a cross-process test"

class PeerProcess : public ChildProcess {
 public:
  // Starts "Suite.Test" with extra NAME=VALUE environment entries, its output in the files
  // named (else the test's own).
  explicit PeerProcess(const std::string& test, std::vector<std::string> env = {},
                       const std::filesystem::path& out = {}, const std::filesystem::path& err = {})
      : ChildProcess({SpawnedProcess::ownExecutable(), "--gtest_filter=" + test},
                     withPeerMark(std::move(env)), out, err) {}

 private:
  static std::vector<std::string> withPeerMark(std::vector<std::string> env) {
    env.push_back("TZ_TEST_PEER=1");
    return env;
  }
};

// Runs the peer test to its end with its output in `output`: true when it passed (a peer that
// skipped itself, or ran no test, does not count).
inline bool peerPasses(const std::string& test, std::vector<std::string> env, std::string& output) {
  ScratchFolder folder;
  PeerProcess peer(test, std::move(env), folder.path / "out");
  const int status = peer.wait();
  output = readFile(folder.path / "out");
  return status == 0 && output.find("[       OK ]") != std::string::npos;
}

}  // namespace tz::test
