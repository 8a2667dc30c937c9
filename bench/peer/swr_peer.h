// The peer conversion library (libswresample) set up as a plain packed mono format copy: same
// rate in and out, so it converts without resampling, for the benchmark only.
#pragma once

#include "tz/wave_format.h"

struct SwrContext;

namespace tz::bench {

class SwrPeer {
 public:
  // Null context when the library has no matching sample format or refuses the setup.
  SwrPeer(TZSAMPLETYPE destination, TZSAMPLETYPE source);
  SwrPeer(SwrPeer&& other) noexcept;
  SwrPeer& operator=(SwrPeer&&) = delete;
  ~SwrPeer();

  bool valid() const { return context_ != nullptr; }
  // Converts samples from source into destination, both preallocated; false unless the library
  // wrote all of them.
  bool convert(void* destination, const void* source, int samples);

 private:
  SwrContext* context_ = nullptr;
};

// Whether the library has a packed sample format for the layout.
bool peerConverts(TZSAMPLETYPE type);

// The library's version as loaded: major << 16 | minor << 8 | micro.
unsigned peerVersion();

}  // namespace tz::bench
