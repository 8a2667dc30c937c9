// Message composition through TzComposeStr: numbered inserts read once each and in order,
// the escapes, inserts that are not well-formed, and a buffer too small for the text.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/ui/compose_message.h"
#include "tz/print.h"

namespace {

template <typename... Args>
std::u16string compose(const char16_t* format, Args... args) {
  WCHAR buffer[256];
  const int count = TzComposeStr(buffer, 256, format, args...);
  const std::u16string text(buffer);
  EXPECT_EQ(static_cast<int>(text.size()), count);
  return text;
}

TEST(ComposeMessage, InsertsTakeTheirArgumentsByNumber) {
  EXPECT_EQ(u"List has 5 items\r\n", compose(u"%1 has %2!d! items%n", u"List", 5));
  EXPECT_EQ(u"b a b", compose(u"%2 %1 %2", u"a", u"b"));
  // Every argument is read by its own width, whatever the order of the inserts.
  EXPECT_EQ(u"x 12345678901 0007", compose(u"%3 %1!I64d! %2!04x!", int64_t{12345678901}, 7, u"x"));
  // An unused number below the highest still stands for one argument.
  EXPECT_EQ(u"last", compose(u"%2", 99, u"last"));
  EXPECT_EQ(u"naïve ok", compose(u"%1!hs! %2!S!", "na\xc3\xafve", "ok"));
  EXPECT_EQ(u"%1 and the 10th: j",
            compose(u"%%1 and the %10!d!th: %11!c!", 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, u'j'));
}

TEST(ComposeMessage, EscapesAndTheEndMark) {
  EXPECT_EQ(u"a\tb\rc. d! %", compose(u"a%tb%rc%. d%! %%"));
  EXPECT_EQ(u"kept", compose(u"kept%0 dropped %1", u"never read"));
}

TEST(ComposeMessage, InsertsThatAreNotWellFormedAreWrittenAsTheyStand) {
  EXPECT_EQ(u"%1!q! %1!5.2f! %1!*d! 3", compose(u"%1!q! %1!5.2f! %1!*d! %2!d!", 0, 3));
  // An insert without its closing mark is the insert's number only.
  EXPECT_EQ(u"%1!d", compose(u"%1!d", 4));
}

TEST(ComposeMessage, ATextThatDoesNotFitIsCutAndReportsZero) {
  WCHAR small[5];
  EXPECT_EQ(0, TzComposeStr(small, 5, u"%1 and more", u"abcdefgh"));
  EXPECT_EQ(std::u16string(u"abcd"), small);
  EXPECT_EQ(4, TzComposeStr(small, 5, u"%1", u"abcd"));
  EXPECT_EQ(0, TzComposeStr(nullptr, 5, u"x"));
  EXPECT_EQ(0, TzComposeStr(small, 0, u"x"));
  EXPECT_EQ(0, TzComposeStr(small, 5, nullptr));
  EXPECT_EQ(u'\0', small[0]);
}

TEST(ComposeMessage, TypedArgumentsOfTheWrongKindAreNeverDereferenced) {
  char16_t buffer[64];
  tz::core::WideSink sink(buffer, 64);
  const tz::core::FormatArgument args[] = {7};
  tz::core::ArrayArguments source(args);
  // The first insert of a number decides how its argument is read: here as text.
  tz::ui::composeMessage(sink, u"%1 %1!d! %2", source);
  EXPECT_EQ(u"(null) 0 (null)", sink.text());
}

}  // namespace
