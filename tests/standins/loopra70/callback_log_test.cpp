#include "standins/loopra70/callback_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using tz::host::callbackLine;

std::string readAll(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

TEST(CallbackLogTest, TransportAndFormatCodesShowTheirRecords) {
  TRANSPORTINFO r{};
  r.frames = 512;
  r.samplePosition = -3;
  r.songTime = 5000000;
  r.playTime = 116100;
  r.songPosition = 24576;
  r.tempo = 97.25;
  r.signatureNumerator = 3;
  r.signatureDenominator = 8;
  r.ticksPerQuarterNote = 24576;
  r.loopStart = 24576;
  r.loopEnd = 98304;
  r.loopOn = 1;
  r.beforeLoopEnd = 1;
  r.atLoopRestart = 1;
  EXPECT_EQ(
      "callback 23 arg=0x50 frames=512 sample=-3 time=5000000 playtime=116100 song=24576 "
      "tempo=97.250 signature=3/8 tpq=24576 loop=24576:98304 loopon=1 beforeend=1 restart=1",
      callbackLine(23, 0x50, &r));
  for (DWORD code : {20u, 21u, 22u, 26u, 27u}) {
    EXPECT_NE(std::string::npos, callbackLine(code, 3, &r).find(" song=24576 ")) << code;
  }
  WAVEFORMATEX f{3, 2, 48000, 384000, 8, 32, 0};
  EXPECT_EQ("callback 13 arg=0x0 tag=3 channels=2 rate=48000 bits=32", callbackLine(13, 0, &f));
  EXPECT_EQ("callback 24 arg=0x0", callbackLine(24, 0, nullptr));
  EXPECT_EQ("callback 23 arg=0x100", callbackLine(23, 0x100, nullptr)) << "no record, no fields";
}

TEST(CallbackLogTest, QuietLogCountsTheBlockCodesWithoutALine) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(nullptr, out);
  TRANSPORTINFO r{};
  tz::host::CallbackLog log(out, true);
  for (DWORD code : {0u, 1u, 26u, 27u, 26u, 27u, 23u, 99u}) log.record(code, 0, &r);
  EXPECT_FALSE(log.quitRequested());
  log.record(24, 0, nullptr);
  EXPECT_TRUE(log.quitRequested());
  EXPECT_EQ(2u, log.count(26));
  log.printSummary(out);
  const std::string text = readAll(out);
  std::fclose(out);
  EXPECT_EQ(std::string::npos, text.find("callback 26"));
  EXPECT_NE(std::string::npos, text.find("callback 23 arg=0x0 frames=0"));
  EXPECT_NE(std::string::npos, text.find("callback 99 arg=0x0\n"));
  EXPECT_NE(std::string::npos,
            text.find("callbacks: 0=1 1=1 23=1 24=1 26=2 27=2 other=1\nblocks seen: 2\n"));
}

}  // namespace
