// The device library's side of the bridge: the records the engine passes to a device's
// entry points, the messages between a device and its panel, and the entry points
// themselves (C linkage, the default C calling convention). All words are 32-bit
// little-endian; the layouts are a wire format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tz/rewire_engine.h"

// 256 channels, channel c in bit c % 32 of word c / 32.
struct ChannelSet {
  uint32_t words[8];
};
static_assert(sizeof(ChannelSet) == 32);

inline bool channelSetHas(const ChannelSet& set, unsigned c) {
  return c < 256 && (set.words[c / 32] >> (c % 32) & 1u) != 0;
}
inline void channelSetAdd(ChannelSet& set, unsigned c) {
  if (c < 256) set.words[c / 32] |= 1u << (c % 32);
}

struct AudioInfo {
  uint32_t size;  // 12
  uint32_t sampleRate;
  uint32_t maxFramesPerBlock;
};
static_assert(sizeof(AudioInfo) == 12);

struct OpenDeviceParams {
  uint32_t unused;
  AudioInfo audioInfo;
};
static_assert(sizeof(OpenDeviceParams) == 16 && offsetof(OpenDeviceParams, audioInfo) == 4);

// Musical positions between the mixer and the device: ticks per quarter note.
constexpr int32_t kRWTicksPerQuarterNote = 15360;

// DriveAudioInput's play mode.
constexpr uint32_t kRWPlayModeStopped = 0;
constexpr uint32_t kRWPlayModePlaying = 1;
constexpr uint32_t kRWPlayModeStarting = 2;  // starts, or restarts where the song position is

// Event types that a device hands to the mixer.
constexpr uint16_t kRWEventReposition = 11;
constexpr uint16_t kRWEventLoop = 14;
constexpr uint16_t kRWEventPlay = 15;
constexpr uint16_t kRWEventStop = 16;

struct ReWireEvent {
  uint16_t type;
  uint16_t reserved;
  int32_t position;  // reposition: song position; loop: loop start (15360 ticks per quarter)
  int32_t loopEnd;   // loop: loop end
  uint8_t loopOn;    // loop: non-zero = on
  uint8_t padding[11];
};
static_assert(sizeof(ReWireEvent) == 24);
static_assert(offsetof(ReWireEvent, position) == 4 && offsetof(ReWireEvent, loopEnd) == 8 &&
              offsetof(ReWireEvent, loopOn) == 12);

struct EventBufferDesc {
  uint32_t size;       // 20
  uint32_t eventSize;  // 24
  uint32_t count;
  uint32_t capacity;
  ReWireEvent* events;
};
static_assert(sizeof(EventBufferDesc) == 20 && offsetof(EventBufferDesc, events) == 16);

struct DriveAudioInput {
  uint32_t size;  // 1116
  EventBufferDesc eventsIn;
  ChannelSet requestedChannels;
  float* buffers[256];
  int32_t songPosition;  // ticks, 15360 per quarter note
  uint32_t frames;
  uint32_t playMode;
  uint32_t tempo;  // thousandths of a beat per minute
  uint32_t signatureNumerator;
  uint32_t signatureDenominator;
  int32_t loopStart;
  int32_t loopEnd;
  uint32_t loopOn;
};
static_assert(sizeof(DriveAudioInput) == 1116);
static_assert(offsetof(DriveAudioInput, eventsIn) == 4 &&
              offsetof(DriveAudioInput, requestedChannels) == 24 &&
              offsetof(DriveAudioInput, buffers) == 56 &&
              offsetof(DriveAudioInput, songPosition) == 1080 &&
              offsetof(DriveAudioInput, frames) == 1084 &&
              offsetof(DriveAudioInput, playMode) == 1088 &&
              offsetof(DriveAudioInput, tempo) == 1092 &&
              offsetof(DriveAudioInput, signatureNumerator) == 1096 &&
              offsetof(DriveAudioInput, signatureDenominator) == 1100 &&
              offsetof(DriveAudioInput, loopStart) == 1104 &&
              offsetof(DriveAudioInput, loopEnd) == 1108 &&
              offsetof(DriveAudioInput, loopOn) == 1112);

struct DriveAudioOutput {
  uint32_t size;  // 56
  EventBufferDesc eventsOut;
  ChannelSet servedChannels;
};
static_assert(sizeof(DriveAudioOutput) == 56 && offsetof(DriveAudioOutput, eventsOut) == 4 &&
              offsetof(DriveAudioOutput, servedChannels) == 24);

struct DeviceInfo {
  uint32_t size;
  char name[32];
  uint32_t channelCount;
  char channelNames[256][32];
  ChannelSet defaultChannels;
  uint32_t stereoPairs[4];  // bit k: channels 2k and 2k + 1 form a stereo pair
  uint32_t maxBufferFrames;
  uint32_t version;
};
static_assert(sizeof(DeviceInfo) == 8288);
static_assert(offsetof(DeviceInfo, name) == 4 && offsetof(DeviceInfo, channelCount) == 36 &&
              offsetof(DeviceInfo, channelNames) == 40 &&
              offsetof(DeviceInfo, defaultChannels) == 8232 &&
              offsetof(DeviceInfo, stereoPairs) == 8264 &&
              offsetof(DeviceInfo, maxBufferFrames) == 8280 &&
              offsetof(DeviceInfo, version) == 8284);

// Messages between a device and its panel: the first byte identifies them.
constexpr uint8_t RWMSG_PANEL_STARTED = 6;
constexpr uint8_t RWMSG_PANEL_STOPPED = 8;
constexpr uint8_t RWMSG_REQUEST_STOP = 9;
constexpr uint8_t RWMSG_REQUEST_PLAY = 10;
constexpr uint8_t RWMSG_DRIVE_AUDIO = 11;
constexpr uint8_t RWMSG_REPOSITION = 12;
constexpr uint8_t RWMSG_SET_LOOP = 13;
constexpr uint8_t RWMSG_AUDIO_INFO_CHANGED = 14;
constexpr uint8_t RWMSG_QUIT_PANEL = 15;

extern "C" {

typedef RWSTATUS (*RWDEFOpenDeviceProc)(const OpenDeviceParams* params);
typedef void (*RWDEFCloseDeviceProc)();
typedef uint8_t (*RWDEFIsCloseOKProc)();
typedef void (*RWDEFDriveAudioProc)(DriveAudioInput* input, DriveAudioOutput* output);
typedef void (*RWDEFIdleProc)();
typedef RWSTATUS (*RWDEFLaunchPanelAppProc)();
typedef uint8_t (*RWDEFIsPanelAppLaunchedProc)();
typedef RWSTATUS (*RWDEFQuitPanelAppProc)();
typedef void (*RWDEFGetDeviceInfoProc)(DeviceInfo* info);
typedef void (*RWDEFGetDeviceNameAndVersionProc)(int32_t* version, char* name);
typedef void (*RWDEFSetAudioInfoProc)(const AudioInfo* info);
typedef void (*RWDEFGetEventInfoProc)(void* record);

}  // extern "C"
