// Case folding for names that compare without regard to case (registry names, print tokens).
// A fixed table rather than the C library's locale, so that every process folds alike.
#pragma once

#include <string_view>

namespace tz::platform {

// The lower-case partner of c among the simple one-to-one pairs of the Latin, Greek and
// Cyrillic alphabets and the full-width Latin letters; c itself otherwise.
char32_t foldCase(char32_t c);

// Orders two UTF-16 texts by their folded code points: negative, zero or positive.
int compareWithoutCase(std::u16string_view a, std::u16string_view b);

}  // namespace tz::platform
