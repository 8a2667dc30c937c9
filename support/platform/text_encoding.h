// UTF-8 and UTF-16 conversions: wide text is UTF-16 inside the library, 8-bit text towards
// the system and the engine is UTF-8. One place for the code-point rules (no overlong forms,
// no surrogates in UTF-8, nothing past U+10FFFF).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tz::platform {

// One code point of strict UTF-8 at text[i]; false (i unchanged) when it is malformed.
bool decodeUtf8(std::string_view text, size_t& i, char32_t& c);
// The code point at text[i], advancing i past it; an unpaired surrogate gives U+FFFD.
char32_t decodeUtf16(std::u16string_view text, size_t& i);
// Writes c (at most U+10FFFF, not a surrogate) as UTF-8 to out, which has room for 4 bytes;
// returns the bytes written (1 to 4). Needs no allocation.
size_t encodeUtf8(char32_t c, char* out);
// Writes c (at most U+10FFFF, not a surrogate) as UTF-16 to out, which has room for 2 units;
// returns the units written (1 or 2). Needs no allocation.
size_t encodeUtf16(char32_t c, char16_t* out);
// Appends c (at most U+10FFFF, not a surrogate) in UTF-8 or UTF-16.
void appendUtf8(char32_t c, std::string& out);
void appendUtf16(char32_t c, std::u16string& out);

// True when every surrogate in text is half of a pair (text names what UTF-8 can name).
bool isWellFormedUtf16(std::u16string_view text);

// Lenient conversions: each malformed sequence or unpaired surrogate becomes U+FFFD.
std::string utf8FromUtf16(std::u16string_view text);
std::u16string utf16FromUtf8(std::string_view text);

}  // namespace tz::platform
