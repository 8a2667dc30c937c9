// Plain wave formats for the audio suites.
#pragma once

#include "tz/wave_format.h"

inline WAVEFORMATEX plainFormat(TZSAMPLETYPE type, WORD channels) {
  WAVEFORMATEX f;
  TzAudio_InitWfx(&f, 48000, type, channels);
  return f;
}
