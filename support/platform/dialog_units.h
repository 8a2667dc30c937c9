// Dialog units to pixels, and an estimate of how wide a text is drawn, for everything that
// lays out a dialog template without a real font: the headless window layer and the resource
// compiler's pictures use these same numbers, so a text that fits in one fits in the other.
//
// The base units stand for the template's font at 96 dots per inch: MS Shell Dlg or MS Sans
// Serif at 8 points has an average character 6 pixels wide and 13 high, and other sizes scale
// with the point size (rounded to nearest; the face is not looked at, a size below 1 counts
// as 8). A horizontal dialog unit is a quarter of the base width, a vertical one an eighth
// of the base height, rounded as MulDiv rounds (half away from zero).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tz::platform {

struct DialogBaseUnits {
  int width;   // pixels of the average character
  int height;  // pixels of a line
};

DialogBaseUnits dialogBaseUnits(int pointSize);
int dialogUnitsToPixelsX(int units, DialogBaseUnits base);
int dialogUnitsToPixelsY(int units, DialogBaseUnits base);

// The advance of one character in pixels: a fixed table of the proportional dialog font's
// Latin widths at base width 6, scaled to base.width; ideographs, kana, Hangul and full-width
// forms are two base widths. Control characters advance nothing.
int characterAdvance(char32_t c, DialogBaseUnits base);
// The text a control shows: "&x" shows x (the mark underlines the mnemonic) and "&&" one "&".
std::u16string shownText(std::u16string_view text);
// The width of text as a control draws it: "&x" shows x (the mnemonic's mark takes no
// room) and "&&" shows one "&".
int textWidth(std::u16string_view text, DialogBaseUnits base);
// The width of text that is already as shown (no mnemonic marks to take out).
int shownTextWidth(std::u16string_view shown, DialogBaseUnits base);
// The lines text takes when wrapped into width pixels the way a static control wraps: at
// spaces, or between any two characters of a run with no space that is too long by itself
// (ideographic text has none). Explicit line breaks start a new line.
int wrappedLineCount(std::u16string_view text, int width, DialogBaseUnits base);
// Those lines as shown (mnemonic marks taken out), for drawing them.
std::vector<std::u16string> wrappedLines(std::u16string_view text, int width, DialogBaseUnits base);

}  // namespace tz::platform
