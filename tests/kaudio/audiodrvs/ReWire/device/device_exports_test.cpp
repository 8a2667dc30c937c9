#include "kaudio/audiodrvs/ReWire/device/device_exports.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/common/isolated_session.h"

namespace {

TEST(DeviceExports, WithoutAnOpenDeviceCallsDoNothingAndAnswerNeutrally) {
  const tz::test::IsolatedSession session;
  float samples[4] = {7, 7, 7, 7};
  DriveAudioInput input{};
  DriveAudioOutput output{};
  input.size = sizeof input, input.frames = 4, input.buffers[0] = samples;
  channelSetAdd(input.requestedChannels, 0);
  RWDEFDriveAudio(&input, &output);
  RWDEFDriveAudio(nullptr, nullptr);
  EXPECT_EQ(7.0f, samples[3]);
  EXPECT_EQ(0u, output.servedChannels.words[0]);
  const AudioInfo info{12, 44100, 256};
  RWDEFSetAudioInfo(&info);
  RWDEFIdle();
  RWDEFCloseDevice();
  EXPECT_EQ(1, RWDEFIsCloseOK());
  EXPECT_EQ(0, RWDEFIsPanelAppLaunched());
  EXPECT_EQ(1, RWDEFLaunchPanelApp());
  EXPECT_EQ(1, RWDEFQuitPanelApp());
  EXPECT_EQ(9, RWDEFOpenDevice(nullptr));
  // Event descriptions leave their record as it is.
  unsigned char record[64], before[64];
  memset(record, 0x5A, sizeof record);
  memcpy(before, record, sizeof record);
  for (auto describe : {RWDEFGetEventInfo, RWDEFGetEventBusInfo, RWDEFGetEventChannelInfo,
                        RWDEFGetEventControllerInfo, RWDEFGetEventNoteInfo})
    describe(record);
  EXPECT_EQ(0, memcmp(before, record, sizeof record));
}

}  // namespace
