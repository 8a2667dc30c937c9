#include "standins/rwmixer/transport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tz::mixer::PlayMode;
using tz::mixer::Transport;
using tz::mixer::TransportSettings;

constexpr int32_t kBar = 4 * 15360;

PlayMode nextMode(Transport& transport, int32_t* position = nullptr) {
  DriveAudioInput input{};
  transport.fillBlock(input);
  if (position) *position = input.songPosition;
  transport.advance(512, 44100);
  return static_cast<PlayMode>(input.playMode);
}

TEST(TransportTest, PlayModeStartsOnceThenPlaysOnAndStops) {
  Transport transport(TransportSettings{120000, 4, 4, 0, kBar, false});
  EXPECT_EQ(PlayMode::Stopped, nextMode(transport));
  transport.play();
  transport.play();
  EXPECT_EQ(PlayMode::Starting, nextMode(transport));
  EXPECT_EQ(PlayMode::Playing, nextMode(transport));
  transport.locate(1000);
  int32_t position = 0;
  EXPECT_EQ(PlayMode::Starting, nextMode(transport, &position)) << "relocation while playing";
  EXPECT_EQ(1000, position);
  transport.stop();
  transport.locate(2000);
  EXPECT_EQ(PlayMode::Stopped, nextMode(transport, &position));
  EXPECT_EQ(2000, position) << "a stopped transport reports the new position";
  EXPECT_EQ(PlayMode::Stopped, nextMode(transport, &position));
  EXPECT_EQ(2000, position) << "and stays there";
  transport.play();
  transport.stop();
  EXPECT_EQ(PlayMode::Stopped, nextMode(transport));
}

TEST(TransportTest, PositionFollowsTheSampleClockWithoutDrift) {
  Transport blocks(TransportSettings{120000, 4, 4, 0, kBar, false});
  Transport once(TransportSettings{120000, 4, 4, 0, kBar, false});
  blocks.play();
  once.play();
  for (int i = 0; i < 1000; ++i) blocks.advance(441, 44100);
  once.advance(441000, 44100);
  // 10 s at 2 beats per second.
  EXPECT_EQ(20 * 15360, blocks.position());
  EXPECT_EQ(blocks.position(), once.position());
  for (int i = 0; i < 100; ++i) blocks.advance(512, 44100);
  EXPECT_EQ(20 * 15360 + 35665, blocks.position()) << "51200 frames: 35665.85 ticks";
  blocks.setTempo(60000);
  blocks.advance(48001, 48000);  // 15360.32 ticks, and 0.85 carried over
  EXPECT_EQ(21 * 15360 + 35666, blocks.position()) << "the carried part survives a rate change";
}

TEST(TransportTest, LoopWrapsOnlyFromInsideAndWhenOn) {
  Transport transport(TransportSettings{120000, 4, 4, 0, kBar, true});
  transport.play();
  transport.locate(61000);
  transport.advance(44100, 44100);  // 30720 ticks
  EXPECT_EQ(61000 + 30720 - kBar, transport.position());
  DriveAudioInput input{};
  transport.fillBlock(input);
  EXPECT_EQ(static_cast<uint32_t>(PlayMode::Starting), input.playMode) << "from the locate";
  transport.fillBlock(input);
  EXPECT_EQ(static_cast<uint32_t>(PlayMode::Playing), input.playMode) << "a wrap plays on";
  transport.locate(kBar + 100);
  transport.advance(44100, 44100);
  EXPECT_EQ(kBar + 100 + 30720, transport.position()) << "started past the loop end";
  transport.setLoop(0, kBar, false);
  transport.locate(61000);
  transport.advance(44100, 44100);
  EXPECT_EQ(61000 + 30720, transport.position());
}

TEST(TransportTest, DeviceEventsApplyToTheNextBlock) {
  Transport transport(TransportSettings{});
  for (const ReWireEvent& event : {ReWireEvent{kRWEventPlay, 0, 0, 0, 0, {}},
                                   {kRWEventReposition, 0, 7680, 0, 0, {}},
                                   {kRWEventLoop, 0, 15360, 30720, 1, {}}})
    EXPECT_TRUE(transport.applyEvent(event)) << event.type;
  DriveAudioInput input{};
  transport.fillBlock(input);
  EXPECT_EQ((std::vector<int64_t>{2, 7680, 15360, 30720, 1}),
            (std::vector<int64_t>{input.playMode, input.songPosition, input.loopStart,
                                  input.loopEnd, input.loopOn}));
  ReWireEvent event{kRWEventStop, 0, 0, 0, 0, {}};
  EXPECT_TRUE(transport.applyEvent(event));
  event.type = 99;
  EXPECT_FALSE(transport.applyEvent(event));
  transport.fillBlock(input);
  EXPECT_EQ(0u, input.playMode);
}

}  // namespace
