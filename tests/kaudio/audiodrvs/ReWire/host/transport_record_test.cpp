// The transport record built from the mixer's drive record: positions, times and the change
// flags, block after block.
#include "kaudio/audiodrvs/ReWire/host/transport_record.h"

#include <gtest/gtest.h>

#include "kaudio/audiodrvs/ReWire/host/audio_device.h"

namespace tz::rewire {
namespace {

struct RecordTest : ::testing::Test {
  TRANSPORTINFO record{};
  TRANSPORTINFO previous{};
  DriveAudioInput drive{};
  std::atomic<DWORD> link{0};
  const WAVEFORMATEX format{3, 2, 44100, 352800, 8, 32, 0};

  RecordTest() {
    drive.frames = 256;
    drive.tempo = 120000;
    drive.signatureNumerator = 4;
    drive.signatureDenominator = 4;
  }
  DWORD build(bool mode24576 = true) {
    return buildTransportRecord(record, previous, drive, format, mode24576, link);
  }
};

TEST_F(RecordTest, PositionsAndTimesInBothTickModes) {
  drive.songPosition = 15360;
  build(true);
  EXPECT_EQ(24576, record.songPosition);
  EXPECT_EQ(24576u, record.ticksPerQuarterNote);
  EXPECT_EQ(120.0, record.tempo);
  EXPECT_EQ(5000000, record.songTime);
  EXPECT_EQ(22050, record.samplePosition);
  EXPECT_EQ(184u, record.size);
  EXPECT_EQ(0xF0u, record.validMask);
  EXPECT_EQ(1u, record.built);
  build(false);
  EXPECT_EQ(15360, record.songPosition);
  EXPECT_EQ(15360u, record.ticksPerQuarterNote);
  EXPECT_EQ(5000000, record.songTime);

  // Playing: the sample position runs on from the previous block.
  link = kPlaying;
  drive.playMode = 1;
  record.samplePosition = 1000;
  drive.songPosition = 15360 + 100;
  build();
  EXPECT_EQ(1256, record.samplePosition);
  EXPECT_EQ(58050, record.playTime);
  EXPECT_EQ(samplesToTime(1256, 44100), record.songTime);

  // A jump back inside the loop restarts from the loop's position.
  drive.loopOn = 1;
  drive.loopEnd = 61440;
  drive.songPosition = 30000;
  build();
  drive.songPosition = 0;
  build();
  EXPECT_EQ(0, record.samplePosition);
  EXPECT_EQ(1u, record.beforeLoopEnd);
  EXPECT_EQ(1u, record.atLoopRestart);
  EXPECT_EQ(ticksToTime(61440, 120.0), record.loopLengthTime);
}

TEST_F(RecordTest, ChangeFlagsComeOnlyForWhatChanged) {
  build();
  EXPECT_EQ(0u, build()) << "nothing changed";
  drive.tempo = 140000;
  EXPECT_EQ(TRANSPORT_CHANGED_TEMPO, build());
  drive.signatureNumerator = 3;
  EXPECT_EQ(TRANSPORT_CHANGED_SIGNATURE, build());
  drive.songPosition = 100;
  EXPECT_EQ(TRANSPORT_CHANGED_POSITION, build()) << "a jump while stopped";
  EXPECT_EQ(kRepositionEcho, link & kRepositionEcho);
  link = kPlaying;
  drive.songPosition = 200;
  EXPECT_EQ(0u, build()) << "a playing position moves without a report";
  link |= kRepositionSent | kLoopSent;
  EXPECT_EQ(TRANSPORT_CHANGED_POSITION | TRANSPORT_CHANGED_LOOP, build());
  EXPECT_EQ(0u, link & (kRepositionSent | kLoopSent));
  drive.loopOn = 1;
  EXPECT_EQ(TRANSPORT_CHANGED_LOOP, build());
  link |= kReportAll;
  EXPECT_EQ(0xF0u, build());
  EXPECT_EQ(0u, link & (kReportAll | kPlaying)) << "report all restarts the play notice";
  drive.tempo = 0;
  build();
  EXPECT_EQ(0, record.songTime) << "tempo 0 makes every tick time 0";
}

}  // namespace
}  // namespace tz::rewire
