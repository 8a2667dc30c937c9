#include "support/platform/debugger.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A tracer is named by a number other than 0 on the TracerPid line; anything else is none.
TEST(Debugger, ReadsTheTracerFromTheStatusText) {
  const auto traced = [](const std::string& text) {
    return tz::platform::tracedByStatus(text.data(), text.size());
  };
  EXPECT_TRUE(traced("Name:\tx\nTracerPid:\t4321\nUid:\t0\n"));
  EXPECT_FALSE(traced("Name:\tx\nTracerPid:\t000\n"));
  EXPECT_FALSE(traced("Name:\tx\nTracerPid:\t12ab\n"));
  EXPECT_FALSE(traced("Name:\tTracerPid:\t5\n"));  // not at a line's start
  EXPECT_FALSE(traced(""));
}

}  // namespace
