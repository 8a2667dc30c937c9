// The box: the button its style answers with by default, and what its user sees of the title,
// the text and the details (standard error without a display, the system's box on Windows).
#include "support/platform/message_box.h"

#include <gtest/gtest.h>

#include "seen_message_box.h"

namespace {

using tz::platform::defaultButton;

TEST(MessageBoxTest, TheStylesDefaultButtonAnswers) {
  EXPECT_EQ(tz::platform::kButtonOk, defaultButton(0x30));
  EXPECT_EQ(tz::platform::kButtonNo, defaultButton(0x4 | 0x100));      // yes/no, second
  EXPECT_EQ(tz::platform::kButtonCancel, defaultButton(0x3 | 0x200));  // yes/no/cancel, third
  EXPECT_EQ(tz::platform::kButtonAbort, defaultButton(0x2 | 0x300));   // past the set: first
  EXPECT_EQ(tz::platform::kButtonOk, defaultButton(0x1 | 0x200));
  EXPECT_EQ(tz::platform::kButtonContinue, defaultButton(0x6 | 0x200));
  EXPECT_EQ(tz::platform::kButtonOk, defaultButton(0xF));  // no such set
}

TEST(MessageBoxTest, TheUserSeesTitleTextAndDetails) {
  // A lone surrogate cannot be written as UTF-8 and shows as U+FFFD. 0xC000 says that details
  // are attached and never reaches the system.
  const char16_t text[] = {u'\u00e9', u'\xd800', u'!', 0};
  const auto seen = tz::test::showAndAnswer({nullptr, u"Loopra", text, u"a\r\nb", 0xC001},
                                            tz::platform::kButtonCancel);
  const auto plain = tz::test::showAndAnswer({nullptr, u"T", u"\U0001F3B5", nullptr, 0x0},
                                             tz::platform::kButtonOk);
  if (tz::test::kBoxesOnScreen && seen.shown.empty())
    GTEST_SKIP() << "no box came up: no display (run under xvfb-run)";
  EXPECT_EQ(tz::test::kBoxesOnScreen ? tz::platform::kButtonCancel : tz::platform::kButtonOk,
            seen.button)
      << "a pressed button, or the style's default";
  EXPECT_EQ(tz::platform::kButtonOk, plain.button);
  const std::string details = tz::test::kBoxesOnScreen ? "\r\n\r\na\r\nb" : "\na\r\nb";
  EXPECT_EQ("Loopra: \xc3\xa9\xef\xbf\xbd!" + details + "\n", seen.shown);
  EXPECT_EQ("T: \xf0\x9f\x8e\xb5\n", plain.shown);
}

TEST(MessageBoxTest, ACaptureTakesTheBoxAndAnswers) {
  static const char16_t* seenTitle = nullptr;
  static int answer = tz::platform::kButtonRetry;
  tz::platform::setMessageBoxCapture(
      [](const tz::platform::MessageBox& box, void* context) {
        seenTitle = box.title;
        return *static_cast<int*>(context);
      },
      &answer);
  const int button = tz::platform::showMessageBox({nullptr, u"Captured", u"x", nullptr, 0x5});
  tz::platform::setMessageBoxCapture(nullptr, nullptr);
  EXPECT_EQ(tz::platform::kButtonRetry, button);
  EXPECT_EQ(std::u16string(u"Captured"), seenTitle);
}

}  // namespace
