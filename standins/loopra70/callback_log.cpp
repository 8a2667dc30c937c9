#include "standins/loopra70/callback_log.h"

#include <cinttypes>

namespace tz::host {
namespace {

bool carriesTransport(DWORD code) {
  return (code >= 20 && code <= 23) || code == kBlockBeginsCode || code == kBlockEndsCode;
}

std::string transportWords(const TRANSPORTINFO& r) {
  char text[400];
  std::snprintf(
      text, sizeof text,
      " frames=%" PRIu32 " sample=%" PRId64 " time=%" PRId64 " playtime=%" PRId64 " song=%" PRId64
      " tempo=%.3f signature=%" PRIu32 "/%" PRIu32 " tpq=%" PRIu32 " loop=%" PRId64 ":%" PRId64
      " loopon=%" PRIu32 " beforeend=%" PRIu32 " restart=%" PRIu32,
      static_cast<uint32_t>(r.frames), static_cast<int64_t>(r.samplePosition),
      static_cast<int64_t>(r.songTime), static_cast<int64_t>(r.playTime),
      static_cast<int64_t>(r.songPosition), r.tempo, static_cast<uint32_t>(r.signatureNumerator),
      static_cast<uint32_t>(r.signatureDenominator), static_cast<uint32_t>(r.ticksPerQuarterNote),
      static_cast<int64_t>(r.loopStart), static_cast<int64_t>(r.loopEnd),
      static_cast<uint32_t>(r.loopOn), static_cast<uint32_t>(r.beforeLoopEnd),
      static_cast<uint32_t>(r.atLoopRestart));
  return text;
}

std::string formatWords(const WAVEFORMATEX& f) {
  char text[120];
  std::snprintf(text, sizeof text, " tag=%u channels=%u rate=%" PRIu32 " bits=%u", f.wFormatTag,
                f.nChannels, static_cast<uint32_t>(f.nSamplesPerSec), f.wBitsPerSample);
  return text;
}

}  // namespace

std::string callbackLine(DWORD code, DWORD argument, const void* pointer) {
  char head[48];
  std::snprintf(head, sizeof head, "callback %" PRIu32 " arg=0x%" PRIx32,
                static_cast<uint32_t>(code), static_cast<uint32_t>(argument));
  std::string line = head;
  if (pointer != nullptr && carriesTransport(code)) {
    line += transportWords(*static_cast<const TRANSPORTINFO*>(pointer));
  } else if (pointer != nullptr && code == 13) {
    line += formatWords(*static_cast<const WAVEFORMATEX*>(pointer));
  }
  return line;
}

void printLine(std::FILE* out, const std::string& line) {
  std::fprintf(out, "%s\n", line.c_str());
  std::fflush(out);
}

void CallbackLog::record(DWORD code, DWORD argument, const void* pointer) {
  (code < kCodes ? counts_[code] : other_).fetch_add(1);
  if (quiet_ && (code == kBlockBeginsCode || code == kBlockEndsCode)) return;
  printLine(out_, callbackLine(code, argument, pointer));
}

void CallbackLog::printSummary(std::FILE* out) const {
  std::string line = "callbacks:";
  for (DWORD code = 0; code < kCodes; ++code) {
    if (counts_[code] != 0) {
      line += " " + std::to_string(code) + "=" + std::to_string(counts_[code].load());
    }
  }
  if (other_ != 0) line += " other=" + std::to_string(other_.load());
  printLine(out, line);
  printLine(out, "blocks seen: " + std::to_string(count(kBlockBeginsCode)));
}

}  // namespace tz::host
