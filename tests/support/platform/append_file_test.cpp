// Append files as a log keeps them: writers share the end, a rename away is seen, and only
// regular files open.
#include "support/platform/append_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "system_differences.h"
#include "tests/common/scratch_folder.h"

namespace {

using tz::platform::AppendFile;
using tz::platform::PlatformError;
namespace fs = std::filesystem;

TEST(AppendFileTest, WritersShareTheEndAndARenameAwayIsSeen) {
  const tz::test::ScratchFolder folder;
  const fs::path log = folder.path / "log.txt", old = folder.path / "log.old";
  tz::test::writeFile(log, "kept\n");
  auto first = AppendFile::open(log.string()), second = AppendFile::open(log.string());
  ASSERT_EQ(PlatformError::Success, first.error);
  ASSERT_EQ(PlatformError::Success, second.error);
  ASSERT_EQ(PlatformError::Success, first.file.append("one\n"));
  ASSERT_EQ(PlatformError::Success, second.file.append("two\n"));
  ASSERT_EQ(PlatformError::Success, first.file.append("three\n"));
  EXPECT_EQ("kept\none\ntwo\nthree\n", tz::test::readFile(log));
  EXPECT_EQ(19, second.file.size()) << "the file's size, not this writer's";

  // Rotation: the open file goes to another name, replacing what was there.
  tz::test::writeFile(old, "older");
  EXPECT_TRUE(first.file.isNamedBy(log.string()));
  ASSERT_EQ(PlatformError::Success, tz::platform::renameFile(log.string(), old.string()));
  EXPECT_FALSE(first.file.isNamedBy(log.string()));
  if (!tz::test::renamedOpenFilesLoseTheirVolume()) {
    EXPECT_TRUE(first.file.isNamedBy(old.string()));
  }
  ASSERT_EQ(PlatformError::Success, first.file.append("four\n"));
  EXPECT_EQ("kept\none\ntwo\nthree\nfour\n", tz::test::readFile(old));
  first.file.close();
  EXPECT_EQ(PlatformError::InvalidHandle, first.file.append("x"));
  EXPECT_EQ(-1, first.file.size());
}

TEST(AppendFileTest, OnlyRegularFilesOpen) {
  const tz::test::ScratchFolder folder;
  fs::create_directory(folder.path / "folder");
  EXPECT_EQ(PlatformError::AccessDenied, AppendFile::open((folder.path / "folder").string()).error);
  const PlatformError missing = AppendFile::open((folder.path / "none" / "log").string()).error;
  EXPECT_TRUE(missing == PlatformError::PathNotFound || missing == PlatformError::FileNotFound);
  EXPECT_EQ(PlatformError::FileNotFound, tz::platform::renameFile((folder.path / "none").string(),
                                                                  (folder.path / "x").string()));
  // A folder at the new name is not replaced.
  tz::test::writeFile(folder.path / "file", "x");
  EXPECT_NE(PlatformError::Success, tz::platform::renameFile((folder.path / "file").string(),
                                                             (folder.path / "folder").string()));
  EXPECT_TRUE(fs::is_directory(folder.path / "folder"));
}

}  // namespace
