// The base GUID from which the known extensible sub-formats are derived, shared by the
// classifiers and the builder.
#pragma once

#include "tz/wave_format.h"

namespace tz::audio {

// Extra bytes after WAVEFORMATEX that make a record extensible.
constexpr WORD kExtensibleExtraBytes = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);

// The base GUID with a format tag as its whole first field.
constexpr GUID subFormatForTag(WORD tag) {
  return {tag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

// True when the GUID is the base one apart from the low 16 bits of its first field, which
// then hold a format tag.
constexpr bool isDerivedSubFormat(const GUID& g) {
  const GUID base = subFormatForTag(0);
  return (g.Data1 >> 16) == 0 && g.Data2 == base.Data2 && g.Data3 == base.Data3 &&
         g.Data4[0] == base.Data4[0] && g.Data4[1] == base.Data4[1] &&
         g.Data4[2] == base.Data4[2] && g.Data4[3] == base.Data4[3] &&
         g.Data4[4] == base.Data4[4] && g.Data4[5] == base.Data4[5] &&
         g.Data4[6] == base.Data4[6] && g.Data4[7] == base.Data4[7];
}

}  // namespace tz::audio
