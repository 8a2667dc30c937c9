// Command-line parsing for the mixer: each option's reader, then the checks that need every
// option at once (bars resolved with the final signature, the run's size).
#include "standins/rwmixer/mixer_options.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "standins/common/command_line.h"
#include "standins/rwmixer/option_values.h"

namespace tz::mixer {
namespace {

constexpr double kMaxSeconds = 86400;

struct Parser {
  MixerOptions options;
  bool help = false;
  bool secondsGiven = false;
  bool blocksGiven = false;
  std::optional<std::pair<WrittenPosition, WrittenPosition>> loop;
  // Locate actions hold their written position until the signature is known.
  std::vector<std::pair<size_t, WrittenPosition>> locates;

  std::string apply(std::string_view name, std::string_view value);
  std::string applyScript(std::string_view name, std::string_view value);
  std::string finish();
};

std::string bad(std::string_view name, std::string_view value, std::string_view what) {
  return std::string(name) + ": '" + std::string(value) + "' is not " + std::string(what);
}

constexpr std::string_view kFlags[] = {"--help",      "-h",        "--launch", "--quit-panel",
                                       "--freewheel", "--loop-on", "--play",   "--verify"};
constexpr std::string_view kValued[] = {
    "--engine",    "--device",    "--out",           "--svg",          "--rate",
    "--block",     "--seconds",   "--blocks",        "--wait-panel",   "--events",
    "--tempo",     "--signature", "--loop",          "--play-at",      "--stop-at",
    "--locate-at", "--tempo-at",  "--audio-info-at", "--quit-panel-at"};

std::optional<uint32_t> readRate(std::string_view text) {
  const auto rate = readUnsigned(text, 1000, 768000);
  return rate ? std::optional<uint32_t>(static_cast<uint32_t>(*rate)) : std::nullopt;
}

std::optional<uint32_t> readBlock(std::string_view text) {
  const auto block = readUnsigned(text, 1, kMaxBlockFrames);
  return block ? std::optional<uint32_t>(static_cast<uint32_t>(*block)) : std::nullopt;
}

constexpr std::string_view kRateText = "a sample rate from 1000 to 768000";
constexpr std::string_view kBlockText = "a block size from 1 to 16384 frames";
constexpr std::string_view kSecondsText = "a time from 0 to 86400 seconds";

std::string Parser::apply(std::string_view name, std::string_view value) {
  if (name == "--help" || name == "-h") {
    help = true;
  } else if (name == "--launch") {
    options.launch = true;
  } else if (name == "--quit-panel") {
    options.quitPanel = true;
  } else if (name == "--freewheel") {
    options.freewheel = true;
  } else if (name == "--verify") {
    options.verify = true;
  } else if (name == "--loop-on") {
    options.loopOn = true;
  } else if (name == "--play") {
    options.script.push_back({0, ActionKind::Play});
  } else if (name == "--engine" || name == "--device" || name == "--out" || name == "--svg") {
    if (value.empty()) return std::string(name) + ": empty value";
    (name == "--engine"   ? options.enginePath
     : name == "--device" ? options.device
     : name == "--out"    ? options.outPath
                          : options.svgPath) = value;
  } else if (name == "--rate") {
    const auto rate = readRate(value);
    if (!rate) return bad(name, value, kRateText);
    options.rate = *rate;
  } else if (name == "--block") {
    const auto block = readBlock(value);
    if (!block) return bad(name, value, kBlockText);
    options.block = *block;
  } else if (name == "--seconds" || name == "--wait-panel") {
    const auto seconds = readDecimal(value, 0, kMaxSeconds);
    if (!seconds) return bad(name, value, kSecondsText);
    if (name == "--seconds") {
      options.seconds = *seconds;
      secondsGiven = true;
    } else {
      options.waitPanelSeconds = *seconds;
    }
  } else if (name == "--blocks") {
    const auto blocks = readUnsigned(value, 1, kMaxRunBlocks);
    if (!blocks) return bad(name, value, "a block count from 1 to 16777216");
    options.blocks = *blocks;
    blocksGiven = true;
  } else if (name == "--events") {
    const auto capacity = readUnsigned(value, 1, 1024);
    if (!capacity) return bad(name, value, "an event capacity from 1 to 1024");
    options.eventCapacity = static_cast<uint32_t>(*capacity);
  } else if (name == "--tempo") {
    const auto tempo = readTempo(value);
    if (!tempo) return bad(name, value, "a tempo from 1 to 999.999 beats per minute");
    options.tempo = *tempo;
  } else if (name == "--signature") {
    const size_t slash = value.find('/');
    const auto numerator = readUnsigned(value.substr(0, slash), 1, 64);
    const auto denominator = slash == std::string_view::npos
                                 ? std::nullopt
                                 : readUnsigned(value.substr(slash + 1), 1, 64);
    if (!numerator || !denominator || (*denominator & (*denominator - 1)) != 0) {
      return bad(name, value, "a signature such as 4/4 (a power of two below)");
    }
    options.numerator = static_cast<uint32_t>(*numerator);
    options.denominator = static_cast<uint32_t>(*denominator);
  } else if (name == "--loop") {
    const auto pair = splitPair(value);
    const auto start = pair ? readPosition(pair->first) : std::nullopt;
    const auto end = pair ? readPosition(pair->second) : std::nullopt;
    if (!start || !end) return bad(name, value, "START:END in ticks or bars (\"3b\")");
    loop = std::pair{*start, *end};
  } else {
    return applyScript(name, value);
  }
  return {};
}

std::string Parser::applyScript(std::string_view name, std::string_view value) {
  const bool withArgument =
      name == "--locate-at" || name == "--tempo-at" || name == "--audio-info-at";
  const auto pair = withArgument ? splitPair(value) : std::nullopt;
  const std::string_view timeText = withArgument ? (pair ? pair->first : "") : value;
  const auto seconds = readDecimal(timeText, 0, kMaxSeconds);
  ScriptAction action{seconds.value_or(0)};
  if (name == "--play-at" || name == "--stop-at" || name == "--quit-panel-at") {
    if (!seconds) return bad(name, value, kSecondsText);
    action.kind = name == "--play-at"   ? ActionKind::Play
                  : name == "--stop-at" ? ActionKind::Stop
                                        : ActionKind::QuitPanel;
  } else if (name == "--locate-at") {
    const auto position = pair ? readPosition(pair->second) : std::nullopt;
    if (!seconds || !position) return bad(name, value, "SECONDS:POSITION (ticks, or bars \"3b\")");
    action.kind = ActionKind::Locate;
    locates.emplace_back(options.script.size(), *position);
  } else if (name == "--tempo-at") {
    const auto tempo = pair ? readTempo(pair->second) : std::nullopt;
    if (!seconds || !tempo) return bad(name, value, "SECONDS:BPM");
    action.kind = ActionKind::Tempo;
    action.tempo = *tempo;
  } else if (name == "--audio-info-at") {
    const auto info = pair ? splitPair(pair->second) : std::nullopt;
    const auto rate = info ? readRate(info->first) : std::nullopt;
    const auto block = info ? readBlock(info->second) : std::nullopt;
    if (!seconds || !rate || !block) return bad(name, value, "SECONDS:RATE:BLOCK");
    action.kind = ActionKind::AudioInfo;
    action.rate = *rate;
    action.block = *block;
  } else {
    return "unhandled option '" + std::string(name) + "'";
  }
  options.script.push_back(action);
  return {};
}

std::string Parser::finish() {
  if (secondsGiven && blocksGiven) return "--seconds and --blocks exclude each other";
  for (const auto& [index, position] : locates) {
    const auto ticks = resolvePosition(position, options.numerator, options.denominator);
    if (!ticks) return "--locate-at: the position lies beyond the 32-bit tick range";
    options.script[index].ticks = *ticks;
  }
  const auto [startText, endText] =
      loop.value_or(std::pair{WrittenPosition{0, false}, WrittenPosition{5, true}});
  const auto start = resolvePosition(startText, options.numerator, options.denominator);
  const auto end = resolvePosition(endText, options.numerator, options.denominator);
  if (!start || !end) return "--loop: the loop lies beyond the 32-bit tick range";
  if (*end <= *start) return "--loop: the end must lie after the start";
  options.loopStart = *start;
  options.loopEnd = *end;
  std::stable_sort(
      options.script.begin(), options.script.end(),
      [](const ScriptAction& a, const ScriptAction& b) { return a.seconds < b.seconds; });
  if (plannedBlockBound(options) > kMaxRunBlocks) {
    return "the run would take more than 16777216 blocks; shorten it or use larger blocks";
  }
  return {};
}

}  // namespace

ParsedOptions parseOptions(int argc, const char* const* argv) {
  Parser parser;
  ParsedOptions result;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  result.error = tz::standin::walkOptions(
      args, {kFlags, kValued},
      [&](std::string_view name, std::string_view value) { return parser.apply(name, value); },
      [&] { return parser.help; });
  if (result.error.empty() && !parser.help) result.error = parser.finish();
  result.ok = result.error.empty();
  result.help = parser.help;
  result.options = std::move(parser.options);
  return result;
}

uint64_t plannedBlockBound(const MixerOptions& options) {
  if (options.blocks != 0) return options.blocks;
  uint32_t fastestRate = options.rate;
  uint32_t smallestBlock = options.block;
  uint64_t changes = 0;
  for (const ScriptAction& action : options.script) {
    if (action.kind != ActionKind::AudioInfo) continue;
    fastestRate = std::max(fastestRate, action.rate);
    smallestBlock = std::min(smallestBlock, action.block);
    ++changes;
  }
  // Every stretch between two changes may end in a part of a block, which still counts as one.
  return static_cast<uint64_t>(std::ceil(options.seconds * fastestRate / smallestBlock)) + changes +
         1;
}

uint32_t largestBlock(const MixerOptions& options) {
  uint32_t largest = options.block;
  for (const ScriptAction& action : options.script) {
    if (action.kind == ActionKind::AudioInfo) largest = std::max(largest, action.block);
  }
  return largest;
}

}  // namespace tz::mixer
