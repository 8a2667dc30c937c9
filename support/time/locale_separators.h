// The locale settings that number and time text use, read once per process in UTF-16, and the
// library's own separators that the print tokens publish.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tz::time {

struct LocaleSeparators {
  std::u16string negativeSign;
  std::u16string thousands;
  std::u16string decimal;  // never equal to `thousands`
  // Group sizes from the decimal point leftwards, the last repeating; empty for none.
  std::vector<uint8_t> grouping;
  bool leadingZero = true;
  std::u16string time;
  std::u16string list;
};

// The settings of the user's locale, read at the first call; thread-safe.
const LocaleSeparators& localeSeparators();

// Reads the locale again, for tests that change the environment. Not safe while another
// thread uses the settings.
void rereadLocaleSeparatorsForTest();

// The library's own separators, each at most 7 characters, by print-token name.
struct LibrarySeparator {
  const char16_t* token;
  const char16_t* text;
};
enum class LibrarySeparatorId { SmpteWhole, SmpteNonDrop, SmpteDrop, MeasuresBeats, BeatsTicks };

std::span<const LibrarySeparator> librarySeparators();
const char16_t* librarySeparator(LibrarySeparatorId id);

}  // namespace tz::time
