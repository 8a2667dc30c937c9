#include "kaudio/audiodrvs/ReWire/host/transport_record.h"

#include "kaudio/audiodrvs/ReWire/host/audio_device.h"

namespace tz::rewire {

namespace {

bool test(const std::atomic<DWORD>& link, DWORD flag) {
  return (link.load() & flag) != 0;
}

// Clears flag and tells whether it was set.
bool take(std::atomic<DWORD>& link, DWORD flag) {
  return (link.fetch_and(~flag) & flag) != 0;
}

}  // namespace

int64_t ticksToTime(int64_t ticks15360, double tempo) {
  return tempo == 0
             ? 0
             : roundHalfUp(static_cast<double>(ticks15360) / kRWTicksPerQuarterNote / tempo * 6e8);
}

int64_t samplesToTime(int64_t samples, uint32_t rate) {
  return rate == 0 ? 0 : roundHalfUp(static_cast<double>(samples) / rate * 1e7);
}

int64_t timeToSamples(int64_t time, uint32_t rate) {
  return roundHalfUp(static_cast<double>(time) / 1e7 * rate);
}

int64_t ticks15360To24576(int64_t ticks) {
  return roundHalfUp(double{TRANSPORT_TICKS_24576} / kRWTicksPerQuarterNote *
                     static_cast<double>(ticks));
}

DWORD buildTransportRecord(TRANSPORTINFO& record, TRANSPORTINFO& previous,
                           const DriveAudioInput& drive, const WAVEFORMATEX& format,
                           bool tickMode24576, std::atomic<DWORD>& link) {
  previous = record;
  const auto hostTicks = [tickMode24576](int64_t ticks) {
    return tickMode24576 ? ticks15360To24576(ticks) : ticks;
  };
  record.size = sizeof(TRANSPORTINFO);
  record.frames = drive.frames;
  record.format = format;
  record.tempo = drive.tempo / 1000.0;
  record.ticksPerQuarterNote = tickMode24576 ? TRANSPORT_TICKS_24576 : kRWTicksPerQuarterNote;
  record.songPosition = hostTicks(drive.songPosition);
  const bool reportAll = test(link, kReportAll);
  if (reportAll) link.fetch_and(~kPlaying);
  const bool playing = test(link, kPlaying);
  const uint32_t rate = format.nSamplesPerSec;

  record.songTime = ticksToTime(drive.songPosition, record.tempo);
  if (playing) {
    if (rate != 0) record.playTime += samplesToTime(drive.frames, rate);
  } else {
    record.playTime = 0;
  }
  if (drive.playMode == kRWPlayModeStopped || drive.playMode == kRWPlayModeStarting ||
      (drive.playMode == kRWPlayModePlaying && !playing)) {
    record.samplePosition = timeToSamples(record.songTime, rate);
  } else if (drive.playMode == kRWPlayModePlaying) {
    // record.loopOn still holds the previous block's value here.
    if (record.loopOn == 0 || previous.songPosition <= record.songPosition) {
      record.samplePosition = previous.samplePosition + drive.frames;
      record.songTime = samplesToTime(record.samplePosition, rate);
    } else {
      record.samplePosition = timeToSamples(record.songTime, rate);
    }
  }

  record.signatureNumerator = drive.signatureNumerator;
  record.signatureDenominator = drive.signatureDenominator;
  record.loopStart = hostTicks(drive.loopStart);
  record.loopEnd = hostTicks(drive.loopEnd);
  record.loopStartTime = ticksToTime(drive.loopStart, record.tempo);
  record.loopLengthTime = ticksToTime(drive.loopEnd, record.tempo) - record.loopStartTime;
  record.loopOn = drive.loopOn;

  // The sent bits are taken whatever else changed: a report answers the host's request.
  const bool repositionSent = take(link, kRepositionSent);
  const bool loopSent = take(link, kLoopSent);
  DWORD changes = 0;
  if ((!playing && record.songPosition != previous.songPosition) || repositionSent || reportAll) {
    changes |= TRANSPORT_CHANGED_POSITION;
    link.fetch_or(kRepositionEcho);
  }
  if (record.tempo != previous.tempo || reportAll) changes |= TRANSPORT_CHANGED_TEMPO;
  if (record.signatureNumerator != previous.signatureNumerator ||
      record.signatureDenominator != previous.signatureDenominator || reportAll)
    changes |= TRANSPORT_CHANGED_SIGNATURE;
  if (record.loopStart != previous.loopStart || loopSent || reportAll ||
      record.loopEnd != previous.loopEnd || record.loopOn != previous.loopOn) {
    changes |= TRANSPORT_CHANGED_LOOP;
    link.fetch_or(kLoopEcho);
  }

  record.beforeLoopEnd = record.loopOn != 0 && record.songPosition <= record.loopEnd ? 1 : 0;
  record.atLoopRestart = record.loopOn != 0 && record.beforeLoopEnd != 0 &&
                                 previous.songPosition >= record.songPosition
                             ? 1
                             : 0;
  record.kind = TRANSPORTINFO_KIND;
  record.validMask |= TRANSPORTINFO_VALID;
  link.fetch_and(~kReportAll);
  record.built = 1;
  return changes;
}

}  // namespace tz::rewire
