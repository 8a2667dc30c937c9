// The abbreviated names of the languages in their main country (sub-language 1), the other
// forms of Chinese and Portuguese, and the English and German variants hosts meet most.
#include "support/platform/language_names.h"

namespace tz::platform {

namespace {

struct LanguageName {
  uint16_t language;
  std::string_view name;
};

constexpr LanguageName kNames[] = {
    {0x0401, "ARA"}, {0x0402, "BGR"}, {0x0403, "CAT"}, {0x0404, "CHT"}, {0x0405, "CSY"},
    {0x0406, "DAN"}, {0x0407, "DEU"}, {0x0408, "ELL"}, {0x0409, "ENU"}, {0x040A, "ESP"},
    {0x040B, "FIN"}, {0x040C, "FRA"}, {0x040D, "HEB"}, {0x040E, "HUN"}, {0x040F, "ISL"},
    {0x0410, "ITA"}, {0x0411, "JPN"}, {0x0412, "KOR"}, {0x0413, "NLD"}, {0x0414, "NOR"},
    {0x0415, "PLK"}, {0x0416, "PTB"}, {0x0417, "RMC"}, {0x0418, "ROM"}, {0x0419, "RUS"},
    {0x041A, "HRV"}, {0x041B, "SKY"}, {0x041C, "SQI"}, {0x041D, "SVE"}, {0x041E, "THA"},
    {0x041F, "TRK"}, {0x0420, "URD"}, {0x0421, "IND"}, {0x0422, "UKR"}, {0x0423, "BEL"},
    {0x0424, "SLV"}, {0x0425, "ETI"}, {0x0426, "LVI"}, {0x0427, "LTH"}, {0x0429, "FAR"},
    {0x042A, "VIT"}, {0x042B, "HYE"}, {0x042C, "AZE"}, {0x042D, "EUQ"}, {0x042F, "MKI"},
    {0x0436, "AFK"}, {0x0437, "KAT"}, {0x0438, "FOS"}, {0x0439, "HIN"}, {0x043E, "MSL"},
    {0x043F, "KKZ"}, {0x0441, "SWK"}, {0x0443, "UZB"}, {0x0444, "TTT"}, {0x0456, "GLC"},
    {0x0804, "CHS"}, {0x0807, "DES"}, {0x0809, "ENG"}, {0x080A, "ESM"}, {0x080C, "FRB"},
    {0x0810, "ITS"}, {0x0813, "NLB"}, {0x0816, "PTG"}, {0x0C07, "DEA"}, {0x0C09, "ENA"},
    {0x0C0A, "ESN"}, {0x0C0C, "FRC"}, {0x1009, "ENC"},
};

}  // namespace

std::string_view abbreviatedLanguageName(uint32_t locale) {
  const uint32_t language = locale & 0xFFFF;
  for (const LanguageName& entry : kNames)
    if (entry.language == language) return entry.name;
  return {};
}

}  // namespace tz::platform
