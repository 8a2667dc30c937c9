// CLog with real files: what a line holds, which lines are written, what Init refuses and how
// copies share a file without sharing a stream.
#include "tz/log.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "support/core/log_line.h"
#include "tests/support/core/log_helpers.h"
#include "wine.h"

namespace tz::core::test {
namespace {

platform::LocalTime fixedTime() {
  return {2008, 3, 5, 14, 7, 9};
}

class LogTest : public testing::Test {
 protected:
  void SetUp() override { setLogClockForTesting(fixedTime); }
  void TearDown() override { setLogClockForTesting(nullptr); }
  LogFolder folder_;
};

TEST_F(LogTest, LinesCarryTheirTagTimeAndSourceAsTheFlagsAsk) {
  CLog log;
  const auto flags = CLog::LOG_ERROR | CLog::LOG_INFO | CLog::LOG_TIMESTAMP | CLog::LOG_SOURCE;
  ASSERT_EQ(S_OK, log.Init(folder_.wide("a.log").c_str(), flags, 0));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_INFO, u"c:\\src\\driver.cpp", 42, u"hello"));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, u"src/w.cpp", 12345, u"%s %d", u"w\u00e4rme", -5));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 7, u"%%s"));
  EXPECT_EQ(
      "INFO 2008-03-05 14:07:09      driver.cpp(  42): hello\n"
      "ERR  2008-03-05 14:07:09           w.cpp(12345): w\xC3\xA4rme -5\n"
      "ERR  2008-03-05 14:07:09          (null)(   7): %s\n",
      folder_.read("a.log"));

  CLog errors;
  ASSERT_EQ(S_OK, errors.Init(folder_.wide("b.log").c_str(), CLog::LOG_ERROR, 0));
  EXPECT_EQ(S_OK, errors.Write(CLog::LOG_ERROR, u"x.cpp", 1, u"disk %d%%", 90));
  EXPECT_EQ(S_OK, errors.Write(CLog::LOG_DEBUG, u"x.cpp", 2, u"not written"));
  EXPECT_EQ(E_INVALIDARG, errors.Write(CLog::LOG_ERROR, u"x.cpp", 3, nullptr));
  EXPECT_EQ("ERR disk 90%\n", folder_.read("b.log"));
}

TEST_F(LogTest, EveryLevelHasItsTagAndMessagesAreCut) {
  CLog log;
  ASSERT_EQ(S_OK, log.Init(folder_.wide("a.log").c_str(), kAnyLevel, 0));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_WARNING, nullptr, 0, u"w"));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_DEBUG, nullptr, 0, u"d"));
  EXPECT_EQ(S_OK, log.Write(static_cast<CLog::LOGFLAGS>(0x30), nullptr, 0, u"other"));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_TIMESTAMP, nullptr, 0, u"no level: not written"));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"a%cb", 0));
  const std::u16string longText(2000, u'x');
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"%s", longText.c_str()));
  // 1022 characters and a pair that would make 1024: the pair goes whole.
  const std::u16string pairAtCut = std::u16string(1022, u'y') + u"\U0001F600";
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"%s", pairAtCut.c_str()));
  EXPECT_EQ("WARNw\nDBG d\n????other\nERR a\nERR " + std::string(1023, 'x') + "\nERR " +
                std::string(1022, 'y') + "\n",
            folder_.read("a.log"));
}

TEST_F(LogTest, InitRefusesWhatItCannotUseAndLeavesTheLogAsItWas) {
  CLog log;
  EXPECT_EQ(TZ_E_NOTINITIALIZED, log.Write(CLog::LOG_ERROR, nullptr, 0, u"inactive"));
  ASSERT_EQ(S_OK, log.Init(folder_.wide("a.log").c_str(), CLog::LOG_ERROR, 1));
  const std::u16string folderPath = folder_.wide("");
  const std::u16string longest = folderPath + std::u16string(250 - folderPath.size(), u'n');
  EXPECT_EQ(E_INVALIDARG, log.Init(nullptr, CLog::LOG_ERROR, 0));
  EXPECT_EQ(E_INVALIDARG, log.Init(folder_.wide("b.log").c_str(), CLog::LOGFLAGS(), 0));
  EXPECT_EQ(E_INVALIDARG, log.Init((longest + u"n").c_str(), CLog::LOG_ERROR, 0));
  EXPECT_EQ(E_INVALIDARG, log.Init((folderPath + u"\xD800.log").c_str(), CLog::LOG_ERROR, 0));
  EXPECT_EQ(TZ_E_FILENOTOPENED, log.Init(folder_.wide("a.log/b.log").c_str(), CLog::LOG_ERROR, 0));
  EXPECT_EQ(TZ_E_FILENOTOPENED, log.Init(folderPath.c_str(), CLog::LOG_ERROR, 0));
  EXPECT_EQ(TZ_E_FILENOTOPENED, log.Init(u"/dev/null", CLog::LOG_ERROR, 0));
  EXPECT_EQ(folder_.wide("a.log"), log.GetLogFileName());
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"still here"));
  EXPECT_EQ("ERR still here\n", folder_.read("a.log"));
  EXPECT_EQ(std::vector<std::string>{"a.log"}, folder_.names());

  // An active log switches files; the longest path is whole in both names, so rotation reaches
  // its ".previous" file.
  ASSERT_EQ(S_OK, log.Init(longest.c_str(), CLog::LOG_ERROR, 1));
  EXPECT_EQ(longest, log.GetLogFileName());
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"first"));
  EXPECT_EQ(S_OK, log.Write(CLog::LOG_ERROR, nullptr, 0, u"second"));
  const std::string longName = platform::utf8FromUtf16(longest.substr(folderPath.size()));
  EXPECT_EQ("ERR first\n", folder_.read(longName + ".previous"));
  EXPECT_EQ("ERR second\n", folder_.read(longName));
  EXPECT_EQ("ERR still here\n", folder_.read("a.log"));
  log.Shutdown();
  EXPECT_EQ(TZ_E_NOTINITIALIZED, log.Write(CLog::LOG_ERROR, nullptr, 0, u"after"));
}

TEST_F(LogTest, CopiesAndAssignedLogsWriteThroughStreamsOfTheirOwn) {
  auto original = std::make_unique<CLog>();
  ASSERT_EQ(S_OK, original->Init(folder_.wide("a.log").c_str(), CLog::LOG_ERROR, 0));
  CLog copy(*original);
  CLog assigned;
  ASSERT_EQ(S_OK, assigned.Init(folder_.wide("b.log").c_str(), CLog::LOG_ERROR, 0));
  EXPECT_EQ(S_OK, assigned.Write(CLog::LOG_ERROR, nullptr, 0, u"b"));
  assigned = *original;
  CLog& self = assigned;
  assigned = self;
  EXPECT_EQ(S_OK, original->Write(CLog::LOG_ERROR, nullptr, 0, u"1"));
  EXPECT_EQ(S_OK, copy.Write(CLog::LOG_ERROR, nullptr, 0, u"2"));
  EXPECT_EQ(S_OK, assigned.Write(CLog::LOG_ERROR, nullptr, 0, u"3"));
  original.reset();
  EXPECT_EQ(S_OK, copy.Write(CLog::LOG_ERROR, nullptr, 0, u"4"));
  EXPECT_EQ(S_OK, assigned.Write(CLog::LOG_ERROR, nullptr, 0, u"5"));
  EXPECT_EQ("ERR 1\nERR 2\nERR 3\nERR 4\nERR 5\n", folder_.read("a.log"));
  EXPECT_EQ("ERR b\n", folder_.read("b.log"));
  EXPECT_EQ(folder_.wide("a.log"), assigned.GetLogFileName());

  // A copy that cannot open the file again is inactive, as is the copy of an inactive log.
  std::filesystem::create_directory(folder_.at("gone"));
  ASSERT_EQ(S_OK, copy.Init(folder_.wide("gone/c.log").c_str(), CLog::LOG_ERROR, 0));
  // On Windows the open file only goes delete-pending, which keeps its folder too; opening it
  // again fails all the same, but not under Wine, which opens a delete-pending file.
  std::filesystem::remove(folder_.at("gone/c.log"));
  std::error_code notEmpty;
  std::filesystem::remove(folder_.at("gone"), notEmpty);
  CLog copyOfGone(copy);
  if (!tz::test::runningUnderWine()) {
    EXPECT_EQ(TZ_E_NOTINITIALIZED, copyOfGone.Write(CLog::LOG_ERROR, nullptr, 0, u"x"));
  }
  EXPECT_EQ(folder_.wide("gone/c.log"), copyOfGone.GetLogFileName());
  EXPECT_EQ(S_OK, copy.Write(CLog::LOG_ERROR, nullptr, 0, u"to the open file"));
  CLog copyOfInactive((CLog()));
  EXPECT_EQ(TZ_E_NOTINITIALIZED, copyOfInactive.Write(CLog::LOG_ERROR, nullptr, 0, u"x"));
}

TEST_F(LogTest, LogsAssignedToEachOtherFromTwoThreadsNeverDeadlock) {
  CLog a, b;
  ASSERT_EQ(S_OK, a.Init(folder_.wide("a.log").c_str(), CLog::LOG_ERROR, 0));
  ASSERT_EQ(S_OK, b.Init(folder_.wide("b.log").c_str(), CLog::LOG_ERROR, 0));
  std::thread other([&] {
    for (int i = 0; i < 200; ++i) b = a;
  });
  for (int i = 0; i < 200; ++i) a = b;
  other.join();
  EXPECT_EQ(S_OK, a.Write(CLog::LOG_ERROR, nullptr, 0, u"a"));
  EXPECT_EQ(S_OK, b.Write(CLog::LOG_ERROR, nullptr, 0, u"b"));
}

}  // namespace
}  // namespace tz::core::test
