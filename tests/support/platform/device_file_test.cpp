// Device files on every system: the exclusive open that appends, the serial names that never
// become files, and the gate on device-control requests.
#include "support/platform/device_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "device_requests.h"
#include "tests/common/device_control_log.h"
#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"
#include "unread_pipe.h"

namespace {

using tz::platform::DeviceFile;
using tz::platform::PlatformError;
namespace fs = std::filesystem;

TEST(DeviceFileTest, FilesOpenAloneAndKeepWhatTheyHold) {
  const tz::test::ScratchFolder folder;
  const fs::path file = folder.path / "device";
  tz::test::writeFile(file, "old\n");
  auto opened = DeviceFile::open(file.string());
  ASSERT_EQ(PlatformError::Success, opened.error);
  EXPECT_EQ(PlatformError::SharingViolation, DeviceFile::open(file.string()).error);
  ASSERT_EQ(PlatformError::Success, opened.file.write("a\nb"));
  opened.file.close();
  EXPECT_EQ(PlatformError::InvalidHandle, opened.file.write("x"));
  opened = DeviceFile::open(file.string());
  ASSERT_EQ(PlatformError::Success, opened.error) << "free again";
  ASSERT_EQ(PlatformError::Success, opened.file.write("c"));
  opened.file.close();
  EXPECT_EQ("old\na\nbc", tz::test::readFile(file)) << "appended, bytes as written";
}

TEST(DeviceFileTest, APipeThatIsNotReadIsNeverWaitedOn) {
  tz::test::UnreadPipe pipe;
  auto opened = DeviceFile::open(pipe.path());
  ASSERT_EQ(PlatformError::Success, opened.error);
  // More than any pipe buffers: a write that waited for the reader would never return.
  const std::string megabyte(1 << 20, 'x');
  EXPECT_EQ(PlatformError::Busy, opened.file.write(megabyte));
  EXPECT_EQ(PlatformError::Busy, opened.file.write(megabyte)) << "still full";
}

TEST(DeviceFileTest, SerialNamesNeverBecomeFilesInTheWorkingFolder) {
  const tz::test::ScratchFolder folder;
  const fs::path before = fs::current_path();
  fs::current_path(folder.path);
  // Where ports are files of their own, the variable leads the name to a folder that is not
  // there; the system's port 9 is not there either.
  const tz::test::ScopedEnv com9("TZ_SERIAL_COM9", (folder.path / "none" / "port").string());
  const PlatformError error = DeviceFile::open("Com9").error;
  fs::current_path(before);
  EXPECT_TRUE(error == PlatformError::FileNotFound || error == PlatformError::PathNotFound)
      << static_cast<uint32_t>(error);
  EXPECT_TRUE(fs::is_empty(folder.path));
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
  EXPECT_EQ(PlatformError::AccessDenied, opened.file.deviceControl(four, "")) << "no input";
  for (const auto& [code, what] : tz::test::refusedDeviceRequests())
    EXPECT_EQ(PlatformError::AccessDenied, opened.file.deviceControl(code, "abcde")) << what;
  ASSERT_EQ(1u, sent.requests.size());
  EXPECT_EQ(four, sent.requests[0].first);
  EXPECT_EQ("abcde", sent.requests[0].second);
}

}  // namespace
