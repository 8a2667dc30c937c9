// Device files for real: serial names on a pseudo-terminal, the exclusive open, the line
// settings, the gate on device-control requests, and a device that stops reading.
#include "support/platform/device_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/common/pseudo_terminal.h"
#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"

namespace {

using tz::platform::DeviceFile;
using tz::platform::PlatformError;

TEST(DeviceFileTest, SerialNamesOpenTheirPortAloneWithItsLineSet) {
  tz::test::PseudoTerminal port;
  const tz::test::ScopedEnv com3("TZ_SERIAL_COM3", port.path());
  auto opened = DeviceFile::open("com3");
  ASSERT_EQ(PlatformError::Success, opened.error);
  EXPECT_EQ(PlatformError::SharingViolation, DeviceFile::open(port.path()).error);
  EXPECT_EQ(PlatformError::NotSupported, opened.file.setSerialLine(115201));
  ASSERT_EQ(PlatformError::Success, opened.file.setSerialLine(115200));
  ASSERT_EQ(PlatformError::Success, opened.file.write("a\nb"));
  EXPECT_EQ("a\nb", port.read(3)) << "raw: no line-end translation";

  const int slave = ::open(port.path().c_str(), O_RDWR | O_NOCTTY);
  termios line{};
  ASSERT_EQ(0, tcgetattr(slave, &line));
  ::close(slave);
  EXPECT_EQ(B115200, cfgetospeed(&line));
  EXPECT_EQ(tcflag_t{CS8}, line.c_cflag & CSIZE);
  EXPECT_EQ(tcflag_t{0}, line.c_cflag & (PARENB | CSTOPB));
  opened.file.close();
  EXPECT_EQ(PlatformError::Success, DeviceFile::open(port.path()).error) << "free again";
}

TEST(DeviceFileTest, FilesAreAppendedToAndOnlyFilesAndDevicesOpen) {
  const tz::test::ScratchFolder folder;
  const std::string path = tz::test::writeFile(folder.path / "out.txt", "kept\n");
  {
    auto opened = DeviceFile::open(path);
    ASSERT_EQ(PlatformError::Success, opened.error);
    EXPECT_EQ(PlatformError::NotSupported, opened.file.setSerialLine(115200));
    EXPECT_EQ(PlatformError::Success, opened.file.write("new\n"));
  }
  EXPECT_EQ("kept\nnew\n", tz::test::readFile(path));
  EXPECT_EQ(PlatformError::AccessDenied, DeviceFile::open(folder.path.string()).error);
  EXPECT_EQ(PlatformError::PathNotFound, DeviceFile::open(path + "/y").error);
  EXPECT_EQ(PlatformError::FileNotFound, DeviceFile::open(path + "x/y").error);
  EXPECT_EQ(PlatformError::InvalidHandle, DeviceFile().write("x"));
}

struct Sent {
  std::vector<std::pair<uint32_t, std::string>> requests;
};

PlatformError capture(uint32_t code, std::string_view input, void* context) {
  static_cast<Sent*>(context)->requests.emplace_back(code, std::string(input));
  return PlatformError::Success;
}

TEST(DeviceFileTest, OnlyRequestsThatReadNoMoreThanTheInputAreSent) {
  const tz::test::ScratchFolder folder;
  auto opened = DeviceFile::open((folder.path / "device").string());
  ASSERT_EQ(PlatformError::Success, opened.error);
  const uint32_t four = tz::platform::deviceWriteRequest('x', 1, 4);
  EXPECT_EQ(PlatformError::NotSupported, opened.file.deviceControl(four, "abcd"))
      << "a file knows no requests";

  Sent sent;
  tz::platform::setDeviceControlCapture(capture, &sent);
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
  tz::platform::setDeviceControlCapture(nullptr, nullptr);
  ASSERT_EQ(1u, sent.requests.size());
  EXPECT_EQ(four, sent.requests[0].first);
  EXPECT_EQ("abcde", sent.requests[0].second);
}

TEST(DeviceFileTest, AFullDeviceDropsWhatItWouldWaitFor) {
  tz::test::PseudoTerminal port;
  auto opened = DeviceFile::open(port.path());
  ASSERT_EQ(PlatformError::Success, opened.error);
  const std::string block(4096, 'z');
  PlatformError error = PlatformError::Success;
  for (int i = 0; i < 4096 && error == PlatformError::Success; ++i)
    error = opened.file.write(block);
  EXPECT_EQ(PlatformError::Busy, error) << "nobody reads: the terminal's buffer fills";
}

}  // namespace
