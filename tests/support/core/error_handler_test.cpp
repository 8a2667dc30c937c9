// Error messages, the added tables and the details, in the test program's own language context,
// which carries the library's English strings.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

#include "support/lang/lang_context.h"
#include "support/platform/resources.h"
#include "tz/error_handler.h"

namespace {

constexpr HRESULT hr(unsigned long value) {
  return static_cast<HRESULT>(value);
}

constexpr HRESULT kCancelled = hr(0x8004E00CUL);
constexpr HRESULT kUnknown = hr(0x8004EFFFUL);
constexpr std::u16string_view kGeneric = u"An error occurred during the current operation.";
constexpr std::u16string_view kNotOpened =
    u"\n\nThe file could not be opened. Make sure the file exists and that you have access to the "
    u"file/folder.";

std::u16string message(ULONG_PTR operation, HRESULT code, const WCHAR* argument = nullptr) {
  return TzErrorHandler_GetErrorMessage(operation, code, argument);
}

ULONG_PTR textAddress(const char16_t* text) {
  return reinterpret_cast<ULONG_PTR>(text);
}

struct ErrorHandlerTest : ::testing::Test {
  static void SetUpTestSuite() {
    const void* image = tz::platform::imageOf(reinterpret_cast<const void*>(&SetUpTestSuite));
    ASSERT_EQ(S_OK, tz::lang::openModuleLanguage(static_cast<HINSTANCE>(const_cast<void*>(image))));
  }
  void SetUp() override { TzErrorHandler_DetailsInit(); }
};

TEST_F(ErrorHandlerTest, MessagesOpenWithTheOperationsSentence) {
  EXPECT_EQ(std::u16string(kGeneric) + std::u16string(kNotOpened), message(0, TZ_E_FILENOTOPENED));
  EXPECT_EQ(std::u16string(kGeneric) + u"\n\nError 0x8004efff (message missing)",
            message(0, kUnknown));
  EXPECT_EQ(
      u"An error occurred while loading the project file song.lpr." + std::u16string(kNotOpened),
      message(5, TZ_E_FILENOTOPENED, u"song.lpr"));
  EXPECT_EQ(u"An error occurred while loading the project file ." + std::u16string(kNotOpened),
            message(5, TZ_E_FILENOTOPENED));
  EXPECT_EQ(u"An error occurred during this command (Cut)\n\nThe item was not found.",
            message(0x2D, TZ_E_NOTFOUND, u"Cut"));
  EXPECT_EQ(std::u16string(kGeneric) + u"\n\nThe item was not found.",
            message(0x35, TZ_E_NOTFOUND));
  EXPECT_EQ(std::u16string(kGeneric) + u"Buffer too small.", message(0x7FFF, TZ_E_BUFFERTOOSMALL));
  EXPECT_EQ(u"\n\nThe operation was cancelled by the user.",
            std::u16string(TzErrorHandler_GetHresultString(kCancelled)));
  EXPECT_EQ(nullptr, TzErrorHandler_GetHresultString(kUnknown));
}

// Neither the sentence nor the argument is a format: nothing but the first "%s" takes the
// argument, and the argument's own conversions are text.
TEST_F(ErrorHandlerTest, SentencesAndArgumentsAreNeverFormats) {
  EXPECT_EQ(u"50% of %d %n: %s%s%s%x%" + std::u16string(kNotOpened),
            message(textAddress(u"50%% of %d %n: %s%s%x%"), TZ_E_FILENOTOPENED, u"%s%s"));
  const std::u16string huge(5000, u'a');
  const std::u16string cut = message(5, TZ_E_FILENOTOPENED, huge.c_str());
  EXPECT_EQ(2047u, cut.size());
  EXPECT_EQ(u"An error occurred while loading the project file aaa", cut.substr(0, 52));
  const std::u16string almost(2040, u'b');
  const std::u16string tail = message(textAddress(almost.c_str()), TZ_E_FILENOTOPENED);
  EXPECT_EQ(almost + std::u16string(kNotOpened.substr(0, 7)), tail);
}

TEST_F(ErrorHandlerTest, AddedTablesComeFirstInTheOrderAdded) {
  static const TZERRORTABLEENTRY first[] = {{hr(0x8004E0ECUL), textAddress(u"first")},
                                            {hr(0x8004E0EDUL), 0},
                                            {hr(0x8004EF01UL), textAddress(u"first too")}};
  static const TZERRORTABLEENTRY second[] = {{hr(0x8004EF01UL), textAddress(u"second")},
                                             {hr(0x8004EF02UL), 48019}};
  EXPECT_EQ(E_INVALIDARG, TzErrorHandler_AddErrorTable(nullptr, 1));
  EXPECT_EQ(E_INVALIDARG, TzErrorHandler_AddErrorTable(first, 0));
  EXPECT_EQ(E_INVALIDARG, TzErrorHandler_AddErrorTable(first, -1));
  ASSERT_EQ(S_OK, TzErrorHandler_AddErrorTable(first, 3));
  ASSERT_EQ(S_OK, TzErrorHandler_AddErrorTable(second, 2));
  EXPECT_EQ(u"first", std::u16string(TzErrorHandler_GetHresultString(hr(0x8004E0ECUL))));
  EXPECT_EQ(nullptr, TzErrorHandler_GetHresultString(hr(0x8004E0EDUL)));  // no text: unknown
  EXPECT_EQ(std::u16string(kGeneric) + u"\n\nError 0x8004e0ed (message missing)",
            message(0, hr(0x8004E0EDUL)));
  EXPECT_EQ(u"first too", std::u16string(TzErrorHandler_GetHresultString(hr(0x8004EF01UL))));
  EXPECT_EQ(kNotOpened, std::u16string(TzErrorHandler_GetHresultString(hr(0x8004EF02UL))));
  HRESULT status = S_OK;
  for (int i = 2; i < 32; ++i) status |= TzErrorHandler_AddErrorTable(second, 1);
  EXPECT_EQ(S_OK, status);
  EXPECT_EQ(S_FALSE, TzErrorHandler_AddErrorTable(first, 1));
}

TEST_F(ErrorHandlerTest, DetailsFollowTheMessageInTheComposedText) {
  const auto composed = [](HRESULT code) {
    BSTR text = TzErrorHandler_ComposeErrorText(0, code, nullptr);
    std::u16string copy = text != nullptr ? text : u"(null)";
    // The system string's byte length stands before its characters.
    uint32_t bytes = 0;
    if (text != nullptr) std::memcpy(&bytes, reinterpret_cast<const char*>(text) - 4, 4);
    EXPECT_EQ(copy.size() * 2, bytes);
    EXPECT_EQ(copy.size(), SysStringLen(text));
    SysFreeString(text);
    return copy;
  };
  EXPECT_EQ(message(0, TZ_E_FILENOTOPENED), composed(TZ_E_FILENOTOPENED));
  EXPECT_EQ(E_POINTER, TzErrorHandler_DetailsAddString(E_FAIL, nullptr));
  ASSERT_EQ(S_OK, TzErrorHandler_DetailsAddString(E_FAIL, u"abc"));
  EXPECT_EQ(message(0, TZ_E_FILENOTOPENED) + u"\r\n<Details>\r\nabc\r\n\r\n</Details>",
            composed(TZ_E_FILENOTOPENED));
  ASSERT_EQ(S_OK, TzErrorHandler_DetailsAddString(E_OUTOFMEMORY, u"%d of %s", 3, u"%n"));
  HRESULT last = S_OK;
  LONG count = 0;
  DWORD owner = 0;
  EXPECT_EQ(u"abc\r\n3 of %n\r\n",
            std::u16string(TzErrorHandler_DetailsInfo(&last, &count, &owner)));
  EXPECT_EQ(E_OUTOFMEMORY, last);
  EXPECT_EQ(2, count);
  EXPECT_NE(0u, owner);
  EXPECT_EQ(E_OUTOFMEMORY, TzErrorHandler_GetLastError());
  EXPECT_EQ(S_OK, TzErrorHandler_DetailsInit());
  EXPECT_EQ(nullptr, TzErrorHandler_DetailsInfo(nullptr, &count, nullptr));
  EXPECT_EQ(0, count);
}

// Another thread may only add to the error being reported; the owner stays the first thread.
TEST_F(ErrorHandlerTest, AnotherThreadAddsOnlyToTheLastCode) {
  ASSERT_EQ(S_OK, TzErrorHandler_DetailsAddString(E_UNEXPECTED, u"owner"));
  HRESULT unrelated = S_OK, related = E_FAIL;
  std::thread([&] {
    unrelated = TzErrorHandler_DetailsAddString(E_FAIL, u"other");
    related = TzErrorHandler_DetailsAddString(E_UNEXPECTED, u"same");
  }).join();
  EXPECT_EQ(E_FAIL, unrelated);
  EXPECT_EQ(S_OK, related);
  EXPECT_EQ(u"owner\r\nsame\r\n",
            std::u16string(TzErrorHandler_DetailsInfo(nullptr, nullptr, nullptr)));
}

// The details stay below 16 384 bytes: a line that would reach them, or a formatted line longer
// than the whole block, is refused and what was there stays.
TEST_F(ErrorHandlerTest, OverlongDetailsAreRefusedWhole) {
  const std::u16string line(4000, u'x');
  ASSERT_EQ(S_OK, TzErrorHandler_DetailsAddString(E_FAIL, line.c_str()));
  ASSERT_EQ(S_OK, TzErrorHandler_DetailsAddString(E_FAIL, line.c_str()));
  const std::u16string reaching(186, u'z'), fitting(185, u'z');
  EXPECT_EQ(E_FAIL, TzErrorHandler_DetailsAddString(E_FAIL, u"%s", reaching.c_str()));
  EXPECT_EQ(S_OK, TzErrorHandler_DetailsAddString(E_FAIL, u"%s", fitting.c_str()));
  EXPECT_EQ(E_FAIL, TzErrorHandler_DetailsAddString(E_FAIL, u""));
  LONG count = 0;
  EXPECT_EQ(8191u, std::u16string(TzErrorHandler_DetailsInfo(nullptr, &count, nullptr)).size());
  EXPECT_EQ(3, count);
  TzErrorHandler_DetailsInit();
  const std::u16string wide(9000, u'y');
  EXPECT_EQ(E_FAIL, TzErrorHandler_DetailsAddString(E_FAIL, wide.c_str()));
  EXPECT_EQ(E_FAIL, TzErrorHandler_DetailsAddString(E_FAIL, u"%s", wide.c_str()));
  EXPECT_EQ(E_FAIL, TzErrorHandler_DetailsAddString(E_FAIL, u"%9000d", 1));
  EXPECT_EQ(nullptr, TzErrorHandler_DetailsInfo(nullptr, nullptr, nullptr));
}

TEST(ErrorTranslationTest, WindowsAndDialogNumbersBecomeResultCodes) {
  EXPECT_EQ(S_OK, TzErrorHandler_TranslateWin32Error(0));
  EXPECT_EQ(TZ_E_NOTFOUND, TzErrorHandler_TranslateWin32Error(2));
  EXPECT_EQ(TZ_E_NOTFOUND, TzErrorHandler_TranslateWin32Error(127));
  EXPECT_EQ(hr(0x8004E170UL), TzErrorHandler_TranslateWin32Error(183));
  EXPECT_EQ(E_FAIL, TzErrorHandler_TranslateWin32Error(999));
  EXPECT_EQ(E_FAIL, TzErrorHandler_TranslateWin32Error(0xFFFFFFFFUL));
  EXPECT_EQ(E_INVALIDARG, TzErrorHandler_TranslateCommDlgError(0xFFFF));
  EXPECT_EQ(E_OUTOFMEMORY, TzErrorHandler_TranslateCommDlgError(0x3001));
  EXPECT_EQ(hr(0x8004E00DUL), TzErrorHandler_TranslateCommDlgError(0x3002));
  EXPECT_EQ(E_FAIL, TzErrorHandler_TranslateCommDlgError(12));
}

}  // namespace
