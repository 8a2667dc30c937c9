// The host's command line: where the driver lies, how long to run, what to print and the
// transport requests it makes at given times. Parsing only; nothing here loads anything.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tz::host {

// Extra options for a host the device launches: its command line carries only -REWIREDEVICE.
// They come before the command line's own.
constexpr char kOptionsVariable[] = "TZ_LOOPRA70_OPTIONS";

enum class RequestKind : uint32_t { Play, Stop, Locate, Loop, LoopOff };

// One transport request to the mixer, made `seconds` after the device runs. Positions are
// ticks at 24576 per quarter note.
struct TransportRequest {
  double seconds = 0;
  RequestKind kind = RequestKind::Play;
  int64_t position = 0;   // Locate
  int64_t loopStart = 0;  // Loop
  int64_t loopEnd = 0;    // Loop
};

struct HostOptions {
  std::string libraryPath;  // empty: "Audio Hardware Drivers/LoopraReWire.so" beside the program
  bool launchedByDevice = false;
  double seconds = 0;  // run length; 0: until the mixer asks to quit or a signal comes
  bool quiet = false;  // no line for the per-block codes 26 and 27 (still counted)
  bool idle = false;   // the outputs render nothing: a block costs only the driver's own work
  bool listPorts = false;
  std::vector<TransportRequest> requests;  // by time; equal times keep their order
};

struct ParsedOptions {
  bool ok = false;
  bool help = false;
  std::string error;  // one line, without the program name
  HostOptions options;
};

ParsedOptions parseOptions(std::span<const std::string_view> args);

const char* usageText();

}  // namespace tz::host
