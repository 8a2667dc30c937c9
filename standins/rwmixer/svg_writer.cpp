// Drawn at pixel resolution: each lane's columns are merged into one minimum and maximum per
// pixel, so the file's size follows the picture's width, not the session's length. Numbers
// carry at most three decimals and are written with snprintf, which rwmixer leaves in the
// "C" locale.
#include "standins/rwmixer/svg_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tz::mixer {
namespace {

using L = SvgLayout;

constexpr int kMarkRows = 3;
constexpr int kMarkRowHeight = 12;
constexpr int kBarPitch = 44;
constexpr int kBarHeight = 110;
constexpr const char* kScriptColour = "#1f5fbf";
constexpr const char* kHostColour = "#d2691e";
constexpr const char* kLoopColour = "#888888";

// At most `decimals` decimals, without trailing zeros.
std::string fixed(double value, int decimals = 1) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string s = text;
  if (s.find('.') != std::string::npos) {
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string durationText(double ns) {
  if (ns < 1e6) return fixed(ns / 1e3) + " µs";
  if (ns < 1e9) return fixed(ns / 1e6) + " ms";
  return fixed(ns / 1e9) + " s";
}

// The lane's columns merged per pixel; an empty pixel (past the end, or between the samples
// of a very short run) draws as silence.
std::vector<SessionPicture::Column> pixelsOf(const SessionPicture& picture, uint32_t channel,
                                             double axisSeconds) {
  std::vector<SessionPicture::Column> pixels(L::kPlotWidth);
  const double w = picture.columnSeconds();
  for (int px = 0; px < L::kPlotWidth; ++px) {
    const double t0 = px * axisSeconds / L::kPlotWidth;
    const double t1 = (px + 1) * axisSeconds / L::kPlotWidth;
    const auto first = static_cast<uint32_t>(t0 / w);
    const uint32_t last =
        std::min(std::max(first + 1, static_cast<uint32_t>(std::ceil(t1 / w))), picture.columns());
    SessionPicture::Column merged{0, 0, false};
    bool any = false;
    for (uint32_t j = first; j < last; ++j) {
      const SessionPicture::Column c = picture.column(channel, j);
      merged.unserved = merged.unserved || c.unserved;
      if (c.empty()) continue;
      merged.min = any ? std::min(merged.min, c.min) : c.min;
      merged.max = any ? std::max(merged.max, c.max) : c.max;
      any = true;
    }
    pixels[px] = merged;
  }
  return pixels;
}

void drawLane(std::string& svg, const SessionPicture& picture, uint32_t channel,
              double axisSeconds) {
  const std::vector<SessionPicture::Column> pixels = pixelsOf(picture, channel, axisSeconds);
  double peak = 0;
  for (const auto& p : pixels) {
    for (const double v : {std::fabs(p.min), std::fabs(p.max)})
      if (std::isfinite(v)) peak = std::max(peak, v);
  }
  const int top = L::kLanesTop + static_cast<int>(channel) * L::kLaneHeight;
  const double centre = top + L::kLaneHeight / 2.0;
  const double half = L::kLaneHeight / 2.0 - 4;
  const auto y = [&](double v) {
    return fixed(centre - (peak > 0 ? std::clamp(v / peak, -1.0, 1.0) : 0) * half);
  };
  const std::string name = escaped(picture.name(channel));
  svg += "<g class=\"lane\"><title>" + name + ", peak " + fixed(peak, 3) + "</title>\n";
  svg += "<rect x=\"" + std::to_string(L::kPlotLeft) + "\" y=\"" + std::to_string(top + 1) +
         "\" width=\"" + std::to_string(L::kPlotWidth) + "\" height=\"" +
         std::to_string(L::kLaneHeight - 2) + "\" fill=\"#f5f5f5\"/>\n";
  for (int px = 0; px < L::kPlotWidth;) {
    if (!pixels[px].unserved) {
      ++px;
      continue;
    }
    const int from = px;
    while (px < L::kPlotWidth && pixels[px].unserved) ++px;
    svg += "<rect x=\"" + std::to_string(L::kPlotLeft + from) + "\" y=\"" +
           std::to_string(top + 1) + "\" width=\"" + std::to_string(px - from) + "\" height=\"" +
           std::to_string(L::kLaneHeight - 2) + "\" fill=\"#f9d6d6\"><title>not served</title>" +
           "</rect>\n";
  }
  std::vector<std::string> tops, bottoms;
  for (const auto& p : pixels) {
    tops.push_back(y(p.max));
    bottoms.push_back(y(p.min));
  }
  // The band's upper edge left to right, then its lower edge back; a flat stretch needs only
  // its ends, which keeps silent lanes small.
  std::string points;
  const auto edge = [&](const std::vector<std::string>& ys, int from, int step) {
    for (int px = from; px >= 0 && px < L::kPlotWidth; px += step) {
      const bool inner = px != from && px + step >= 0 && px + step < L::kPlotWidth;
      if (inner && ys[px - step] == ys[px] && ys[px + step] == ys[px]) continue;
      points += std::to_string(L::kPlotLeft + px) + "," + ys[px] + " ";
    }
  };
  edge(tops, 0, 1);
  edge(bottoms, L::kPlotWidth - 1, -1);
  points.pop_back();
  svg += "<polygon points=\"" + points +
         "\" fill=\"#3b6ea5\" stroke=\"#3b6ea5\" stroke-width=\"0.6\"/>\n";
  svg += "<text x=\"" + std::to_string(L::kPlotLeft - 8) + "\" y=\"" + fixed(centre) +
         "\" text-anchor=\"end\">" + name + "</text>\n";
  svg += "<text x=\"" + std::to_string(L::kPlotLeft - 8) + "\" y=\"" + fixed(centre + 13) +
         "\" text-anchor=\"end\" font-size=\"9\" fill=\"#777\">±" + fixed(peak, 3) +
         "</text>\n</g>\n";
}

const char* colourOf(MarkKind kind) {
  if (kind <= MarkKind::AudioInfo) return kScriptColour;
  return kind <= MarkKind::HostLoop ? kHostColour : kLoopColour;
}

void drawMarks(std::string& svg, const std::vector<Mark>& marks, double axisSeconds,
               int lanesBottom) {
  for (size_t i = 0; i < marks.size(); ++i) {
    const Mark& mark = marks[i];
    const std::string x =
        fixed(L::kPlotLeft + std::clamp(mark.seconds / axisSeconds, 0.0, 1.0) * L::kPlotWidth);
    const int labelY = L::kLanesTop - 6 - static_cast<int>(i % kMarkRows) * kMarkRowHeight;
    const std::string label = markLabel(mark);
    std::string title =
        label + " at " + fixed(mark.seconds, 3) + " s, block " + std::to_string(mark.block);
    if (mark.kind == MarkKind::HostLoop) {
      title += " (" + std::to_string(mark.value) + " to " + std::to_string(mark.detail) + ")";
    }
    svg += std::string("<g class=\"mark\" stroke=\"") + colourOf(mark.kind) + "\"" +
           (mark.kind == MarkKind::LoopRestart ? " stroke-dasharray=\"3,3\"" : "") + "><title>" +
           title + "</title><line x1=\"" + x + "\" y1=\"" + std::to_string(labelY + 2) +
           "\" x2=\"" + x + "\" y2=\"" + std::to_string(lanesBottom) + "\"/><text x=\"" + x +
           "\" y=\"" + std::to_string(labelY) + "\" dx=\"2\" stroke=\"none\" fill=\"" +
           colourOf(mark.kind) + "\" font-size=\"10\">" + label + "</text></g>\n";
  }
}

// Ticks 1, 2 or 5 × 10^k seconds apart, about ten of them.
void drawTimeAxis(std::string& svg, double axisSeconds, int lanesBottom) {
  const double raw = axisSeconds / 10;
  const double decade = std::pow(10.0, std::floor(std::log10(raw)));
  double step = decade * 10;
  for (const double m : {5.0, 2.0, 1.0})
    if (decade * m >= raw) step = decade * m;
  for (int k = 0; k * step <= axisSeconds * (1 + 1e-9); ++k) {
    const std::string x = fixed(L::kPlotLeft + k * step / axisSeconds * L::kPlotWidth);
    svg += "<line x1=\"" + x + "\" y1=\"" + std::to_string(lanesBottom) + "\" x2=\"" + x +
           "\" y2=\"" + std::to_string(lanesBottom + 5) + "\" stroke=\"#444\"/><text x=\"" + x +
           "\" y=\"" + std::to_string(lanesBottom + 17) + "\" text-anchor=\"middle\">" +
           fixed(k * step, 3) + "</text>\n";
  }
  svg += "<text x=\"" + std::to_string(L::kPlotLeft + L::kPlotWidth) + "\" y=\"" +
         std::to_string(lanesBottom + 32) + "\" text-anchor=\"end\">seconds of mixer time</text>\n";
}

void drawHistogram(std::string& svg, const DriveHistogram& histogram, int top) {
  const uint64_t* counts = histogram.counts;
  const uint64_t most = *std::max_element(counts, counts + DriveHistogram::kBuckets);
  uint64_t total = 0;
  const bool servedOnly = histogram.shown == DriveSet::Served;
  std::string heading = servedOnly ? "drive time per served block" : "drive time per block";
  if (servedOnly && histogram.leftOut != 0) {
    heading += "; " + std::to_string(histogram.leftOut) + " unserved block" +
               (histogram.leftOut == 1 ? "" : "s") + " not shown";
  } else if (!servedOnly) {
    heading += "; no block was served";
  }
  svg += "<text x=\"" + std::to_string(L::kPlotLeft) + "\" y=\"" + std::to_string(top - 18) +
         "\">" + heading + "</text>\n";
  const int base = top + kBarHeight;
  for (uint32_t i = 0; i < DriveHistogram::kBuckets; ++i) {
    total += counts[i];
    const int x = L::kPlotLeft + static_cast<int>(i) * kBarPitch;
    const std::string from = i == 0 ? "" : durationText(DriveHistogram::kUpperNs[i - 1]);
    const std::string range = i == 0 ? "below " + durationText(DriveHistogram::kUpperNs[0])
                              : i + 1 == DriveHistogram::kBuckets
                                  ? from + " and more"
                                  : from + " to " + durationText(DriveHistogram::kUpperNs[i]);
    const double height = most == 0 || counts[i] == 0
                              ? 0
                              : std::max(1.0, kBarHeight * static_cast<double>(counts[i]) / most);
    svg += "<rect class=\"bar\" x=\"" + std::to_string(x + 4) + "\" y=\"" + fixed(base - height) +
           "\" width=\"" + std::to_string(kBarPitch - 8) + "\" height=\"" + fixed(height) +
           "\" fill=\"#6a9a5b\"><title>" + range + ": " + std::to_string(counts[i]) +
           " blocks</title></rect>\n";
    if (counts[i] != 0) {
      svg += "<text x=\"" + std::to_string(x + kBarPitch / 2) + "\" y=\"" +
             fixed(base - height - 3) + "\" text-anchor=\"middle\" font-size=\"9\">" +
             std::to_string(counts[i]) + "</text>\n";
    }
    svg += "<text x=\"" + std::to_string(x + kBarPitch / 2) + "\" y=\"" +
           std::to_string(base + 14) + "\" text-anchor=\"middle\" font-size=\"9\">" +
           escaped(i == 0 ? "<" + durationText(DriveHistogram::kUpperNs[0])
                   : i + 1 == DriveHistogram::kBuckets ? "≥" + from
                                                       : from) +
           "</text>\n";
  }
  const int statsX = L::kPlotLeft + DriveHistogram::kBuckets * kBarPitch + 30;
  const std::string lines[] = {"p50 " + durationText(histogram.p50),
                               "p99 " + durationText(histogram.p99),
                               "max " + durationText(histogram.max),
                               std::to_string(total) + (servedOnly ? " served blocks" : " blocks")};
  for (int k = 0; k < 4; ++k) {
    svg += "<text x=\"" + std::to_string(statsX) + "\" y=\"" + std::to_string(top + 14 + 18 * k) +
           "\">" + escaped(lines[k]) + "</text>\n";
  }
}

}  // namespace

std::string markLabel(const Mark& mark) {
  switch (mark.kind) {
    case MarkKind::Play:
      return "play";
    case MarkKind::Stop:
      return "stop";
    case MarkKind::Locate:
      return "locate " + std::to_string(mark.value);
    case MarkKind::Tempo:
      return "tempo " + fixed(mark.value / 1000.0, 3);
    case MarkKind::AudioInfo:
      return std::to_string(mark.value) + " Hz/" + std::to_string(mark.detail);
    case MarkKind::HostPlay:
      return "host play";
    case MarkKind::HostStop:
      return "host stop";
    case MarkKind::HostReposition:
      return "host locate " + std::to_string(mark.value);
    case MarkKind::HostLoop:
      return mark.on ? "host loop on" : "host loop off";
    case MarkKind::LoopRestart:
      return "loop";
  }
  return "?";
}

std::string sessionSvg(const SessionPicture& picture, const PictureMarks& marks,
                       const DriveHistogram& histogram) {
  const int lanesBottom = L::kLanesTop + static_cast<int>(picture.channels()) * L::kLaneHeight;
  const int height = lanesBottom + L::kFooterHeight;
  // A run without blocks still gets its axis.
  const double axisSeconds = picture.seconds() > 0 ? picture.seconds() : 1;
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    std::to_string(L::kWidth) + "\" height=\"" + std::to_string(height) +
                    "\" viewBox=\"0 0 " + std::to_string(L::kWidth) + " " + std::to_string(height) +
                    "\" font-family=\"sans-serif\" font-size=\"11\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  std::string heading = "rwmixer session: " + std::to_string(picture.blocks()) + " blocks, " +
                        fixed(picture.seconds(), 3) + " s of mixer time";
  if (marks.dropped != 0) heading += ", " + std::to_string(marks.dropped) + " marks not recorded";
  svg += "<text x=\"10\" y=\"20\" font-size=\"13\">" + heading + "</text>\n";
  svg += std::string("<text x=\"") + std::to_string(L::kWidth - 10) +
         "\" y=\"20\" text-anchor=\"end\"><tspan fill=\"" + kScriptColour +
         "\">script</tspan>  <tspan fill=\"" + kHostColour +
         "\">host requests</tspan>  <tspan fill=\"" + kLoopColour +
         "\">loop restarts</tspan>  <tspan fill=\"#d08080\">not served</tspan></text>\n";
  for (uint32_t c = 0; c < picture.channels(); ++c) drawLane(svg, picture, c, axisSeconds);
  if (marks.marks != nullptr) drawMarks(svg, *marks.marks, axisSeconds, lanesBottom);
  drawTimeAxis(svg, axisSeconds, lanesBottom);
  drawHistogram(svg, histogram, lanesBottom + 70);
  svg += "</svg>\n";
  return svg;
}

}  // namespace tz::mixer
