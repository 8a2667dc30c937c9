// The screen's cells under one lock, with each call passed on to the backend's device.
// Positions are computed in 64 bits, since callers may draw anywhere in the 32-bit plane and
// far outside the clip box.
#include "support/platform/screen.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "support/platform/screen_device.h"
#include "support/platform/text_encoding.h"

namespace tz::platform {
namespace {

constexpr int64_t kLargestSide = 8192;

struct VirtualScreen {
  std::mutex lock;
  ScreenRect clip = screen_device::initialClipBox();
  int64_t columns = 0;
  int64_t rows = 0;
  std::vector<ScreenCell> cells;
  bool mirrorOpen = false;  // a mirrored row waits for its line end
  int64_t mirrorRow = 0;

  void resize(const ScreenRect& box) {
    clip = box;
    columns = (int64_t{box.right} - box.left + kCellWidth - 1) / kCellWidth;
    rows = (int64_t{box.bottom} - box.top + kCellHeight - 1) / kCellHeight;
    cells.assign(static_cast<size_t>(columns * rows), ScreenCell{0, ScreenFill::None});
  }
  ScreenCell* cell(int64_t column, int64_t row) {
    if (column < 0 || row < 0 || column >= columns || row >= rows) return nullptr;
    return &cells[static_cast<size_t>(row * columns + column)];
  }
};

VirtualScreen& screen() {
  static VirtualScreen* instance = [] {
    auto* made = new VirtualScreen;  // never destroyed: drawing may happen during exit
    made->resize(made->clip);
    return made;
  }();
  return *instance;
}

int64_t floorDiv(int64_t a, int64_t b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

void paint(ScreenCell* cell, ScreenFill fill) {
  if (cell != nullptr) *cell = ScreenCell{0, fill};
}

// The pixel row y from column pixel left up to right, every cell it passes through.
void paintLine(VirtualScreen& s, int64_t y, int64_t left, int64_t right, ScreenFill fill) {
  const int64_t row = floorDiv(y - s.clip.top, kCellHeight);
  const int64_t first = std::max<int64_t>(0, floorDiv(left - s.clip.left, kCellWidth));
  const int64_t last = std::min(s.columns - 1, floorDiv(right - 1 - s.clip.left, kCellWidth));
  for (int64_t column = first; column <= last; ++column) paint(s.cell(column, row), fill);
}

void paintColumn(VirtualScreen& s, int64_t x, int64_t top, int64_t bottom, ScreenFill fill) {
  const int64_t column = floorDiv(x - s.clip.left, kCellWidth);
  const int64_t first = std::max<int64_t>(0, floorDiv(top - s.clip.top, kCellHeight));
  const int64_t last = std::min(s.rows - 1, floorDiv(bottom - 1 - s.clip.top, kCellHeight));
  for (int64_t row = first; row <= last; ++row) paint(s.cell(column, row), fill);
}

// Calls visit(character) for each character of UTF-8 text until it returns false; a malformed
// byte is one U+FFFD, as a font shows an unknown glyph.
template <typename Visit>
void forEachCharacter(std::string_view text, Visit visit) {
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    if (!decodeUtf8(text, i, c)) {
      c = 0xFFFD;
      ++i;
    }
    if (!visit(c)) return;
  }
}

void mirror(VirtualScreen& s, int64_t row, std::string_view text) {
  const char* wanted = getenv("TZ_DEBUG_SCREEN_STDERR");
  if (wanted == nullptr || std::strcmp(wanted, "1") != 0) return;
  if (s.mirrorOpen && row != s.mirrorRow) std::fputc('\n', stderr);
  s.mirrorOpen = true;
  s.mirrorRow = row;
  std::fwrite(text.data(), 1, text.size(), stderr);  // nobody reads: fine
}

}  // namespace

ScreenContext::ScreenContext() {
  screen().lock.lock();
  screen_device::begin();
}

ScreenContext::~ScreenContext() {
  screen_device::end();
  screen().lock.unlock();
}

ScreenRect ScreenContext::clipBox() const {
  return screen().clip;
}

int32_t ScreenContext::textWidth(std::string_view text) const {
  int64_t width = 0;
  forEachCharacter(text, [&](char32_t) {
    width += kCellWidth;
    return width < INT32_MAX;
  });
  return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
}

void ScreenContext::fill(const ScreenRect& rect, ScreenFill fill) {
  screen_device::fill(rect, fill);
  VirtualScreen& s = screen();
  // The cells whose centre pixel lies within rect.
  auto firstCentreFrom = [](int64_t edge, int64_t origin, int64_t size) {
    return -floorDiv(-(edge - origin - size / 2), size);
  };
  const int64_t left = firstCentreFrom(rect.left, s.clip.left, kCellWidth);
  const int64_t right = firstCentreFrom(rect.right, s.clip.left, kCellWidth);
  const int64_t top = firstCentreFrom(rect.top, s.clip.top, kCellHeight);
  const int64_t bottom = firstCentreFrom(rect.bottom, s.clip.top, kCellHeight);
  for (int64_t row = std::max<int64_t>(top, 0); row < std::min(bottom, s.rows); ++row)
    for (int64_t column = std::max<int64_t>(left, 0); column < std::min(right, s.columns); ++column)
      paint(s.cell(column, row), fill);
}

void ScreenContext::frame(const ScreenRect& rect, ScreenFill fill) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  screen_device::frame(rect, fill);
  VirtualScreen& s = screen();
  paintLine(s, rect.top, rect.left, rect.right, fill);
  paintLine(s, int64_t{rect.bottom} - 1, rect.left, rect.right, fill);
  paintColumn(s, rect.left, rect.top, rect.bottom, fill);
  paintColumn(s, int64_t{rect.right} - 1, rect.top, rect.bottom, fill);
}

void ScreenContext::drawText(int32_t x, int32_t y, std::string_view text) {
  VirtualScreen& s = screen();
  const int64_t row = floorDiv(int64_t{y} + kCellHeight / 2 - s.clip.top, kCellHeight);
  mirror(s, row, text);
  std::u16string wide;
  forEachCharacter(text, [&wide](char32_t c) {
    appendUtf16(c, wide);
    return true;
  });
  screen_device::drawText(x, y, wide);
  if (row < 0 || row >= s.rows) return;
  int64_t centre = int64_t{x} + kCellWidth / 2 - s.clip.left;
  forEachCharacter(text, [&](char32_t c) {
    if (ScreenCell* cell = s.cell(floorDiv(centre, kCellWidth), row)) cell->character = c;
    centre += kCellWidth;
    return centre < s.columns * kCellWidth;  // the rest lies right of the screen
  });
}

bool resetScreen(const ScreenRect& clipBox) {
  const int64_t width = int64_t{clipBox.right} - clipBox.left;
  const int64_t height = int64_t{clipBox.bottom} - clipBox.top;
  if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide) return false;
  VirtualScreen& s = screen();
  const std::lock_guard<std::mutex> hold(s.lock);
  s.resize(clipBox);
  s.mirrorOpen = false;
  return true;
}

ScreenCell screenCell(int32_t column, int32_t row) {
  VirtualScreen& s = screen();
  const std::lock_guard<std::mutex> hold(s.lock);
  const ScreenCell* cell = s.cell(column, row);
  return cell != nullptr ? *cell : ScreenCell{0, ScreenFill::None};
}

}  // namespace tz::platform
