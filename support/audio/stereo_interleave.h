// Stereo split and join of 4-byte samples with MMX and SSE moves, beside the plain loops.
// Declarations only, so that every kernel file may include it.
#pragma once

namespace tz::audio {

namespace mmx {
void deinterleave32(void* left, void* right, const void* source, long frames);
void interleave32(void* destination, const void* left, const void* right, long frames);
}  // namespace mmx

// All three buffers 16-byte aligned.
namespace sse {
void deinterleaveAligned32(void* left, void* right, const void* source, long frames);
void interleaveAligned32(void* destination, const void* left, const void* right, long frames);
}  // namespace sse

}  // namespace tz::audio
