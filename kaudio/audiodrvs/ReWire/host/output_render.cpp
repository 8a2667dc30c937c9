// Rendering one mixer block through an output: the host fills the staging buffer with
// interleaved stereo float frames, which are split into the two mono channel slots. A loop end
// inside the block splits the request in two: up to the loop end with the block's record, then
// the rest from the loop start.
#include <algorithm>

#include "kaudio/audiodrvs/ReWire/host/audio_output.h"
#include "kaudio/audiodrvs/ReWire/host/transport_record.h"

namespace tz::rewire {

HRESULT CReWireAudioOutput::render(float* left, float* right, DWORD frames, bool first,
                                   const TRANSPORTINFO& record) {
  if (staging_ == nullptr || !openAndStarted()) return E_FAIL;
  DWORD code = first ? (kOutputRender | kOutputFirstOfBlock) : kOutputRender;
  const DWORD rate = format_.nSamplesPerSec;
  TRANSPORTINFO chunk = record;
  TRANSPORTINFO next{};
  if (record.loopOn != 0 && record.beforeLoopEnd != 0) {
    const int64_t duration = samplesToTime(record.frames, rate);
    const double ticksPer100ns = record.ticksPerQuarterNote * record.tempo / 6e8;
    const auto blockTicks = static_cast<int64_t>(static_cast<double>(duration) * ticksPer100ns);
    if (ticksPer100ns > 0 && record.songPosition + blockTicks > record.loopEnd) {
      const int64_t toEnd = record.loopEnd - record.songPosition;
      next = record;
      const auto toEndTime = static_cast<int64_t>(static_cast<double>(toEnd) / ticksPer100ns);
      const auto firstFrames =
          static_cast<DWORD>(std::clamp<int64_t>(timeToSamples(toEndTime, rate), 0, record.frames));
      chunk.frames = firstFrames;
      chunk.atLoopRestart = 0;
      next.songPosition = record.loopStart;
      next.frames = record.frames - firstFrames;
      next.playTime += samplesToTime(next.frames, rate);
      next.atLoopRestart = 1;
    }
  }
  DWORD done = 0;
  DWORD remaining = 2 * frames;
  while (done < frames) {
    // The host is never asked for more than the staging buffer holds or the slots take,
    // whatever the record says (a block grown by a format change, a damaged header).
    const DWORD ask = std::min({chunk.frames, stagingFrames_, frames - done});
    chunk.frames = ask;
    const LONG written = callback_(this, code, cookie_, 0, staging_, ask, remaining, &chunk);
    code &= ~kOutputFirstOfBlock;
    if (written <= 0) break;
    // A host that claims more than was asked for never writes past the slots.
    const DWORD n = std::min(static_cast<DWORD>(written), ask);
    if (n == 0) break;
    // Source channel 0 goes to the left slot, channel 1 to the right one.
    if (left != nullptr) copyChannel_(left, 1, 0, staging_, 2, 0, static_cast<long>(n));
    if (right != nullptr) copyChannel_(right, 1, 0, staging_, 2, 1, static_cast<long>(n));
    done += n;
    remaining -= n;
    if (left != nullptr) left += n;
    if (right != nullptr) right += n;
    // Only a block the host left unfinished, or a loop end inside it, asks again; the copy
    // is not made for the usual block, which one call fills.
    if (done < frames) chunk = next;
  }
  return S_OK;
}

}  // namespace tz::rewire
