// The language module as the system sees it: a resource-only DLL whose German and Japanese
// string tables and property page the system's own resource functions find when it is loaded
// as a data file, the way the library opens it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "program_folder.h"

namespace {

constexpr WORD kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);
constexpr UINT kClassName = 1526;
constexpr UINT kDriverPage = 1368;
// RT_STRING and RT_DIALOG as wide names (the build does not define UNICODE).

struct LanguageModule : ::testing::Test {
  HMODULE module = LoadLibraryExW((tz::test::programFolder() + L"LoopraReWire.LNG").c_str(),
                                  nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ~LanguageModule() override {
    if (module != nullptr) FreeLibrary(module);
  }

  // The string id of the block in language, read from the block the system finds: each of the
  // 16 entries is a count and that many characters.
  std::wstring stringIn(WORD language, UINT id) {
    const HRSRC found =
        FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(id / 16 + 1), language);
    if (found == nullptr) return L"<no block>";
    const auto* block = static_cast<const WCHAR*>(LockResource(LoadResource(module, found)));
    const DWORD words = SizeofResource(module, found) / sizeof(WCHAR);
    DWORD at = 0;
    for (UINT index = 0; index < id % 16; ++index) {
      if (at >= words) return L"<short block>";
      at += 1 + block[at];
    }
    if (at >= words || words - at - 1 < block[at]) return L"<short block>";
    return {block + at + 1, block[at]};
  }
};

TEST_F(LanguageModule, SystemFindsTheTranslatedStringsAndThePropertyPage) {
  ASSERT_NE(nullptr, module) << "error " << GetLastError();
  EXPECT_EQ(L"ReWire-Treiberklasse", stringIn(kGerman, kClassName));
  EXPECT_EQ(L"ReWire \u30C9\u30E9\u30A4\u30D0\u30AF\u30E9\u30B9", stringIn(kJapanese, kClassName));
  EXPECT_EQ(L"<no block>", stringIn(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), kClassName))
      << "English stays in the library itself";

  // The system's string loader takes one of the module's two languages.
  WCHAR loaded[64] = {};
  ASSERT_GT(LoadStringW(module, kClassName, loaded, 64), 0);
  EXPECT_TRUE(stringIn(kGerman, kClassName) == loaded || stringIn(kJapanese, kClassName) == loaded)
      << "LoadStringW gave something else";

  // Dialog 1368 in both languages, each an extended template (version 1, signature 0xFFFF) of
  // 250 x 111 dialog units.
  for (const WORD language : {kGerman, kJapanese}) {
    const HRSRC found =
        FindResourceExW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(kDriverPage), language);
    ASSERT_NE(nullptr, found) << "language " << language;
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    ASSERT_GE(SizeofResource(module, found), 26u);
    WORD header[2];
    memcpy(header, bytes, sizeof header);
    EXPECT_EQ(1, header[0]);
    EXPECT_EQ(0xFFFF, header[1]);
    short size[2];
    memcpy(size, bytes + 22, sizeof size);
    EXPECT_EQ(250, size[0]);
    EXPECT_EQ(111, size[1]);
  }
}

}  // namespace
