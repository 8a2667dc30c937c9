// Serial names on a pseudo-terminal: the exclusive open and raw lines on a real terminal
// device, which this system gives a test without hardware.
#include <gtest/gtest.h>

#include "support/platform/device_file.h"
#include "tests/common/pseudo_terminal.h"
#include "tests/common/scoped_env.h"

namespace {

using tz::platform::DeviceFile;
using tz::platform::PlatformError;

TEST(DeviceFileTerminalTest, SerialNamesOpenTheirPortAloneAndRaw) {
  tz::test::PseudoTerminal port;
  const tz::test::ScopedEnv com3("TZ_SERIAL_COM3", port.path());
  auto opened = DeviceFile::open("com3");
  ASSERT_EQ(PlatformError::Success, opened.error);
  EXPECT_EQ(PlatformError::SharingViolation, DeviceFile::open(port.path()).error);
  EXPECT_EQ(PlatformError::NotSupported, opened.file.setSerialLine(115201));
  ASSERT_EQ(PlatformError::Success, opened.file.setSerialLine(115200));
  ASSERT_EQ(PlatformError::Success, opened.file.write("a\nb"));
  EXPECT_EQ("a\nb", port.read(3)) << "raw: no line-end translation";
  opened.file.close();
  EXPECT_EQ(PlatformError::Success, DeviceFile::open(port.path()).error) << "free again";
}

}  // namespace
