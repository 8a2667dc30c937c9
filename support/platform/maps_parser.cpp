// Lines of the form "08048000-08056000 r-xp 00000000 08:01 1234   /usr/bin/prog": two hex
// addresses, four permission letters, a hex offset, a device, a decimal inode and an optional
// path. Addresses have at most eight digits in a 32-bit process.
#include "support/platform/maps_parser.h"

namespace tz::platform {
namespace {

constexpr uint64_t kHashStart = 14695981039346656037ull;  // FNV-1a
constexpr uint64_t kHashFactor = 1099511628211ull;

}  // namespace

bool MapsParser::hexDigit(char c, uint32_t& value) {
  uint32_t digit = 0;
  if (c >= '0' && c <= '9') {
    digit = static_cast<uint32_t>(c - '0');
  } else if (c >= 'a' && c <= 'f') {
    digit = static_cast<uint32_t>(c - 'a' + 10);
  } else {
    return false;
  }
  if (++length_ > 8) return false;
  value = value << 4 | digit;
  return true;
}

void MapsParser::put(char c) {
  const bool separator = c == ' ';
  switch (field_) {
    case Field::Start:
    case Field::End: {
      // "start-end ": the first ends at '-', the second at a space.
      const bool start = field_ == Field::Start;
      if (c == (start ? '-' : ' ') && length_ > 0) {
        field_ = start ? Field::End : Field::Perms;
        length_ = 0;
      } else if (!hexDigit(c, start ? line_.start : line_.end)) {
        field_ = Field::Skip;
      }
      return;
    }
    case Field::Perms:
      if (separator) {
        field_ = length_ == 4 ? Field::Offset : Field::Skip;
        length_ = 0;
        return;
      }
      if (length_ == 0) line_.readable = c == 'r';
      if (++length_ > 4) field_ = Field::Skip;
      return;
    case Field::Offset:
    case Field::Device:
    case Field::Inode:
      // Only their shape matters: a character other than a digit, a letter or ':' is damage.
      if (separator && length_ > 0) {
        field_ = field_ == Field::Offset   ? Field::Device
                 : field_ == Field::Device ? Field::Inode
                                           : Field::Gap;
        length_ = 0;
      } else if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == ':') {
        if (length_ < 255) ++length_;
      } else {
        field_ = Field::Skip;
      }
      return;
    case Field::Gap:
      if (separator) return;
      field_ = Field::Path;
      line_.file = c == '/';
      [[fallthrough]];
    case Field::Path:
      line_.pathHash = (line_.pathHash ^ static_cast<uint8_t>(c)) * kHashFactor;
      if (c == '/') {
        nameLength_ = 0;
      } else if (nameLength_ + 1 < sizeof line_.name) {
        line_.name[nameLength_++] = c;
      }
      line_.name[nameLength_] = '\0';
      return;
    case Field::Skip:
      return;
  }
}

void MapsParser::endLine() {
  const bool whole =
      field_ == Field::Gap || field_ == Field::Path || (field_ == Field::Inode && length_ > 0);
  if (whole && line_.start < line_.end && !visit_(line_, context_)) stopped_ = true;
  startLine();
}

void MapsParser::startLine() {
  field_ = Field::Start;
  length_ = 0;
  nameLength_ = 0;
  line_ = MapsLine{};
  line_.pathHash = kHashStart;
}

bool MapsParser::feed(const char* bytes, size_t count) {
  for (size_t i = 0; i < count && !stopped_; ++i) {
    if (bytes[i] == '\n') {
      endLine();
    } else {
      put(bytes[i]);
    }
  }
  return !stopped_;
}

void MapsParser::finish() {
  if (!stopped_ && (field_ != Field::Start || length_ > 0)) endLine();
}

}  // namespace tz::platform
