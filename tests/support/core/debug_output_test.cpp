// The debug channel's file target with real files and a pseudo-terminal as serial port: where
// the text goes, what bytes arrive, long texts, device requests, stuck devices and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "support/core/debug_output_state.h"
#include "support/platform/device_file.h"
#include "support/platform/text_encoding.h"
#include "tests/common/device_control_log.h"
#include "tests/common/eventually.h"
#include "tests/common/pseudo_terminal.h"
#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"
#include "tz/debug_output.h"

namespace tz::core::test {
namespace {

using tz::test::ScopedEnv;

class DebugOutputTest : public testing::Test {
 protected:
  DebugOutputTest()
      : profile_("TZ_PROFILE_FILE", (folder_.path / "profile.ini").string()),
        com1_("TZ_SERIAL_COM1", (folder_.path / "no-com1/port").string()),
        aux_("TZ_SERIAL_AUX", (folder_.path / "no-aux/port").string()) {
    resetDebugOutputForTesting();
  }
  ~DebugOutputTest() override { resetDebugOutputForTesting(); }

  void setProfile(const std::string& debugSection) {
    tz::test::writeFile(folder_.path / "profile.ini", "[Other]\nx=1\n" + debugSection);
  }
  std::string logPath() const { return (folder_.path / "debug.log").string(); }
  std::string log() const { return tz::test::readFile(logPath()); }

  tz::test::ScratchFolder folder_;
  ScopedEnv profile_, com1_, aux_;
};

// 5000 bytes of UTF-8 whose 3- and 4-byte characters straddle every 640-byte boundary.
std::u16string longText() {
  std::u16string text;
  while (platform::utf8FromUtf16(text).size() < 5000) text += u"ab\u20AC\U0001F3B5";
  return text;
}

TEST_F(DebugOutputTest, WithoutSettingsTextGoesToCom1OrAuxAt115200Baud) {
  tz::test::PseudoTerminal port;
  {
    const ScopedEnv com1("TZ_SERIAL_COM1", port.path());
    EXPECT_EQ(S_OK, TzDebugString(u"text", TRUE, TZ_DEBUG_TO_FILE));
    EXPECT_EQ("text\r\n", port.read(6));
  }
  resetDebugOutputForTesting();
  const ScopedEnv aux("TZ_SERIAL_AUX", port.path());
  EXPECT_EQ(S_OK, TzDebugString(u"\u00e9", FALSE, TZ_DEBUG_TO_FILE));
  EXPECT_EQ("\xC3\xA9", port.read(2));
  const termios line = port.line();
  EXPECT_EQ(B115200, cfgetospeed(&line));
  EXPECT_EQ(tcflag_t{CS8}, line.c_cflag & (CSIZE | PARENB | CSTOPB));
}

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
  const uint32_t tooLarge = platform::deviceWriteRequest('d', 7, 8);
  const uint32_t notWrite = 0x5412;
  for (const uint32_t code : {fits, tooLarge, notWrite}) {
    resetDebugOutputForTesting();
    setProfile("[Debug]\nLogToFilePath=" + logPath() + "\nDeviceIoctl=" + std::to_string(code));
    const HRESULT expected = code == fits ? S_OK : E_ACCESSDENIED;
    EXPECT_EQ(expected, TzDebugString(u"abc", TRUE, TZ_DEBUG_TO_FILE)) << code;
  }
  ASSERT_EQ(1u, sent.requests.size()) << "refused requests send nothing";
  EXPECT_EQ(fits, sent.requests[0].first);
  EXPECT_EQ("abc\n", sent.requests[0].second);
  EXPECT_EQ("", log()) << "nothing written besides";
}

TEST_F(DebugOutputTest, APortReadAsTextArrivesGetsItWholeAndAStuckOneNeverBlocks) {
  tz::test::PseudoTerminal port;
  const ScopedEnv com1("TZ_SERIAL_COM1", port.path());
  const std::string expected = platform::utf8FromUtf16(longText()) + "\r\n";
  std::string arrived;
  std::thread reader([&] { arrived = port.read(expected.size()); });
  EXPECT_EQ(S_OK, TzDebugString(longText().c_str(), TRUE, TZ_DEBUG_TO_FILE));
  reader.join();
  EXPECT_EQ(expected, arrived);

  // Nobody reads any more: the terminal's buffer fills and the rest is dropped.
  std::atomic<bool> dropped = false;
  std::thread writer([&] {
    for (int i = 0; i < 1000 && !dropped; ++i)
      dropped = TzDebugString(longText().c_str(), TRUE, TZ_DEBUG_TO_FILE) == S_FALSE;
  });
  const bool returned = tz::test::eventually([&] { return dropped.load(); });
  writer.join();
  EXPECT_TRUE(returned);
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
