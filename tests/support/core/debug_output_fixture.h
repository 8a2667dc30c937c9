// The debug channel's tests share this: a profile file and serial ports of their own, and the
// channel set up afresh for each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/core/debug_output_state.h"
#include "support/platform/text_encoding.h"
#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"
#include "tz/debug_output.h"

namespace tz::core::test {

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
  // The channel is closed first: it holds its file without sharing, which on Windows keeps
  // every other opener out.
  std::string log() const {
    resetDebugOutputForTesting();
    return tz::test::readFile(logPath());
  }

  tz::test::ScratchFolder folder_;
  ScopedEnv profile_, com1_, aux_;
};

// 5000 bytes of UTF-8 whose 3- and 4-byte characters straddle every 640-byte boundary.
inline std::u16string longText() {
  std::u16string text;
  while (platform::utf8FromUtf16(text).size() < 5000) text += u"ab\u20AC\U0001F3B5";
  return text;
}

}  // namespace tz::core::test
