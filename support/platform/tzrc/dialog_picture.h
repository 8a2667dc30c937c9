// A dialog template drawn as an SVG picture, each control as its class looks, at the pixel
// size dialog_units.h gives the template's font; and the texts that would not fit their
// controls by the same estimate. For looking at a dialog in every language without a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/platform/dialog_template.h"

namespace tz::tzrc {

struct TextOverflow {
  uint32_t id;          // the control's id
  std::u16string text;  // as the template holds it
  int needed;           // pixels the text needs: its width, or for wrapped text its height
  int available;        // pixels the control offers in that direction
};

// Controls whose text, estimated as dialog_units.h does, is wider (or, wrapped, taller) than
// the room the control gives it. Texts that are ordinals (icons) are not looked at.
std::vector<TextOverflow> textOverflows(const platform::DialogTemplate& dialog);

// The picture: the dialog's client area (with a caption bar above it when the style has
// WS_CAPTION), and per control a group `<g class="control" data-id="ID">` whose first element
// is `<rect class="bounds" x= y= width= height=>`, the control's rectangle in pixels. A
// control whose text overflows is outlined in red.
std::string dialogSvg(const platform::DialogTemplate& dialog);

}  // namespace tz::tzrc
