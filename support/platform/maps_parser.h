// The text of a Linux address-space map (/proc/<pid>/maps), parsed as it streams: no
// allocation, no lock and no locale, so a crash report can use it. The text is outside input:
// a malformed line is passed over. Reading this process's map is the POSIX backend's part.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tz::platform {

struct MapsLine {
  uint32_t start = 0;  // the mapping is [start, end)
  uint32_t end = 0;
  bool readable = false;
  bool file = false;      // its path names a file (begins with '/')
  uint64_t pathHash = 0;  // of the whole path, to tell files of the same name apart
  char name[64] = {};     // the path's last component, cut to fit, always terminated
};

class MapsParser {
 public:
  // Called for each well-formed line; returning false stops the parse.
  using Visit = bool (*)(const MapsLine& line, void* context);

  MapsParser(Visit visit, void* context) : visit_(visit), context_(context) { startLine(); }

  // Parses the next bytes; false once the visitor has stopped the parse.
  bool feed(const char* bytes, size_t count);
  // Ends the text: a last line without its line end counts.
  void finish();

 private:
  enum class Field : uint8_t { Start, End, Perms, Offset, Device, Inode, Gap, Path, Skip };

  void startLine();
  void put(char c);
  void endLine();
  bool hexDigit(char c, uint32_t& value);

  Visit visit_;
  void* context_;
  bool stopped_ = false;
  Field field_ = Field::Start;
  uint8_t length_ = 0;  // characters of the current field, saturating
  size_t nameLength_ = 0;
  MapsLine line_;
};

}  // namespace tz::platform
