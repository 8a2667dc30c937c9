#include "support/platform/tzrc/system_constants.h"

namespace tz::tzrc {

namespace {

constexpr SystemConstant kConstants[] = {
    {"LANG_NEUTRAL", 0x00},
    {"LANG_ARABIC", 0x01},
    {"LANG_BULGARIAN", 0x02},
    {"LANG_CATALAN", 0x03},
    {"LANG_CHINESE", 0x04},
    {"LANG_CZECH", 0x05},
    {"LANG_DANISH", 0x06},
    {"LANG_GERMAN", 0x07},
    {"LANG_GREEK", 0x08},
    {"LANG_ENGLISH", 0x09},
    {"LANG_SPANISH", 0x0A},
    {"LANG_FINNISH", 0x0B},
    {"LANG_FRENCH", 0x0C},
    {"LANG_HEBREW", 0x0D},
    {"LANG_HUNGARIAN", 0x0E},
    {"LANG_ICELANDIC", 0x0F},
    {"LANG_ITALIAN", 0x10},
    {"LANG_JAPANESE", 0x11},
    {"LANG_KOREAN", 0x12},
    {"LANG_DUTCH", 0x13},
    {"LANG_NORWEGIAN", 0x14},
    {"LANG_POLISH", 0x15},
    {"LANG_PORTUGUESE", 0x16},
    {"LANG_ROMANIAN", 0x18},
    {"LANG_RUSSIAN", 0x19},
    {"LANG_CROATIAN", 0x1A},
    {"LANG_SLOVAK", 0x1B},
    {"LANG_SWEDISH", 0x1D},
    {"LANG_THAI", 0x1E},
    {"LANG_TURKISH", 0x1F},
    {"LANG_UKRAINIAN", 0x22},
    {"LANG_PERSIAN", 0x29},

    {"SUBLANG_NEUTRAL", 0x00},
    {"SUBLANG_DEFAULT", 0x01},
    {"SUBLANG_SYS_DEFAULT", 0x02},
    {"SUBLANG_ENGLISH_US", 0x01},
    {"SUBLANG_ENGLISH_UK", 0x02},
    {"SUBLANG_ENGLISH_AUS", 0x03},
    {"SUBLANG_ENGLISH_CAN", 0x04},
    {"SUBLANG_GERMAN", 0x01},
    {"SUBLANG_GERMAN_SWISS", 0x02},
    {"SUBLANG_GERMAN_AUSTRIAN", 0x03},
    {"SUBLANG_JAPANESE_JAPAN", 0x01},
    {"SUBLANG_FRENCH", 0x01},
    {"SUBLANG_FRENCH_BELGIAN", 0x02},
    {"SUBLANG_FRENCH_CANADIAN", 0x03},
    {"SUBLANG_SPANISH", 0x01},
    {"SUBLANG_SPANISH_MODERN", 0x03},
    {"SUBLANG_ITALIAN", 0x01},
    {"SUBLANG_CHINESE_TRADITIONAL", 0x01},
    {"SUBLANG_CHINESE_SIMPLIFIED", 0x02},
    {"SUBLANG_PORTUGUESE_BRAZILIAN", 0x01},
    {"SUBLANG_PORTUGUESE", 0x02},
    {"SUBLANG_KOREAN", 0x01},
    {"SUBLANG_DUTCH", 0x01},
    {"SUBLANG_SWEDISH", 0x01},
    {"SUBLANG_RUSSIAN_RUSSIA", 0x01},
    {"SUBLANG_ARABIC_SAUDI_ARABIA", 0x01},
    {"SUBLANG_HEBREW_ISRAEL", 0x01},
};

}  // namespace

std::span<const SystemConstant> systemConstants() {
  return kConstants;
}

}  // namespace tz::tzrc
