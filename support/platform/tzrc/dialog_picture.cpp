#include "support/platform/tzrc/dialog_picture.h"

#include <algorithm>

#include "support/platform/dialog_units.h"
#include "support/platform/text_encoding.h"

namespace tz::tzrc {

namespace {

using platform::DialogBaseUnits;
using platform::DialogClass;
using platform::DialogItem;
using platform::DialogTemplate;

constexpr uint32_t kCaption = 0x00C00000;  // WS_CAPTION
constexpr uint32_t kBorder = 0x00800000;   // WS_BORDER
constexpr uint32_t kClientEdge = 0x200;    // WS_EX_CLIENTEDGE
constexpr int kCaptionHeight = 18;         // the title bar, above the client area
constexpr int kCheckSize = 13;             // a check box's square, and its gap to the text
constexpr int kCheckGap = 4;
constexpr int kButtonMargin = 4;  // a push button's text to its edge, each side

enum class Look { Text, UnwrappedText, Icon, Edit, ComboBox, ListBox, Group, Push, Check, Other };

bool isClass(const DialogItem& item, DialogClass windowClass) {
  return item.windowClass.isOrdinal && item.windowClass.ordinal == uint16_t(windowClass);
}

Look lookOf(const DialogItem& item) {
  if (isClass(item, DialogClass::Static)) {
    switch (item.style & 0x1F) {
      case 0x0:  // SS_LEFT, SS_CENTER, SS_RIGHT wrap at words
      case 0x1:
      case 0x2:
        return Look::Text;
      case 0x3:
        return Look::Icon;
      case 0xB:  // SS_SIMPLE, SS_LEFTNOWORDWRAP
      case 0xC:
        return Look::UnwrappedText;
      default:
        return Look::Other;
    }
  }
  if (isClass(item, DialogClass::Edit)) return Look::Edit;
  if (isClass(item, DialogClass::ComboBox)) return Look::ComboBox;
  if (isClass(item, DialogClass::ListBox)) return Look::ListBox;
  if (isClass(item, DialogClass::Button)) {
    switch (item.style & 0xF) {
      case 0x0:  // BS_PUSHBUTTON, BS_DEFPUSHBUTTON
      case 0x1:
        return Look::Push;
      case 0x7:
        return Look::Group;
      case 0x2:  // check boxes, three-state boxes and radio buttons
      case 0x3:
      case 0x4:
      case 0x5:
      case 0x6:
      case 0x9:
        return Look::Check;
      default:
        return Look::Other;
    }
  }
  return Look::Other;
}

struct Box {
  int x, y, width, height;
};

Box pixelsOf(const DialogItem& item, DialogBaseUnits base, int top) {
  return {platform::dialogUnitsToPixelsX(item.x, base),
          top + platform::dialogUnitsToPixelsY(item.y, base),
          platform::dialogUnitsToPixelsX(item.cx, base),
          platform::dialogUnitsToPixelsY(item.cy, base)};
}

// The room the control gives its text; false when it shows none that we measure.
bool overflowOf(const DialogItem& item, DialogBaseUnits base, TextOverflow& overflow) {
  if (item.text.isOrdinal || item.text.name.empty()) return false;
  const Box box = pixelsOf(item, base, 0);
  const std::u16string& text = item.text.name;
  int needed = platform::textWidth(text, base);
  int available = 0;
  switch (lookOf(item)) {
    case Look::Text:
      needed = platform::wrappedLineCount(text, box.width, base) * base.height;
      available = std::max(box.height, base.height);
      break;
    case Look::UnwrappedText:
      available = box.width;
      break;
    case Look::Push:
      available = box.width - 2 * kButtonMargin;
      break;
    case Look::Check:
      available = box.width - kCheckSize - kCheckGap;
      break;
    case Look::Group:
      available = box.width - 2 * base.width;
      break;
    default:
      return false;
  }
  overflow = {item.id, text, needed, available};
  return needed > available;
}

std::string escaped(std::u16string_view text) {
  std::string out;
  for (const char c : platform::utf8FromUtf16(text)) {
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
        // Control characters are not allowed in XML 1.0.
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
  }
  return out;
}

std::u16string shownText(const DialogItem& item) {
  return item.text.isOrdinal ? std::u16string() : platform::shownText(item.text.name);
}

std::string n(int value) {
  return std::to_string(value);
}

std::string rect(Box box, const std::string& attributes) {
  return "<rect x=\"" + n(box.x) + "\" y=\"" + n(box.y) + "\" width=\"" + n(box.width) +
         "\" height=\"" + n(box.height) + "\" " + attributes + "/>";
}

// One line of text starting at x with its top at y; anchor is start, middle or end. The
// viewer's font stretches to the width the fit estimate gives the line, so the picture shows
// the room the text takes with the dialog's own font, not with whatever face the viewer has.
std::string label(int x, int y, DialogBaseUnits base, std::u16string_view text,
                  const char* anchor = "start") {
  const int width = platform::shownTextWidth(text, base);
  const std::string length =
      width > 0 ? " textLength=\"" + n(width) + "\" lengthAdjust=\"spacingAndGlyphs\"" : "";
  return "<text x=\"" + n(x) + "\" y=\"" + n(y + base.height - 3) + "\" text-anchor=\"" + anchor +
         "\"" + length + ">" + escaped(text) + "</text>";
}

// Wrapped static text, one <text> per line at the breaks the fit estimate counts. The text
// is the control's own, mnemonic marks included.
std::string wrappedText(Box box, DialogBaseUnits base, std::u16string_view text, uint32_t style) {
  const int x = (style & 0x3) == 1   ? box.x + box.width / 2
                : (style & 0x3) == 2 ? box.x + box.width
                                     : box.x;
  const char* anchor = (style & 0x3) == 1 ? "middle" : (style & 0x3) == 2 ? "end" : "start";
  std::string out;
  int y = box.y;
  for (const std::u16string& line : platform::wrappedLines(text, box.width, base)) {
    out += label(x, y, base, line, anchor);
    y += base.height;
  }
  return out;
}

std::string drawControl(const DialogItem& item, Box box, DialogBaseUnits base) {
  const std::u16string text = shownText(item);
  const int middle = box.y + (box.height - base.height) / 2;
  switch (lookOf(item)) {
    case Look::Text:
      return wrappedText(box, base, item.text.isOrdinal ? u"" : item.text.name, item.style);
    case Look::UnwrappedText:
      return label(box.x, box.y, base, text);
    case Look::Icon:
      return rect({box.x, box.y, std::max(box.width, 32), std::max(box.height, 32)},
                  "class=\"icon\" fill=\"#ddd\" stroke=\"#888\" stroke-dasharray=\"3 2\"");
    case Look::Edit:
      return rect(box, item.style & kBorder || item.exStyle & kClientEdge
                           ? "fill=\"#fff\" stroke=\"#7a7a7a\""
                           : "fill=\"#fff\" stroke=\"none\"") +
             label(box.x + 3, middle, base, text);
    case Look::ComboBox: {
      // Closed, a drop-down shows one line; the template's height is the open list's.
      const bool simple = (item.style & 0x3) == 1;
      const Box field{box.x, box.y, box.width, simple ? box.height : base.height + 8};
      const int button = field.height - 4;
      const Box arrow{field.x + field.width - button - 2, field.y + 2, button, button};
      const int cx = arrow.x + button / 2, cy = arrow.y + button / 2;
      return rect(field, "fill=\"#fff\" stroke=\"#7a7a7a\"") +
             rect(arrow, "fill=\"#e5e5e5\" stroke=\"#adadad\"") + "<path d=\"M" + n(cx - 4) + " " +
             n(cy - 2) + " L" + n(cx + 4) + " " + n(cy - 2) + " L" + n(cx) + " " + n(cy + 2) +
             " Z\" fill=\"#333\"/>";
    }
    case Look::ListBox:
      return rect(box, "fill=\"#fff\" stroke=\"#7a7a7a\"");
    case Look::Group: {
      const int top = box.y + base.height / 2;
      const int width = platform::textWidth(item.text.name, base);
      return rect({box.x, top, box.width, box.height - (top - box.y)},
                  "fill=\"none\" stroke=\"#c0c0c0\"") +
             rect({box.x + base.width - 2, box.y, width + 4, base.height},
                  "fill=\"#f0f0f0\" stroke=\"none\"") +
             label(box.x + base.width, box.y, base, text);
    }
    case Look::Push: {
      const bool isDefault = (item.style & 0xF) == 1;
      return rect(box, std::string("rx=\"2\" fill=\"#e1e1e1\" stroke=\"") +
                           (isDefault ? "#0078d7\" stroke-width=\"2\"" : "#adadad\"")) +
             label(box.x + box.width / 2, middle, base, text, "middle");
    }
    case Look::Check: {
      const bool radio = (item.style & 0xF) == 4 || (item.style & 0xF) == 9;
      const int top = box.y + (box.height - kCheckSize) / 2;
      const std::string mark =
          radio
              ? "<circle cx=\"" + n(box.x + kCheckSize / 2) + "\" cy=\"" + n(top + kCheckSize / 2) +
                    "\" r=\"" + n(kCheckSize / 2) + "\" fill=\"#fff\" stroke=\"#333\"/>"
              : rect({box.x, top, kCheckSize, kCheckSize}, "fill=\"#fff\" stroke=\"#333\"");
      return mark + label(box.x + kCheckSize + kCheckGap, middle, base, text);
    }
    case Look::Other:
      break;
  }
  // A class we do not draw: its outline, with its name when it has one.
  const std::u16string& name = item.windowClass.isOrdinal ? text : item.windowClass.name;
  return rect(box, "fill=\"none\" stroke=\"#888\" stroke-dasharray=\"4 2\"") +
         label(box.x + 2, box.y, base, name);
}

}  // namespace

std::vector<TextOverflow> textOverflows(const DialogTemplate& dialog) {
  const DialogBaseUnits base = platform::dialogBaseUnits(dialog.font.pointSize);
  std::vector<TextOverflow> found;
  for (const DialogItem& item : dialog.items)
    if (TextOverflow overflow; overflowOf(item, base, overflow)) found.push_back(overflow);
  return found;
}

std::string dialogSvg(const DialogTemplate& dialog) {
  const DialogBaseUnits base = platform::dialogBaseUnits(dialog.font.pointSize);
  const int width = std::max(1, platform::dialogUnitsToPixelsX(dialog.cx, base));
  const int client = std::max(1, platform::dialogUnitsToPixelsY(dialog.cy, base));
  const int top = (dialog.style & kCaption) == kCaption ? kCaptionHeight : 0;
  const std::string face = dialog.font.typeface.empty() ? "" : escaped(dialog.font.typeface) + ", ";
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + n(width) +
                    "\" height=\"" + n(top + client) + "\" font-family=\"" + face +
                    "Tahoma, sans-serif\" font-size=\"" + n(base.height - 2) + "px\">\n";
  svg +=
      rect({0, 0, width, top + client}, "class=\"dialog\" fill=\"#f0f0f0\" stroke=\"#888\"") + "\n";
  if (top > 0)
    svg += rect({0, 0, width, top}, "fill=\"#fff\" stroke=\"#888\"") +
           label(6, (top - base.height) / 2, base, dialog.title) + "\n";
  for (size_t index = 0; index < dialog.items.size(); ++index) {
    const DialogItem& item = dialog.items[index];
    const Box box = pixelsOf(item, base, top);
    TextOverflow overflow;
    const bool overflows = overflowOf(item, base, overflow);
    // A control draws nothing outside its rectangle, so text that does not fit shows cut, as
    // it would on screen; an icon control takes the icon's size, so it is not clipped.
    const std::string clip = "clip" + n(static_cast<int>(index));
    const bool clipped = lookOf(item) != Look::Icon;
    svg += "<g class=\"control\" data-id=\"" + n(static_cast<int32_t>(item.id)) + "\">" +
           rect(box, std::string("class=\"bounds\" fill=\"none\" stroke=\"") +
                         (overflows ? "red\"" : "none\"")) +
           (clipped ? "<clipPath id=\"" + clip + "\">" + rect(box, "") +
                          "</clipPath><g clip-path=\"url(#" + clip + ")\">"
                    : "<g>") +
           drawControl(item, box, base) + "</g></g>\n";
  }
  return svg + "</svg>\n";
}

}  // namespace tz::tzrc
