// Each option's reader; requests are ordered by time once all are read.
#include "standins/loopra70/host_options.h"

#include <algorithm>
#include <optional>

#include "standins/common/command_line.h"
#include "standins/common/option_values.h"

namespace tz::host {
namespace {

using tz::standin::readDecimal;
using tz::standin::readSigned;
using tz::standin::splitPair;

constexpr double kMaxSeconds = 86400;
// The device sends positions to the mixer as 32-bit ticks at 15360 per quarter note.
constexpr int64_t kMaxTicks = 3435973835;

constexpr std::string_view kFlags[] = {"--help",  "-h",     "-REWIREDEVICE",
                                       "--quiet", "--idle", "--list-ports"};
constexpr std::string_view kValued[] = {"--library",   "--seconds", "--play-at",    "--stop-at",
                                        "--locate-at", "--loop-at", "--loop-off-at"};

std::string bad(std::string_view name, std::string_view value, std::string_view what) {
  return std::string(name) + ": '" + std::string(value) + "' is not " + std::string(what);
}

std::optional<int64_t> readTicks(std::string_view text) {
  return readSigned(text, 0, kMaxTicks);
}

// "--play-at S", "--locate-at S:TICKS", "--loop-at S:START:END".
std::string readRequest(std::string_view name, std::string_view value, TransportRequest& request) {
  const bool timeOnly = name != "--locate-at" && name != "--loop-at";
  const auto pair = timeOnly ? std::nullopt : splitPair(value);
  const auto seconds = readDecimal(timeOnly ? value : (pair ? pair->first : ""), 0, kMaxSeconds);
  request.seconds = seconds.value_or(0);
  if (name == "--locate-at") {
    const auto position = pair ? readTicks(pair->second) : std::nullopt;
    if (!seconds || !position) return bad(name, value, "SECONDS:TICKS");
    request.kind = RequestKind::Locate;
    request.position = *position;
    return {};
  }
  if (name == "--loop-at") {
    const auto range = pair ? splitPair(pair->second) : std::nullopt;
    const auto start = range ? readTicks(range->first) : std::nullopt;
    const auto end = range ? readTicks(range->second) : std::nullopt;
    if (!seconds || !start || !end) return bad(name, value, "SECONDS:START:END");
    if (*end <= *start) return std::string(name) + ": the loop end must lie after its start";
    request.kind = RequestKind::Loop;
    request.loopStart = *start;
    request.loopEnd = *end;
    return {};
  }
  if (!seconds) return bad(name, value, "a time from 0 to 86400 seconds");
  request.kind = name == "--play-at"   ? RequestKind::Play
                 : name == "--stop-at" ? RequestKind::Stop
                                       : RequestKind::LoopOff;
  return {};
}

struct Parser {
  HostOptions options;
  bool help = false;

  std::string apply(std::string_view name, std::string_view value) {
    if (name == "--help" || name == "-h") {
      help = true;
    } else if (name == "-REWIREDEVICE") {
      options.launchedByDevice = true;
    } else if (name == "--quiet") {
      options.quiet = true;
    } else if (name == "--idle") {
      options.idle = true;
    } else if (name == "--list-ports") {
      options.listPorts = true;
    } else if (name == "--library") {
      if (value.empty()) return "--library: empty value";
      options.libraryPath = value;
    } else if (name == "--seconds") {
      const auto seconds = readDecimal(value, 0, kMaxSeconds);
      if (!seconds) return bad(name, value, "a time from 0 to 86400 seconds");
      options.seconds = *seconds;
    } else {
      TransportRequest request;
      std::string error = readRequest(name, value, request);
      if (!error.empty()) return error;
      options.requests.push_back(request);
    }
    return {};
  }
};

}  // namespace

ParsedOptions parseOptions(std::span<const std::string_view> args) {
  Parser parser;
  ParsedOptions result;
  result.error = tz::standin::walkOptions(
      args, {kFlags, kValued},
      [&](std::string_view name, std::string_view value) { return parser.apply(name, value); },
      [&] { return parser.help; });
  std::stable_sort(
      parser.options.requests.begin(), parser.options.requests.end(),
      [](const TransportRequest& a, const TransportRequest& b) { return a.seconds < b.seconds; });
  result.ok = result.error.empty();
  result.help = parser.help;
  result.options = std::move(parser.options);
  return result;
}

}  // namespace tz::host
