// The file is a RIFF "WAVE" with a "fmt " chunk of 18 bytes, a "fact" chunk (required for
// formats other than PCM) and the "data" chunk: a 58-byte header before the samples.
#include "standins/rwmixer/wav_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tz::mixer {
namespace {

constexpr uint16_t kFormatIeeeFloat = 3;
constexpr uint32_t kHeaderBytes = 58;

void put16(uint8_t*& out, uint16_t value) {
  *out++ = static_cast<uint8_t>(value);
  *out++ = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t*& out, uint32_t value) {
  put16(out, static_cast<uint16_t>(value));
  put16(out, static_cast<uint16_t>(value >> 16));
}

void putTag(uint8_t*& out, const char* tag) {
  std::memcpy(out, tag, 4);
  out += 4;
}

}  // namespace

WavWriter::~WavWriter() {
  if (file_) std::fclose(file_);
}

bool WavWriter::open(const std::string& path, uint16_t channels, uint32_t sampleRate,
                     std::string& error) {
  if (file_ || channels == 0) {
    error = "cannot write " + path + ": no channels";
    return false;
  }
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  path_ = path;
  channels_ = channels;
  sampleRate_ = sampleRate;
  if (!writeHeader()) {
    error = "cannot write " + path + ": " + std::strerror(failure_);
    return false;
  }
  return true;
}

bool WavWriter::writeHeader() {
  const uint32_t frameBytes = channels_ * 4u;
  const uint32_t dataBytes = static_cast<uint32_t>(framesWritten_ * frameBytes);
  uint8_t header[kHeaderBytes];
  uint8_t* out = header;
  putTag(out, "RIFF");
  put32(out, kHeaderBytes - 8 + dataBytes);
  putTag(out, "WAVE");
  putTag(out, "fmt ");
  put32(out, 18);
  put16(out, kFormatIeeeFloat);
  put16(out, channels_);
  put32(out, sampleRate_);
  put32(out, sampleRate_ * frameBytes);
  put16(out, static_cast<uint16_t>(frameBytes));
  put16(out, 32);
  put16(out, 0);
  putTag(out, "fact");
  put32(out, 4);
  put32(out, static_cast<uint32_t>(framesWritten_));
  putTag(out, "data");
  put32(out, dataBytes);
  if (std::fseek(file_, 0, SEEK_SET) != 0 ||
      std::fwrite(header, 1, kHeaderBytes, file_) != kHeaderBytes) {
    failure_ = errno ? errno : EIO;
    return false;
  }
  return true;
}

bool WavWriter::write(const float* interleaved, uint32_t frames) {
  if (!file_ || failure_ != 0) return false;
  const uint64_t frameBytes = channels_ * 4u;
  const uint64_t room = kMaxDataBytes / frameBytes - framesWritten_;
  const uint64_t taken = std::min<uint64_t>(frames, room);
  framesDropped_ += frames - taken;
  if (taken == 0) return true;
  // The samples go out as they lie in memory: x86 floats are already little-endian.
  const size_t count = static_cast<size_t>(taken * channels_);
  if (std::fwrite(interleaved, sizeof(float), count, file_) != count) {
    failure_ = errno ? errno : EIO;
    return false;
  }
  framesWritten_ += taken;
  return true;
}

bool WavWriter::finish(std::string& error) {
  if (!file_) return true;
  if (failure_ == 0) writeHeader();
  if (std::fclose(file_) != 0 && failure_ == 0) failure_ = errno ? errno : EIO;
  file_ = nullptr;
  if (failure_ == 0) return true;
  error = "cannot write " + path_ + ": " + std::strerror(failure_);
  return false;
}

}  // namespace tz::mixer
