// The debug channel's serial ports, for which a pseudo-terminal stands: the default ports, the
// line settings, and a port that nobody reads.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/common/eventually.h"
#include "tests/common/pseudo_terminal.h"
#include "tests/support/core/debug_output_fixture.h"

namespace tz::core::test {
namespace {

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

}  // namespace
}  // namespace tz::core::test
