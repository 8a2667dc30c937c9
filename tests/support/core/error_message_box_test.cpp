// Error message boxes as a user would meet them: the composed message under the application's
// name, the pending details attached and consumed, the warning prefix, and the cancelled
// operation that shows nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/lang/lang_context.h"
#include "support/platform/message_box.h"
#include "support/platform/resources.h"
#include "tz/error_handler.h"
#include "tz/print.h"

namespace {

struct Shown {
  HWND owner;
  std::u16string title, text, details;
  bool withDetails;
  UINT style;
};

struct ErrorMessageBoxTest : ::testing::Test {
  static void SetUpTestSuite() {
    const void* image = tz::platform::imageOf(reinterpret_cast<const void*>(&SetUpTestSuite));
    ASSERT_EQ(S_OK, tz::lang::openModuleLanguage(static_cast<HINSTANCE>(const_cast<void*>(image))));
  }
  void SetUp() override {
    TzErrorHandler_DetailsInit();
    tz::platform::setMessageBoxCapture(
        [](const tz::platform::MessageBox& box, void* context) {
          auto* self = static_cast<ErrorMessageBoxTest*>(context);
          self->shown.push_back({box.owner, box.title, box.text,
                                 box.details != nullptr ? box.details : u"", box.details != nullptr,
                                 box.style});
          return self->answer;
        },
        this);
  }
  void TearDown() override { tz::platform::setMessageBoxCapture(nullptr, nullptr); }

  std::vector<Shown> shown;
  int answer = 7;
};

const HWND kOwner = reinterpret_cast<HWND>(0x1234);

TEST_F(ErrorMessageBoxTest, TheBoxShowsTheMessageAndConsumesTheDetails) {
  ASSERT_EQ(S_OK, TzErrorHandler_DetailsAddString(E_FAIL, u"line %d", 1));
  EXPECT_EQ(7, TzErrorHandler_MsgBox(kOwner, 0x4 | 0xC000, 5, TZ_E_FILENOTOPENED, u"a.lpr", FALSE));
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(kOwner, shown[0].owner);
  EXPECT_EQ(u"Loopra", shown[0].title);
  EXPECT_EQ(std::u16string(TzErrorHandler_GetErrorMessage(5, TZ_E_FILENOTOPENED, u"a.lpr")),
            shown[0].text);
  EXPECT_EQ(u"line 1\r\n", shown[0].details);
  EXPECT_EQ(0x4u | 0xC000u, shown[0].style);
  EXPECT_EQ(nullptr, TzErrorHandler_DetailsInfo(nullptr, nullptr, nullptr));

  // Without details the box gets neither details nor the bits, whatever the caller passed.
  TzErrorHandler_MsgBoxText(nullptr, 0x30 | 0x4000, u"plain", TRUE);
  ASSERT_EQ(2u, shown.size());
  EXPECT_EQ(u"Warning: plain", shown[1].text);
  EXPECT_FALSE(shown[1].withDetails);
  EXPECT_EQ(0x30u, shown[1].style);

  // The user's cancel is no error to show.
  ASSERT_EQ(S_OK, TzErrorHandler_DetailsAddString(E_FAIL, u"kept"));
  EXPECT_EQ(
      1, TzErrorHandler_MsgBox(kOwner, 0, 0, static_cast<HRESULT>(0x8004E00CUL), nullptr, FALSE));
  EXPECT_EQ(2u, shown.size());
  EXPECT_NE(nullptr, TzErrorHandler_DetailsInfo(nullptr, nullptr, nullptr));
}

TEST_F(ErrorMessageBoxTest, MessagesNameTheApplicationByItsToken) {
  const HRESULT newerVersion = static_cast<HRESULT>(0x8004E006UL);
  const std::u16string opening = u"An error occurred during the current operation.";
  const std::u16string raw =
      u"\n\nThe file was created by a newer version of $(AppName) and cannot be opened.";
  EXPECT_EQ(raw, std::u16string(TzErrorHandler_GetHresultString(newerVersion)));
  EXPECT_EQ(
      opening + u"\n\nThe file was created by a newer version of Loopra and cannot be opened.",
      std::u16string(TzErrorHandler_GetErrorMessage(0, newerVersion, nullptr)));
  ASSERT_TRUE(TzPrintF_AddToken(u"AppName", u"Mixer $d 50%"));
  EXPECT_EQ(opening +
                u"\n\nThe file was created by a newer version of Mixer $d 50% and cannot be "
                u"opened.",
            std::u16string(TzErrorHandler_GetErrorMessage(0, newerVersion, nullptr)));
  TzErrorHandler_MsgBoxText(nullptr, 0, u"x", FALSE);
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(u"Mixer $d 50%", shown[0].title);
  ASSERT_TRUE(TzPrintF_AddToken(u"AppName", u"Loopra"));
}

// A long caller's text with the warning prefix is cut, never written past the box's buffer.
TEST_F(ErrorMessageBoxTest, ALongWarningIsCutToTheBox) {
  const std::u16string text(10000, u'w');
  TzErrorHandler_MsgBoxText(nullptr, 0, text.c_str(), TRUE);
  TzErrorHandler_MsgBoxText(nullptr, 0, text.c_str(), FALSE);
  ASSERT_EQ(2u, shown.size());
  EXPECT_EQ(4095u, shown[0].text.size());
  EXPECT_EQ(u"Warning: www", shown[0].text.substr(0, 12));
  EXPECT_EQ(text, shown[1].text);
}

}  // namespace
