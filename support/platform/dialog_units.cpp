#include "support/platform/dialog_units.h"

#include <algorithm>
#include <string>
#include <vector>

#include "support/platform/text_encoding.h"

namespace tz::platform {

namespace {

// Advances of ' ' to '~' at base width 6: the proportional dialog font at 8 points, each
// rounded up to a whole pixel so that an estimate errs towards "does not fit".
constexpr uint8_t kLatinAdvances[95] = {
    3,  2, 4, 6, 6, 9, 7, 2,  3, 3, 4, 6, 3, 3, 3, 3,  // space to /
    6,  6, 6, 6, 6, 6, 6, 6,  6, 6, 3, 3, 6, 6, 6, 6,  // 0 to ?
    11, 7, 7, 8, 8, 7, 6, 8,  8, 2, 5, 7, 6, 9, 8, 8,  // @ to O
    7,  8, 8, 7, 6, 8, 7, 11, 7, 7, 6, 3, 3, 3, 5, 6,  // P to _
    3,  6, 6, 5, 6, 6, 3, 6,  6, 2, 2, 5, 2, 8, 6, 6,  // ` to o
    6,  6, 3, 5, 3, 6, 5, 8,  5, 5, 5, 3, 2, 3, 6};    // p to ~

bool isWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
}

// Code points of text, surrogate pairs joined.
std::u32string codePoints(std::u16string_view text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) out.push_back(decodeUtf16(text, i));
  return out;
}

int width(std::u32string_view text, DialogBaseUnits base) {
  int total = 0;
  for (const char32_t c : text) total += characterAdvance(c, base);
  return total;
}

// Breaks one paragraph into lines: each piece is a word or a single wide character, with
// whether a space comes before it; a word too long for any line breaks between characters.
void breakParagraph(std::u32string_view text, int limit, DialogBaseUnits base,
                    std::vector<std::u32string>& lines) {
  const int space = characterAdvance(U' ', base);
  std::u32string line;
  int used = 0;
  const auto nextLine = [&] {
    lines.push_back(std::move(line));
    line.clear();
    used = 0;
  };
  size_t at = 0;
  while (at < text.size()) {
    bool spaced = false;
    while (at < text.size() && text[at] == U' ') spaced = true, ++at;
    if (at == text.size()) break;
    size_t end = at + 1;
    if (!isWide(text[at]))
      while (end < text.size() && text[end] != U' ' && !isWide(text[end])) ++end;
    const std::u32string_view word = text.substr(at, end - at);
    const int piece = width(word, base);
    const int gap = used > 0 && spaced ? space : 0;
    if (used > 0 && used + gap + piece > limit) {
      nextLine();
    } else if (gap > 0) {
      line.push_back(U' ');
      used += gap;
    }
    if (piece <= limit - used) {
      line.append(word);
      used += piece;
    } else {
      for (const char32_t c : word) {
        const int advance = characterAdvance(c, base);
        if (used > 0 && used + advance > limit) nextLine();
        line.push_back(c);
        used += advance;
      }
    }
    at = end;
  }
  lines.push_back(std::move(line));
}

std::u16string utf16(std::u32string_view text) {
  std::u16string out;
  for (const char32_t c : text) appendUtf16(c, out);
  return out;
}

}  // namespace

DialogBaseUnits dialogBaseUnits(int pointSize) {
  if (pointSize < 1) pointSize = 8;
  return {(pointSize * 6 + 4) / 8, (pointSize * 13 + 4) / 8};
}

int dialogUnitsToPixelsX(int units, DialogBaseUnits base) {
  const long long scaled = static_cast<long long>(units) * base.width;
  return static_cast<int>(scaled >= 0 ? (scaled + 2) / 4 : (scaled - 2) / 4);
}

int dialogUnitsToPixelsY(int units, DialogBaseUnits base) {
  const long long scaled = static_cast<long long>(units) * base.height;
  return static_cast<int>(scaled >= 0 ? (scaled + 4) / 8 : (scaled - 4) / 8);
}

int characterAdvance(char32_t c, DialogBaseUnits base) {
  if (c < 0x20 || c == 0x7F) return 0;
  if (isWide(c)) return 2 * base.width;
  const int at6 = c <= 0x7E ? kLatinAdvances[c - 0x20] : 6;
  return (at6 * base.width + 5) / 6;
}

std::u16string shownText(std::u16string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && ++i == text.size()) break;
    out.push_back(text[i]);
  }
  return out;
}

int shownTextWidth(std::u16string_view shown, DialogBaseUnits base) {
  return width(codePoints(shown), base);
}

int textWidth(std::u16string_view text, DialogBaseUnits base) {
  return shownTextWidth(shownText(text), base);
}

std::vector<std::u16string> wrappedLines(std::u16string_view text, int limit,
                                         DialogBaseUnits base) {
  const std::u32string all = codePoints(shownText(text));
  std::vector<std::u32string> lines;
  for (size_t start = 0;;) {
    const size_t end = std::min(all.find(U'\n', start), all.size());
    breakParagraph(std::u32string_view(all).substr(start, end - start), limit, base, lines);
    if (end == all.size()) break;
    start = end + 1;
  }
  std::vector<std::u16string> out;
  for (const std::u32string& line : lines) out.push_back(utf16(line));
  return out;
}

int wrappedLineCount(std::u16string_view text, int limit, DialogBaseUnits base) {
  return static_cast<int>(wrappedLines(text, limit, base).size());
}

}  // namespace tz::platform
