// The mixer's command line: what to load, how to drive it, the transport and its timed script.
// Parsing only; nothing here loads or opens anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tz::mixer {

enum class ActionKind : uint32_t { Play, Stop, Locate, Tempo, AudioInfo, QuitPanel };

// One scripted change, taking effect on the first block that starts at or after `seconds` of
// mixer time (the sample clock, so a freewheeling run follows the same script).
struct ScriptAction {
  double seconds = 0;
  ActionKind kind = ActionKind::Play;
  int32_t ticks = 0;   // Locate
  uint32_t tempo = 0;  // Tempo: beats per minute × 1000
  uint32_t rate = 0;   // AudioInfo
  uint32_t block = 0;  // AudioInfo
};

struct MixerOptions {
  std::string enginePath;  // empty: "ReWire.dll" through the loader's search order
  std::string device = "Loopra Pro 7.0";
  uint32_t rate = 44100;
  uint32_t block = 512;
  bool launch = false;
  double waitPanelSeconds = 0;
  bool quitPanel = false;
  bool freewheel = false;
  bool verify = false;  // check every served block against the host's test signal
  double seconds = 5;
  uint64_t blocks = 0;  // non-zero: the run length in blocks instead of seconds
  uint32_t tempo = 120000;
  uint32_t numerator = 4;
  uint32_t denominator = 4;
  int32_t loopStart = 0;
  int32_t loopEnd = 0;  // four bars of the signature unless --loop gives it
  bool loopOn = false;
  uint32_t eventCapacity = 64;
  std::string outPath;               // empty: no file
  std::string svgPath;               // empty: no picture
  std::vector<ScriptAction> script;  // by time; equal times keep their command-line order
};

// Upper bounds that keep every buffer and the drive-time samples allocatable up front.
constexpr uint32_t kMaxBlockFrames = 16384;
constexpr uint64_t kMaxRunBlocks = 1u << 24;

struct ParsedOptions {
  bool ok = false;
  bool help = false;
  std::string error;  // one line, without the program name
  MixerOptions options;
};

// Parses argv[1..argc). Values come as "--name VALUE" or "--name=VALUE".
ParsedOptions parseOptions(int argc, const char* const* argv);

// The most blocks a run of these options can take: the size of the drive-time record.
uint64_t plannedBlockBound(const MixerOptions& options);

// The largest block any part of the run uses, which sizes the channel buffers.
uint32_t largestBlock(const MixerOptions& options);

const char* usageText();

}  // namespace tz::mixer
