// libswresample behind the benchmark's peer interface.
#include "bench/peer/swr_peer.h"

#include <cstdint>
#include <utility>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace tz::bench {

namespace {

constexpr int kRate = 48000;

AVSampleFormat peerFormat(TZSAMPLETYPE type) {
  switch (type) {
    case TZSAMPLETYPE_PCM8:
      return AV_SAMPLE_FMT_U8;
    case TZSAMPLETYPE_PCM16:
      return AV_SAMPLE_FMT_S16;
    case TZSAMPLETYPE_PCM32:
      return AV_SAMPLE_FMT_S32;
    case TZSAMPLETYPE_FLOAT32:
      return AV_SAMPLE_FMT_FLT;
    case TZSAMPLETYPE_FLOAT64:
      return AV_SAMPLE_FMT_DBL;
    default:
      return AV_SAMPLE_FMT_NONE;
  }
}

}  // namespace

bool peerConverts(TZSAMPLETYPE type) {
  return peerFormat(type) != AV_SAMPLE_FMT_NONE;
}

unsigned peerVersion() {
  return swresample_version();
}

SwrPeer::SwrPeer(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  if (!peerConverts(destination) || !peerConverts(source)) return;
  AVChannelLayout mono;
  av_channel_layout_default(&mono, 1);
  SwrContext* context = nullptr;
  if (swr_alloc_set_opts2(&context, &mono, peerFormat(destination), kRate, &mono,
                          peerFormat(source), kRate, 0, nullptr) < 0)
    return;
  if (swr_init(context) < 0) {
    swr_free(&context);
    return;
  }
  context_ = context;
}

SwrPeer::SwrPeer(SwrPeer&& other) noexcept : context_(std::exchange(other.context_, nullptr)) {}

SwrPeer::~SwrPeer() {
  swr_free(&context_);
}

bool SwrPeer::convert(void* destination, const void* source, int samples) {
  uint8_t* out[] = {static_cast<uint8_t*>(destination)};
  const uint8_t* in[] = {static_cast<const uint8_t*>(source)};
  return swr_convert(context_, out, samples, in, samples) == samples;
}

}  // namespace tz::bench
