// The per-format table of SMPTE time code.
#include "support/time/smpte_formats.h"

namespace tz::time {
namespace {

// Indexed by code; entry 0 stands for every code outside 1..6.
constexpr SmpteFormat kFormats[] = {
    {30, 30.0, 2589408, false, false},
    {30, 30.0, 2592000, true, false},              // TZSMPTE_FMT_30
    {30, 30000.0 / 1001.0, 2589408, true, true},   // TZSMPTE_FMT_2997_DROP
    {25, 25.0, 2160000, true, false},              // TZSMPTE_FMT_25
    {24, 24.0, 2073600, true, false},              // TZSMPTE_FMT_24
    {30, 30000.0 / 1001.0, 2592000, true, false},  // TZSMPTE_FMT_2997
    {24, 24000.0 / 1001.0, 2073600, true, false},  // TZSMPTE_FMT_23976
};
static_assert(sizeof kFormats / sizeof kFormats[0] == TZSMPTE_FMT_23976 + 1);

}  // namespace

const SmpteFormat& smpteFormat(DWORD code) {
  return code >= TZSMPTE_FMT_30 && code <= TZSMPTE_FMT_23976 ? kFormats[code] : kFormats[0];
}

}  // namespace tz::time
