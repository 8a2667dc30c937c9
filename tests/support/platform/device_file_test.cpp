// Device files for real: serial names on a pseudo-terminal, the exclusive open, raw lines and
// the gate on device-control requests.
#include "support/platform/device_file.h"

#include <gtest/gtest.h>

#include "tests/common/device_control_log.h"
#include "tests/common/pseudo_terminal.h"
#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"

namespace {

using tz::platform::DeviceFile;
using tz::platform::PlatformError;

TEST(DeviceFileTest, SerialNamesOpenTheirPortAloneAndRaw) {
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

TEST(DeviceFileTest, OnlyRequestsThatReadNoMoreThanTheInputAreSent) {
  const tz::test::ScratchFolder folder;
  auto opened = DeviceFile::open((folder.path / "device").string());
  ASSERT_EQ(PlatformError::Success, opened.error);
  const uint32_t four = tz::platform::deviceWriteRequest('x', 1, 4);
  EXPECT_EQ(PlatformError::NotSupported, opened.file.setSerialLine(115200));
  EXPECT_EQ(PlatformError::NotSupported, opened.file.deviceControl(four, "abcd"))
      << "a file knows no requests";

  tz::test::DeviceControlLog sent;
  EXPECT_EQ(PlatformError::Success, opened.file.deviceControl(four, "abcde"));
  const uint32_t refused[] = {
      tz::platform::deviceWriteRequest('x', 1, 6),  // reads past the input
      tz::platform::deviceWriteRequest('x', 1, 0),
      0x5412,              // an old request without direction (pushes input to a terminal)
      four ^ 0xC0000000u,  // reads back into the input
      four | 0x80000000u,  // both ways
      0,
  };
  for (const uint32_t code : refused)
    EXPECT_EQ(PlatformError::AccessDenied, opened.file.deviceControl(code, "abcde")) << code;
  ASSERT_EQ(1u, sent.requests.size());
  EXPECT_EQ(four, sent.requests[0].first);
  EXPECT_EQ("abcde", sent.requests[0].second);
}

}  // namespace
