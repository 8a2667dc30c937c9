// CLog's rotation with real files: the threshold under several writer threads, copies of one
// log, a rename that fails, and a file past 2 GiB (sparse).
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/core/log_helpers.h"
#include "tz/log.h"

namespace tz::core::test {
namespace {

constexpr char kText[] = "abcdefghijklmnopqrstuvw";

TEST(LogRotation, WritersOnManyThreadsRotateOnceAtTheThresholdAndLoseNoLine) {
  constexpr int kThreads = 4, kLines = 250, kMaximum = 30000;
  LogFolder folder;
  CLog log;
  ASSERT_EQ(S_OK, log.Init(folder.wide("a.log").c_str(), CLog::LOG_INFO, kMaximum));
  std::vector<std::thread> writers;
  std::vector<int> failures(kThreads);
  for (int t = 0; t < kThreads; ++t)
    writers.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i)
        if (log.Write(CLog::LOG_INFO, nullptr, 0, u"t%d %04d %S", t, i, kText) != S_OK)
          ++failures[t];
    });
  for (auto& writer : writers) writer.join();
  EXPECT_EQ(std::vector<int>(kThreads), failures);
  EXPECT_EQ((std::vector<std::string>{"a.log", "a.log.previous"}), folder.names());

  // Each line is 36 bytes: the old file ends with the line that reached the maximum.
  const std::string previous = folder.read("a.log.previous");
  EXPECT_GE(previous.size(), size_t{kMaximum});
  EXPECT_LT(previous.size(), size_t{kMaximum} + 36);
  // Every thread's lines, whole and in its order, across the two files.
  std::vector<int> next(kThreads);
  for (const std::string& line : linesOf(previous + folder.read("a.log"))) {
    const int thread = line.size() > 5 ? line[5] - '0' : -1;
    ASSERT_TRUE(thread >= 0 && thread < kThreads) << line;
    char expected[64];
    std::snprintf(expected, sizeof expected, "INFOt%d %04d %s", thread, next[thread]++, kText);
    EXPECT_EQ(expected, line);
  }
  EXPECT_EQ(std::vector<int>(kThreads, kLines), next);
}

TEST(LogRotation, ACopyNeverRotatesTheFileAnotherCopyHasJustStarted) {
  LogFolder folder;
  CLog first;
  ASSERT_EQ(S_OK, first.Init(folder.wide("a.log").c_str(), CLog::LOG_ERROR, 15));
  CLog second(first);
  EXPECT_EQ(S_OK, first.Write(CLog::LOG_ERROR, nullptr, 0, u"0123456789"));
  EXPECT_EQ(S_OK, first.Write(CLog::LOG_ERROR, nullptr, 0, u"rotated by first"));
  // The second copy still holds the file now named ".previous", past the maximum.
  EXPECT_EQ(S_OK, second.Write(CLog::LOG_ERROR, nullptr, 0, u"from second"));
  EXPECT_EQ("ERR 0123456789\n", folder.read("a.log.previous"));
  EXPECT_EQ("ERR rotated by first\nERR from second\n", folder.read("a.log"));
}

TEST(LogRotation, AFailedRenameLosesNothingAndStopsRotatingUntilTheNextInit) {
  LogFolder folder;
  std::filesystem::create_directories(folder.at("a.log.previous/kept"));
  CLog log;
  ASSERT_EQ(S_OK, log.Init(folder.wide("a.log").c_str(), CLog::LOG_ERROR, 20));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"one"));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"two"));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"three"));
  EXPECT_EQ(S_FALSE, log.Write(CLog::LOG_ERROR, nullptr, 0, u"four"));
  EXPECT_EQ(S_FALSE, log.Write(CLog::LOG_ERROR, nullptr, 0, u"five"));
  const std::string written = "ERR one\nERR two\nERR three\nERR four\nERR five\n";
  EXPECT_EQ(written, folder.read("a.log"));
  EXPECT_TRUE(std::filesystem::is_directory(folder.at("a.log.previous/kept")));

  std::filesystem::remove_all(folder.at("a.log.previous"));
  ASSERT_EQ(S_OK, log.Init(folder.wide("a.log").c_str(), CLog::LOG_ERROR, 20));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"six"));
  EXPECT_EQ(written, folder.read("a.log.previous"));
  EXPECT_EQ("ERR six\n", folder.read("a.log"));
}

TEST(LogRotation, AFileOf2GiBAndMoreOpensGrowsAndRotatesByItsSize) {
  LogFolder folder;
  constexpr uintmax_t kLarge = (uintmax_t{1} << 31) + 10;
  tz::test::writeFile(folder.at("a.log"), "");
  std::filesystem::resize_file(folder.at("a.log"), kLarge);
  CLog log;
  ASSERT_EQ(S_OK, log.Init(folder.wide("a.log").c_str(), CLog::LOG_ERROR, 0));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"appended"));
  EXPECT_EQ(kLarge + 13, std::filesystem::file_size(folder.at("a.log")));

  ASSERT_EQ(S_OK, log.Init(folder.wide("a.log").c_str(), CLog::LOG_ERROR, INT_MAX));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"fresh"));
  EXPECT_EQ(kLarge + 13, std::filesystem::file_size(folder.at("a.log.previous")));
  EXPECT_EQ("ERR fresh\n", folder.read("a.log"));
}

}  // namespace
}  // namespace tz::core::test
