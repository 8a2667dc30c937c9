// The engine binding in a process of its own, the bind probe, whose engine search path each run
// chooses. Kept apart from the driver's headers: running a program takes the system's headers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library_search.h"
#include "run_command.h"
#include "tests/common/isolated_session.h"
#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"

namespace {

// The bind probe's line, run with the engine folders given, in a scratch folder of its own.
std::string probe(const std::string& mode, const std::vector<std::string>& folders) {
  const tz::test::ScratchFolder scratch;
  const tz::test::LibrarySearch search(TZ_BIND_PROBE, folders, scratch.path);
  const auto outcome = tz::test::runCommand(search.program(), {mode}, "", scratch.path);
  return outcome.out.substr(0, outcome.out.find('\n'));
}

TEST(EngineBinding, FindsTheDebugEngineFirstElseTheReleaseOneAndRefusesOtherVersions) {
  const tz::test::IsolatedSession session;
  EXPECT_EQ("1 6 ReWire.dll 1 1 1", probe("bind", {TZ_ENGINE_DIR}));
  EXPECT_EQ("1 6 ReWireDebug.dll 1 1 1", probe("bind", {TZ_ENGINE_DIR, TZ_ENGINE_DEBUG_DIR}));
  EXPECT_EQ("9 9 -", probe("bind", {TZ_ENGINE_V2_DIR})) << "version 2, also the second time";
  EXPECT_EQ("100 100 -", probe("bind", {session.folder().string()}));
  EXPECT_EQ("101 101 -", probe("bind", {TZ_FAKE_ENGINE_DIR "/incomplete"}));
}

TEST(EngineBinding, DeviceOpenReleasesTheEngineWhenItFailsAndStaysBoundWhenCloseIsRefused) {
  const tz::test::IsolatedSession session;
  const std::string fake = TZ_FAKE_ENGINE_DIR "/full";
  EXPECT_EQ("1 1 1", probe("open", {fake}));
  {
    const tz::test::ScopedEnv handle("TZ_FAKE_ENGINE_HANDLE", "0");
    EXPECT_EQ("9 0 9", probe("open", {fake})) << "created, no handle";
  }
  const tz::test::ScopedEnv close("TZ_FAKE_ENGINE_CLOSE", "9");
  EXPECT_EQ("1 1 6", probe("open", {fake})) << "close refused";
}

}  // namespace
