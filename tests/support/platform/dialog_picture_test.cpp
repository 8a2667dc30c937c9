// Dialog units to pixels, the text estimate, the SVG picture's rectangles, and the property
// page as every language's script defines it: the same controls, and texts that fit.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>

#include "support/platform/dialog_template.h"
#include "support/platform/dialog_units.h"
#include "support/platform/resource_directory.h"
#include "support/platform/text_encoding.h"
#include "support/platform/tzrc/dialog_picture.h"
#include "support/platform/tzrc/resource_compiler.h"

namespace {

using tz::platform::DialogBaseUnits;
using tz::platform::DialogTemplate;
using tz::platform::NameOrOrdinal;

DialogTemplate pageIn(const std::string& script, uint16_t language) {
  const std::vector<uint8_t> bytes =
      tz::tzrc::compileScripts({std::string(TZ_REWIRE_RESOURCES) + "/" + script});
  const tz::platform::ResourceDirectory directory(bytes.data(), bytes.size());
  const auto* entry = directory.find(tz::platform::ResourceKey::id(5),
                                     tz::platform::ResourceKey::id(1368), language);
  DialogTemplate dialog;
  EXPECT_NE(nullptr, entry) << script;
  if (entry != nullptr) {
    EXPECT_EQ(tz::platform::DialogTemplateStatus::Ok,
              readDialogTemplate(directory.data(*entry), entry->size, dialog));
  }
  return dialog;
}

TEST(DialogUnits, BaseUnitsScaleWithThePointSizeAndConvertAsMulDivRounds) {
  const DialogBaseUnits eight = tz::platform::dialogBaseUnits(8);
  EXPECT_EQ(6, eight.width);
  EXPECT_EQ(13, eight.height);
  EXPECT_EQ(13, tz::platform::dialogBaseUnits(0).height) << "no size counts as 8 points";
  EXPECT_EQ(375, tz::platform::dialogUnitsToPixelsX(250, eight));
  EXPECT_EQ(180, tz::platform::dialogUnitsToPixelsY(111, eight));
  EXPECT_EQ(11, tz::platform::dialogUnitsToPixelsX(7, eight)) << "10.5 rounds up";
  EXPECT_EQ(-11, tz::platform::dialogUnitsToPixelsX(-7, eight)) << "and -10.5 down";

  // Mnemonic marks take no room, "&&" shows one "&"; ideographs are two base widths.
  EXPECT_EQ(tz::platform::textWidth(u"Ab", eight), tz::platform::textWidth(u"&Ab", eight));
  EXPECT_EQ(7, tz::platform::textWidth(u"&&", eight));
  EXPECT_EQ(0, tz::platform::textWidth(u"&", eight)) << "a mark with nothing to mark";
  EXPECT_EQ(36, tz::platform::textWidth(u"優先度", eight));
  EXPECT_EQ(12, tz::platform::textWidth(u"\U00020B9F", eight)) << "a surrogate pair is one";
  EXPECT_EQ(1, tz::platform::wrappedLineCount(u"one two", 100, eight));
  EXPECT_EQ(2, tz::platform::wrappedLineCount(u"one two", 30, eight));
  EXPECT_EQ(3, tz::platform::wrappedLineCount(u"優先度優先度", 30, eight));
  EXPECT_EQ(2, tz::platform::wrappedLineCount(u"a\nb", 100, eight));
}

TEST(DialogPicture, ControlsSitAtTheirPixelRectanglesAndOverflowIsReported) {
  DialogTemplate dialog;
  dialog.style = 0x00C00040;  // WS_CAPTION | DS_SETFONT: the client area starts 18 lower
  dialog.cx = 100;
  dialog.cy = 50;
  dialog.font.pointSize = 8;
  dialog.title = u"<Title & more>";
  auto control = [](uint16_t windowClass, uint32_t style, std::u16string text, uint32_t id,
                    int16_t x, int16_t cx) {
    return tz::platform::DialogItem{
        0, 0, style, x, 4, cx, 8, id, NameOrOrdinal::of(windowClass), NameOrOrdinal::of(text), {}};
  };
  dialog.items = {
      control(0x82, 0, u"&Fits", 1, 2, 20),
      control(0x82, 0, u"Far too long for eight units", 2, 2, 8),
      control(0x80, 7, u"Group", 3, 30, 30),
      control(0x80, 3, u"Check box text", 4, 30, 20),
      control(0x85, 3, u"", 5, 60, 36),
      control(0x81, 0x800000, u"", 6, 60, 36),
      control(0x80, 1, u"OK", 7, 60, 36),
  };
  const auto overflows = tz::tzrc::textOverflows(dialog);
  ASSERT_EQ(2u, overflows.size());
  EXPECT_EQ(2u, overflows[0].id);
  EXPECT_EQ(13, overflows[0].available) << "one line of a static text 8 units high";
  EXPECT_EQ(4u, overflows[1].id);

  const std::string svg = tz::tzrc::dialogSvg(dialog);
  EXPECT_NE(std::string::npos, svg.find("width=\"150\" height=\"99\"")) << svg;
  EXPECT_NE(std::string::npos, svg.find("&lt;Title &amp; more&gt;"));
  // Each control's group and its bounds, as "x,y widthxheight stroke".
  std::map<int, std::string> found;
  for (size_t at = svg.find("data-id=\""); at != std::string::npos;
       at = svg.find("data-id=\"", at + 1)) {
    int id = 0, x = 0, y = 0, width = 0, height = 0;
    char stroke[8] = {};
    ASSERT_EQ(6, sscanf(svg.c_str() + at,
                        "data-id=\"%d\"><rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" "
                        "class=\"bounds\" fill=\"none\" stroke=\"%7[a-z]\"",
                        &id, &x, &y, &width, &height, stroke))
        << svg.substr(at, 120);
    found[id] = std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
                std::to_string(height) + " " + stroke;
  }
  const std::map<int, std::string> expected = {{1, "3,25 30x13 none"},  {2, "3,25 12x13 red"},
                                               {3, "45,25 45x13 none"}, {4, "45,25 30x13 red"},
                                               {5, "90,25 54x13 none"}, {6, "90,25 54x13 none"},
                                               {7, "90,25 54x13 none"}};
  EXPECT_EQ(expected, found);
  // A text is drawn at the width the estimate gives it (F, i, t and s are 6, 2, 3 and 5
  // pixels), and a control is cut at its rectangle, so the text that does not fit shows cut.
  EXPECT_NE(std::string::npos,
            svg.find("textLength=\"16\" lengthAdjust=\"spacingAndGlyphs\">Fits</text>"));
  const size_t tooLong = svg.find("data-id=\"2\"");
  EXPECT_NE(std::string::npos,
            svg.find("<clipPath id=\"clip1\"><rect x=\"3\" y=\"25\" width=\"12\" height=\"13\" "
                     "/></clipPath><g clip-path=\"url(#clip1)\"><text",
                     tooLong))
      << svg;
}

TEST(DialogPicture, ThePropertyPageHasTheSameControlsInEveryLanguageAndItsTextsFit) {
  const DialogTemplate english = pageIn("LoopraReWire.rc", 0x0409);
  EXPECT_EQ(0x46000040u, english.style);
  EXPECT_EQ(0x10000u, english.exStyle);
  EXPECT_EQ((std::array<int16_t, 4>{0, 0, 250, 111}),
            (std::array{english.x, english.y, english.cx, english.cy}));
  EXPECT_EQ(u"MS Sans Serif", english.font.typeface);
  EXPECT_EQ(8, english.font.pointSize);
  EXPECT_EQ(u"", english.title);
  const struct {
    uint32_t id;
    uint16_t windowClass;
    uint32_t style;
    std::array<int16_t, 4> box;
    std::u16string text;
  } controls[] = {
      {1253, 0x82, 0x50020000, {7, 10, 123, 8}, u"&Number of extra stereo ports: (Max 26)"},
      {1251, 0x81, 0x50810080, {133, 7, 37, 14}, u""},
      {1254, 0x82, 0x50020000, {7, 28, 123, 8}, u"Number of extra &mono ports: (Max 32)"},
      {1255, 0x81, 0x50810080, {133, 25, 37, 14}, u""},
      {1003, 0x82, 0x50020000, {7, 54, 90, 8}, u"Priorit&y"},
      {1007, 0x85, 0x50210043, {109, 52, 134, 70}, u""},
      {0xFFFFFFFF,
       0x82,
       0x50020000,
       {7, 83, 229, 21},
       u"Note: These changes will be available after a restart of the ReWire Mixer "
       u"application."},
  };
  ASSERT_EQ(std::size(controls), english.items.size());
  for (size_t i = 0; i < english.items.size(); ++i) {
    const auto& item = english.items[i];
    EXPECT_EQ(controls[i].id, item.id);
    EXPECT_EQ(NameOrOrdinal::of(controls[i].windowClass), item.windowClass) << item.id;
    EXPECT_EQ(controls[i].style, item.style) << item.id;
    EXPECT_EQ(controls[i].box, (std::array{item.x, item.y, item.cx, item.cy})) << item.id;
    EXPECT_EQ(NameOrOrdinal::of(controls[i].text), item.text) << item.id;
  }
  EXPECT_TRUE(tz::tzrc::textOverflows(english).empty());

  for (const auto& [script, language] :
       {std::pair{"LoopraReWire_DEU.rc", 0x0407}, std::pair{"LoopraReWire_JPN.rc", 0x0411}}) {
    DialogTemplate translated = pageIn(script, static_cast<uint16_t>(language));
    for (const auto& overflow : tz::tzrc::textOverflows(translated))
      ADD_FAILURE() << script << ": control " << overflow.id << " needs " << overflow.needed
                    << " pixels, has " << overflow.available;
    ASSERT_EQ(english.items.size(), translated.items.size()) << script;
    for (size_t i = 0; i < english.items.size(); ++i) {
      EXPECT_EQ(english.items[i].text.name.empty(), translated.items[i].text.name.empty());
      if (!english.items[i].text.name.empty()) {
        EXPECT_NE(english.items[i].text, translated.items[i].text) << script << " " << i;
      }
      translated.items[i].text = english.items[i].text;
    }
    EXPECT_EQ(english, translated) << script << ": only the texts differ";
  }
}

}  // namespace
