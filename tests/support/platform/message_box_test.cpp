// The box without a display: what it writes to standard error and the button it answers with.
#include "support/platform/message_box.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/common/scratch_folder.h"

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

TEST(MessageBoxTest, StandardErrorShowsTitleTextAndDetails) {
  tz::test::ScratchFolder folder;
  const auto path = folder.path / "stderr.txt";
  fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  FILE* file = fopen(path.c_str(), "w");
  ASSERT_NE(nullptr, file);
  dup2(fileno(file), STDERR_FILENO);
  // A lone surrogate cannot be written as UTF-8 and shows as U+FFFD.
  const WCHAR text[] = {u'\u00e9', u'\xd800', u'!', 0};
  const int button = tz::platform::showMessageBox({nullptr, u"Loopra", text, u"a\r\nb", 0x1});
  const int plain = tz::platform::showMessageBox({nullptr, u"T", u"\U0001F3B5", nullptr, 0x0});
  dup2(saved, STDERR_FILENO);
  close(saved);
  fclose(file);
  EXPECT_EQ(tz::platform::kButtonOk, button);
  EXPECT_EQ(tz::platform::kButtonOk, plain);
  EXPECT_EQ("Loopra: \xc3\xa9\xef\xbf\xbd!\na\r\nb\nT: \xf0\x9f\x8e\xb5\n",
            tz::test::readFile(path));
}

}  // namespace
