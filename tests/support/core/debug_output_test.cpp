// The debug channel's file target with real files: where the text goes, long texts, device
// requests and threads. Serial ports, which a pseudo-terminal stands for, are in
// debug_output_posix_test.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device_requests.h"
#include "support/platform/device_file.h"
#include "support/platform/text_encoding.h"
#include "tests/common/device_control_log.h"
#include "tests/support/core/debug_output_fixture.h"

namespace tz::core::test {
namespace {

TEST_F(DebugOutputTest, AFileIsAppendedToAndLongTextsArriveWhole) {
  tz::test::writeFile(logPath(), "before\n");
  setProfile("[Debug]\nLogToFilePath=" + logPath() + "\n");
  EXPECT_EQ(S_OK, TzDebugString(u"", TRUE, TZ_DEBUG_TO_FILE));
  EXPECT_EQ(S_OK, TzDebugString(nullptr, TRUE, TZ_DEBUG_TO_FILE));
  EXPECT_EQ(S_OK, TzDebugString(u"a", FALSE, TZ_DEBUG_TO_FILE));
  EXPECT_EQ(S_OK, TzDebugString(longText().c_str(), TRUE, TZ_DEBUG_TO_FILE));
  EXPECT_EQ("before\n\r\n\r\na" + platform::utf8FromUtf16(longText()) + "\r\n", log());
}

TEST_F(DebugOutputTest, TargetsThatCannotBeOpenedTakeNothing) {
  setProfile("[Debug]\nLogToFilePath=" + (folder_.path / "missing/x.log").string() + "\n");
  EXPECT_EQ(TZ_E_FILENOTOPENED, TzDebugString(u"a", TRUE, TZ_DEBUG_TO_FILE));
  setProfile("[Debug]\nLogToFilePath=" + logPath() + "\n");
  EXPECT_EQ(TZ_E_FILENOTOPENED, TzDebugString(u"a", TRUE, TZ_DEBUG_TO_FILE)) << "tried once";
  // The longest path opens; one more character is refused rather than cut to that file.
  const std::string folder = folder_.path.string() + "/";
  const std::string longest = folder + std::string(259 - folder.size(), 'p');
  tz::test::writeFile(longest, "");
  resetDebugOutputForTesting();
  setProfile("[Debug]\nLogToFilePath=" + longest + "q\n");
  EXPECT_EQ(TZ_E_FILENOTOPENED, TzDebugString(u"a", TRUE, TZ_DEBUG_TO_FILE));
  resetDebugOutputForTesting();
  setProfile("[Debug]\nLogToFilePath=" + longest + "\n");
  EXPECT_EQ(S_OK, TzDebugString(u"a", TRUE, TZ_DEBUG_TO_FILE));
}

TEST_F(DebugOutputTest, AConfiguredRequestCarriesTheTextWithALineFeedIfItFits) {
  tz::test::DeviceControlLog sent;
  const uint32_t fits = platform::deviceWriteRequest('d', 7, 3);
  std::vector<std::pair<uint32_t, const char*>> codes = {{fits, "fits"}};
  // Every code the device layer refuses (code 0 is no request at all).
  for (const auto& refused : tz::test::refusedDeviceRequests())
    if (refused.first != 0) codes.push_back(refused);
  for (const auto& [code, what] : codes) {
    resetDebugOutputForTesting();
    setProfile("[Debug]\nLogToFilePath=" + logPath() + "\nDeviceIoctl=" + std::to_string(code));
    const HRESULT expected = code == fits ? S_OK : E_ACCESSDENIED;
    EXPECT_EQ(expected, TzDebugString(u"abc", TRUE, TZ_DEBUG_TO_FILE)) << what;
  }
  ASSERT_EQ(1u, sent.requests.size()) << "refused requests send nothing";
  EXPECT_EQ(fits, sent.requests[0].first);
  EXPECT_EQ("abc\n", sent.requests[0].second);
  EXPECT_EQ("", log()) << "nothing written besides";
}

TEST_F(DebugOutputTest, ThreadsCallingFirstTogetherSetUpOnceAndWriteWholeMessages) {
  setProfile("[Debug]\nLogToFilePath=" + logPath() + "\n");
  constexpr int kThreads = 4, kMessages = 200;
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::u16string body(3000, static_cast<char16_t>(u'a' + t));  // five pieces
      start.arrive_and_wait();
      for (int i = 0; i < kMessages; ++i) TzDebugString(body.c_str(), TRUE, TZ_DEBUG_TO_FILE);
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::vector<int> whole(kThreads, 0);
  const std::string text = log();
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    ASSERT_NE(std::string::npos, end);
    const std::string line = text.substr(at, end - at);
    ASSERT_EQ(std::string(3000, line[0]), line) << "a message mixed with another";
    ++whole[line[0] - 'a'];
    at = end + 2;
  }
  EXPECT_EQ(std::vector<int>(kThreads, kMessages), whole);
}

}  // namespace
}  // namespace tz::core::test
