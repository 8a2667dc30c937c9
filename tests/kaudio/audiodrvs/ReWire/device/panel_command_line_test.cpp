#include "kaudio/audiodrvs/ReWire/device/panel_command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tz::rewire::buildPanelCommandLine;
using tz::rewire::CommandLineResult;

TEST(PanelCommandLine, StartsTheApplicationAboveTheDriversFolderOrBesideTheLibrary) {
  const struct {
    const char* library;
    const char16_t* line;
  } cases[] = {
      {"C:\\Apps\\Loopra\\Audio Hardware Drivers\\LoopraReWire.dll",
       u"C:\\Apps\\Loopra\\loopra70.exe -REWIREDEVICE"},
      {"/opt/Loopra/Audio Hardware Drivers/x/LoopraReWire.so",
       u"/opt/Loopra/loopra70.exe -REWIREDEVICE"},
      {"/opt/my apps/LoopraReWire.so", u"/opt/my apps/loopra70.exe -REWIREDEVICE"},
  };
  for (const auto& c : cases) {
    std::u16string line;
    EXPECT_EQ(CommandLineResult::Built, buildPanelCommandLine(c.library, line)) << c.library;
    EXPECT_EQ(c.line, line) << c.library;
  }
}

TEST(PanelCommandLine, ALineThatWouldNotFitIsNotBuiltAtAll) {
  std::u16string line = u"stale";
  const std::string folder = "/" + std::string(231, 'f') + "/";
  EXPECT_EQ(CommandLineResult::Built, buildPanelCommandLine(folder + "L.so", line));
  EXPECT_EQ(259u, line.size());
  EXPECT_EQ(CommandLineResult::TooLong, buildPanelCommandLine("/g" + folder + "L.so", line));
  EXPECT_TRUE(line.empty());
  EXPECT_EQ(CommandLineResult::NoLibraryPath, buildPanelCommandLine("", line));
}

}  // namespace
