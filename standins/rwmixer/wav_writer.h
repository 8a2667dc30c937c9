// A 32-bit IEEE float WAV file (WAVE_FORMAT_IEEE_FLOAT, interleaved channels) written as the
// frames come; the header's sizes are filled in by finish(). Not for the audio thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tz::mixer {

class WavWriter {
 public:
  // RIFF sizes are 32-bit: the data stops short of 4 GiB.
  static constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 50;

  WavWriter() = default;
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;
  ~WavWriter();

  // Creates or truncates the file and writes a header for no frames. On failure `error`
  // tells why, in one line.
  bool open(const std::string& path, uint16_t channels, uint32_t sampleRate, std::string& error);
  // Appends `frames` frames of channels() interleaved samples. Frames past the size limit are
  // dropped and counted; false once a write has failed.
  bool write(const float* interleaved, uint32_t frames);
  // Writes the final sizes and closes the file; false (with `error`) if any write failed.
  bool finish(std::string& error);

  uint16_t channels() const { return channels_; }
  uint64_t framesWritten() const { return framesWritten_; }
  uint64_t framesDropped() const { return framesDropped_; }

 private:
  bool writeHeader();

  std::FILE* file_ = nullptr;
  std::string path_;
  uint16_t channels_ = 0;
  uint32_t sampleRate_ = 0;
  uint64_t framesWritten_ = 0;
  uint64_t framesDropped_ = 0;
  int failure_ = 0;  // errno of the first failed write
};

}  // namespace tz::mixer
