// Stereo split and join: the plain loops by sample size, and the choice of the MMX and SSE
// versions for 4-byte samples. Every version writes the same bytes.
#include "support/audio/stereo_interleave.h"
#include "support/audio/channel_ops_common.h"
#include "tz/channel_ops.h"
#include "tz/cpu_support.h"

namespace tz::audio {
namespace {

size_t stereoSampleBytes(TZSAMPLETYPE type) {
  switch (type) {
    case TZSAMPLETYPE_PCM8:
    case TZSAMPLETYPE_PCM16:
    case TZSAMPLETYPE_PCM32:
    case TZSAMPLETYPE_FLOAT32:
    case TZSAMPLETYPE_FLOAT64:
    case TZSAMPLETYPE_PCM24IN32:
      return TzAudio_BytesFromSampleType(type);
    default:
      return 0;
  }
}

bool aligned16(const void* a, const void* b, const void* c) {
  return ((reinterpret_cast<uintptr_t>(a) | reinterpret_cast<uintptr_t>(b) |
           reinterpret_cast<uintptr_t>(c)) &
          15) == 0;
}

enum class Moves { Plain, Mmx, Sse };

Moves movesFor(TZSAMPLETYPE type, const void* a, const void* b, const void* c) {
  const DWORD sets = TzGetCPUSupport(TZCPU_SIMD_MASK);
  if (type == TZSAMPLETYPE_PCM32) return (sets & TZCPU_MMX) ? Moves::Mmx : Moves::Plain;
  if (type != TZSAMPLETYPE_FLOAT32) return Moves::Plain;
  if (aligned16(a, b, c)) return (sets & TZCPU_SSE) ? Moves::Sse : Moves::Plain;
  return (sets & TZCPU_MMX) ? Moves::Mmx : Moves::Plain;
}

}  // namespace
}  // namespace tz::audio

using namespace tz::audio;

HRESULT TZ_STDCALL TzAudio_DeInterleaveStereo(void* left, void* right, const void* source,
                                              TZSAMPLETYPE type, long frames) {
  if (anyNull(left, right, source)) return E_POINTER;
  const size_t bytes = stereoSampleBytes(type);
  if (bytes == 0) return E_NOTIMPL;
  if (frames < 0) return E_INVALIDARG;
  switch (movesFor(type, left, right, source)) {
    case Moves::Mmx:
      mmx::deinterleave32(left, right, source, frames);
      break;
    case Moves::Sse:
      sse::deinterleaveAligned32(left, right, source, frames);
      break;
    case Moves::Plain:
      moveSamples(static_cast<uint8_t*>(left), bytes, bytesAt(source, 0), 2 * bytes, bytes, frames);
      moveSamples(static_cast<uint8_t*>(right), bytes, bytesAt(source, bytes), 2 * bytes, bytes,
                  frames);
      break;
  }
  return S_OK;
}

HRESULT TZ_STDCALL TzAudio_InterleaveStereo(void* destination, const void* left, const void* right,
                                            TZSAMPLETYPE type, long frames) {
  if (anyNull(destination, left, right)) return E_POINTER;
  const size_t bytes = stereoSampleBytes(type);
  if (bytes == 0) return E_NOTIMPL;
  if (frames < 0) return E_INVALIDARG;
  switch (movesFor(type, destination, left, right)) {
    case Moves::Mmx:
      mmx::interleave32(destination, left, right, frames);
      break;
    case Moves::Sse:
      sse::interleaveAligned32(destination, left, right, frames);
      break;
    case Moves::Plain:
      moveSamples(static_cast<uint8_t*>(destination), 2 * bytes, bytesAt(left, 0), bytes, bytes,
                  frames);
      moveSamples(bytesAt(destination, bytes), 2 * bytes, bytesAt(right, 0), bytes, bytes, frames);
      break;
  }
  return S_OK;
}
