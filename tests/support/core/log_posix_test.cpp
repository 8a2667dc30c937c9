// CLog where the system's permissions refuse the file: a folder without write permission.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/core/log_helpers.h"

namespace tz::core::test {
namespace {

TEST(LogPermissions, AFolderThatRefusesWritesGivesTheOpenFailure) {
  LogFolder folder;
  std::filesystem::create_directory(folder.at("locked"));
  chmod(folder.at("locked").c_str(), 0555);
  if (access(folder.at("locked").c_str(), W_OK) == 0)
    GTEST_SKIP()
        << "permissions do not bind this user (root); a file as parent stands in (log_test.cpp)";
  CLog log;
  EXPECT_EQ(TZ_E_FILENOTOPENED, log.Init(folder.wide("locked/a.log").c_str(), CLog::LOG_ERROR, 0));
  EXPECT_EQ(TZ_E_NOTINITIALIZED, log.Write(CLog::LOG_ERROR, nullptr, 0, u"lost"));
  chmod(folder.at("locked").c_str(), 0755);
}

}  // namespace
}  // namespace tz::core::test
