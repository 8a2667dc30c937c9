#include "support/platform/text_encoding.h"

#include <gtest/gtest.h>

namespace {

using tz::platform::utf16FromUtf8;
using tz::platform::utf8FromUtf16;

TEST(TextEncoding, RoundTripsAndReplacesWhatIsMalformed) {
  const std::u16string wide = u"Gr\u00FC\u00DFe \u65E5\u672C \U0001D11E";
  EXPECT_EQ(wide, utf16FromUtf8(utf8FromUtf16(wide)));
  EXPECT_EQ("\xF0\x9D\x84\x9E", utf8FromUtf16(u"\U0001D11E"));
  // Unpaired surrogates, overlong forms, encoded surrogates, a cut sequence, a stray byte.
  EXPECT_EQ(
      "a\xEF\xBF\xBD"
      "b\xEF\xBF\xBD",
      utf8FromUtf16(std::u16string{u'a', 0xD800, u'b', 0xDC00}));
  EXPECT_EQ(u"\uFFFD\uFFFDx\uFFFD", utf16FromUtf8("\xC0\xAF\xED\xA0\x80x\xE6\x97"));
  EXPECT_EQ(u"\uFFFDz", utf16FromUtf8("\x80z"));
  char32_t c = 0;
  size_t i = 0;
  EXPECT_FALSE(tz::platform::decodeUtf8("\xF4\x90\x80\x80", i, c)) << "past U+10FFFF";
  EXPECT_EQ(0u, i);
}

}  // namespace
