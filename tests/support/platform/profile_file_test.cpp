#include "support/platform/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"

namespace {

TEST(ProfileFile, ReadsKeysOfASectionWithDefaults) {
  const tz::test::ScratchFolder folder;
  const auto file = folder.path / "profile.ini";
  tz::test::writeFile(file,
                      "; settings\n[Other]\nLogToScreenLines=9\n"
                      "[ debug ]\r\n  logtofilepath = \"/tmp/a b.log\"  \r\n"
                      "DeviceIoctl=0x10\nLogToScreenLines = -12 lines\nBroken\n");
  const tz::test::ScopedEnv profile("TZ_PROFILE_FILE", file.string());
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
}

TEST(ProfileFile, EmptyNamesAreNamesToo) {
  const tz::test::ScratchFolder folder;
  const tz::test::ScopedEnv profile("TZ_PROFILE_FILE",
                                    tz::test::writeFile(folder.path / "p.ini", "[]\n=x\n[ ]\n"));
  EXPECT_EQ("x", tz::platform::readProfileString("", "", "none"));
  EXPECT_EQ("none", tz::platform::readProfileString("", "k", "none"));
}

TEST(ProfileFile, CarriageReturnsAndNulBytesEndLinesSoNoValueHoldsOne) {
  const tz::test::ScratchFolder folder;
  const std::string text = std::string("[Debug]\rLogToFilePath=a\rb=c\r\nd=e") + '\0' + "f\n";
  const tz::test::ScopedEnv profile("TZ_PROFILE_FILE",
                                    tz::test::writeFile(folder.path / "p.ini", text));
  EXPECT_EQ("a", tz::platform::readProfileString("Debug", "LogToFilePath", "none"));
  EXPECT_EQ("c", tz::platform::readProfileString("Debug", "b", "none"));
  EXPECT_EQ("e", tz::platform::readProfileString("Debug", "d", "none"));
}

}  // namespace
