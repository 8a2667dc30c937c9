// The session picture as SVG text: a lane per channel with its waveform over mixer time, the
// transport marks across the lanes, and the histogram of drive times. Plain text, drawn after
// the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standins/rwmixer/session_marks.h"
#include "standins/rwmixer/session_picture.h"

namespace tz::mixer {

// The geometry, in pixels: lanes of kLaneHeight from kLanesTop, the time axis from kPlotLeft
// over kPlotWidth; the histogram and the axis take kFooterHeight below the lanes.
struct SvgLayout {
  static constexpr int kWidth = 1200;
  static constexpr int kPlotLeft = 110;
  static constexpr int kPlotWidth = 1060;
  static constexpr int kLanesTop = 80;
  static constexpr int kLaneHeight = 60;
  static constexpr int kFooterHeight = 220;
};

struct PictureMarks {
  const std::vector<Mark>* marks = nullptr;
  uint64_t dropped = 0;  // marks past the log's capacity
};

// Mixer time maps to x linearly over the picture's seconds. Every lane, mark and histogram
// bar is a group or element with class "lane", "mark" or "bar", and a <title> that says what
// it shows.
std::string sessionSvg(const SessionPicture& picture, const PictureMarks& marks,
                       const DriveHistogram& histogram);

// The mark's label as drawn over the lanes: "play", "tempo 90", "host loop on", ...
std::string markLabel(const Mark& mark);

}  // namespace tz::mixer
