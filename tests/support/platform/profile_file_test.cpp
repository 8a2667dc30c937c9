#include "support/platform/profile_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(ProfileFile, ReadsKeysOfASectionWithDefaults) {
  const auto file =
      std::filesystem::temp_directory_path() / ("tz-profile-" + std::to_string(getpid()) + ".ini");
  std::ofstream(file) << "; settings\n[Other]\nLogToScreenLines=9\n"
                         "[ debug ]\r\n  logtofilepath = \"/tmp/a b.log\"  \r\n"
                         "DeviceIoctl=0x10\nLogToScreenLines = -12 lines\nBroken\n";
  setenv("TZ_PROFILE_FILE", file.c_str(), 1);
  using tz::platform::readProfileInt;
  using tz::platform::readProfileString;
  EXPECT_EQ("/tmp/a b.log", readProfileString("Debug", "LogToFilePath", "none"));
  EXPECT_EQ(-12, readProfileInt("Debug", "LogToScreenLines", 5));
  EXPECT_EQ(0, readProfileInt("Debug", "DeviceIoctl", 5)) << "decimal digits only";
  EXPECT_EQ(5, readProfileInt("Debug", "Missing", 5));
  EXPECT_EQ("none", readProfileString("Nowhere", "LogToFilePath", "none"));
  EXPECT_EQ(9, readProfileInt("Other", "LogToScreenLines", 5));
  std::filesystem::remove(file);
  EXPECT_EQ("x", readProfileString("Debug", "LogToFilePath", "x")) << "no file";
  unsetenv("TZ_PROFILE_FILE");
}

}  // namespace
