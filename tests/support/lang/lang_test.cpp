// Language contexts over two fixture modules made only of resources: one with a German
// language module beside it, and the same module alone.
#include <gtest/gtest.h>

#include <cstring>

#include <filesystem>
#include <string>
#include <utility>

#include "module_file.h"
#include "support/lang/lang_context.h"
#include "support/platform/module.h"
#include "support/platform/resources.h"
#include "support/ui/window_layout.h"
#include "tests/common/scratch_folder.h"

namespace {

using tz::platform::Module;

const WCHAR* resourceId(uintptr_t id) {
  return reinterpret_cast<const WCHAR*>(id);
}
constexpr uintptr_t kStringType = 6;

// The test program is a module like any other: its own context is the module-wide one.
const bool moduleLanguageOpened = [] {
  const void* image = tz::platform::imageOf(reinterpret_cast<const void*>(&resourceId));
  return SUCCEEDED(tz::lang::openModuleLanguage(static_cast<HINSTANCE>(const_cast<void*>(image))));
}();

struct LangTest : ::testing::Test {
  Module module;
  HTZLANG lang = nullptr;

  void open(const char* folder, LONG ring = 0) {
    openModule(std::string(TZ_LANG_FIXTURE_DIR) + "/" + folder + "/" TZ_LANG_FIXTURE_FILE, ring);
  }
  void openModule(const std::string& path, LONG ring = 0) {
    ASSERT_TRUE(moduleLanguageOpened);
    ASSERT_EQ(tz::platform::PlatformError::Success, module.loadFromPath(path));
    ASSERT_EQ(S_OK, TzLang_Open(&lang, instance(), 0, ring));
  }
  HINSTANCE instance() const { return static_cast<HINSTANCE>(const_cast<void*>(module.image())); }
  std::u16string load(UINT id, int length = 64) {
    WCHAR buffer[64];
    const int count = TzLoadString(lang, id, buffer, length);
    EXPECT_EQ(std::u16string(buffer).size(), static_cast<size_t>(count));
    return buffer;
  }
  void TearDown() override {
    TzLang_Close(lang);
    TzLang_UpdateKernelLCID(tz::lang::moduleLanguage(), 1033, 0);
  }
};

TEST_F(LangTest, WithoutALanguageModuleEveryLocaleReadsTheModulesEnglish) {
  open("alone");
  EXPECT_EQ(instance(), TzLang_InstFromLang(lang));
  EXPECT_EQ(0u, TzLang_GetLCID(lang));
  EXPECT_TRUE(TzLang_UpdateKernelLCID(lang, 1031, 1));
  EXPECT_TRUE(lang->useLanguageModule.load());
  EXPECT_EQ(u"Hello", load(101));
  EXPECT_EQ(u"Caption", load(100));  // the marker goes, and the count is 7
  EXPECT_EQ(u"Hel", load(101, 4));
  EXPECT_EQ(u"", load(130));
  EXPECT_EQ(u"", load(131));
  WCHAR untouched[2] = {u'x', u'y'};
  EXPECT_EQ(0, TzLoadString(lang, 101, untouched, 0));
  EXPECT_EQ(u'x', untouched[0]);
}

TEST_F(LangTest, TheLanguageModuleServesItsLanguageAndTheModuleTheRest) {
  open("with_language");
  EXPECT_EQ(u"Hello", load(101)) << "the language module waits for a non-English locale";
  ASSERT_TRUE(TzLang_UpdateKernelLCID(lang, 1031, 1));
  EXPECT_NE(instance(), TzLang_InstFromLang(lang));
  EXPECT_EQ(u"Grüß Gott", load(101));
  EXPECT_EQ(u"Schrift", load(100));
  EXPECT_EQ(u"English only", load(102));
  // Read as data: the loader never mapped it, so nothing of it ran.
  const std::string languageModule =
      std::string(TZ_LANG_FIXTURE_DIR) + "/with_language/tz_lang_fixture.LNG";
  EXPECT_FALSE(tz::test::loadedToRun(languageModule));
  EXPECT_EQ(u"Grüß Gott", load(101)) << "a sub-language falls back to its language";
  TzLang_UpdateKernelLCID(lang, 0x0807, 1);
  EXPECT_EQ(u"Grüß Gott", load(101));
  ASSERT_TRUE(TzLang_UpdateKernelLCID(lang, 0, 0));
  EXPECT_EQ(1033u, TzLang_GetLCID(lang));
  EXPECT_FALSE(lang->useLanguageModule.load());
  EXPECT_EQ(u"Hello", load(101));
}

TEST_F(LangTest, ADamagedLanguageModuleLeavesTheModulesEnglish) {
  const std::filesystem::path fixture =
      std::filesystem::path(TZ_LANG_FIXTURE_DIR) / "with_language";
  const std::string good = tz::test::readFile(fixture / "tz_lang_fixture.LNG");
  const tz::test::ScratchFolder temp;
  std::filesystem::copy_file(fixture / TZ_LANG_FIXTURE_FILE, temp.path / TZ_LANG_FIXTURE_FILE);
  for (const std::string& bytes :
       {good.substr(0, 1000), good.substr(0, good.size() - 1), std::string(good.size(), '\0')}) {
    tz::test::writeFile(temp.path / "tz_lang_fixture.LNG", bytes);
    openModule((temp.path / TZ_LANG_FIXTURE_FILE).string());
    ASSERT_TRUE(TzLang_UpdateKernelLCID(lang, 1031, 1));
    EXPECT_EQ(u"Hello", load(101)) << bytes.size();
    EXPECT_EQ(instance(), TzFindResInstance(lang, resourceId(7), resourceId(kStringType)));
    TzLang_Close(std::exchange(lang, nullptr));
    module.unload();
  }
}

TEST_F(LangTest, TheCacheKeepsEachTextAtOneAddressUntilTheLanguageChanges) {
  open("with_language");
  const WCHAR* hello = TzGetString(lang, 101);
  EXPECT_EQ(std::u16string(u"Hello"), hello);
  EXPECT_EQ(hello, TzGetString(lang, 101));
  EXPECT_EQ(std::u16string(u"Next block"), TzGetString(lang, 120));
  EXPECT_EQ(std::u16string(u"Caption"), TzGetString(lang, 100));
  EXPECT_EQ(3, lang->cache->itemCount);
  // Sorted by id whatever the order of loading.
  const auto idAt = [&](int i) {
    return *static_cast<uint32_t*>(static_cast<void**>(lang->cache->slots)[i]);
  };
  EXPECT_EQ(100u, idAt(0));
  EXPECT_EQ(120u, idAt(2));
  // An id with no text caches nothing and is looked up again next time.
  EXPECT_EQ(std::u16string(), TzGetString(lang, 131));
  EXPECT_EQ(3, lang->cache->itemCount);
  // Long texts are kept to 1023 characters.
  EXPECT_EQ(1023u, std::u16string(TzGetString(lang, 200)).size());

  TzLang_UpdateKernelLCID(lang, 1031, 1);
  EXPECT_EQ(0, lang->cache->itemCount);
  EXPECT_EQ(std::u16string(u"Grüß Gott"), TzGetString(lang, 101));
  const HTZLANG moduleWide = tz::lang::moduleLanguage();
  EXPECT_EQ(1031u, TzLang_GetLCID(moduleWide));
  EXPECT_TRUE(moduleWide->useLanguageModule.load());
  TzLang_UpdateKernelLCID(lang, 1031, 1);
  EXPECT_EQ(1, lang->cache->itemCount) << "the same locale again flushes nothing";
  EXPECT_EQ(std::u16string(), TzGetString(nullptr, 101));
}

TEST_F(LangTest, ResourcesComeFromTheLanguageModuleFirstThenTheModule) {
  open("with_language");
  const WCHAR* block7 = resourceId(7);  // ids 96 to 111
  const WCHAR* stringType = resourceId(kStringType);
  const HRSRC english = TzFindResource(lang, block7, stringType);
  ASSERT_NE(nullptr, english);
  EXPECT_EQ(instance(), TzFindResInstance(lang, block7, stringType));
  EXPECT_EQ(english, TzFindResource(lang, u"#7", stringType));
  EXPECT_EQ(nullptr, TzFindResource(lang, u"#x", stringType));
  EXPECT_EQ(nullptr, TzFindResource(lang, nullptr, stringType));

  TzLang_UpdateKernelLCID(lang, 1031, 1);
  const HRSRC german = TzFindResource(lang, block7, stringType);
  ASSERT_NE(nullptr, german);
  EXPECT_NE(english, german);
  EXPECT_EQ(TzLang_InstFromLang(lang), TzFindResInstance(lang, block7, stringType));
  // Block 8 exists in English only.
  EXPECT_EQ(instance(), TzFindResInstance(lang, resourceId(8), stringType));
  EXPECT_NE(nullptr, TzLoadResource(lang, german));
  EXPECT_GT(TzSizeofResource(lang, german), 32u);
  // The module's own entry still loads while the language module is in use.
  EXPECT_NE(nullptr, TzLoadResource(lang, english));
  uint32_t notAnEntry[5] = {};
  EXPECT_EQ(nullptr, TzLoadResource(lang, reinterpret_cast<HRSRC>(notAnEntry)));
  EXPECT_EQ(0u, TzSizeofResource(lang, reinterpret_cast<HRSRC>(notAnEntry)));

  const WCHAR* types[] = {resourceId(5), stringType};
  LONG index = -1;
  EXPECT_EQ(german, TzFindResourceMulti(lang, block7, types, 2, &index));
  EXPECT_EQ(1, index);
  EXPECT_NE(nullptr, TzFindResourceMulti(lang, resourceId(8), types, 2, nullptr));
  // Every type in the language module comes before any type in the module: block 8 is a
  // string block of the module only, and raw data (type 10) of the language module only.
  const WCHAR* stringOrData[] = {stringType, resourceId(10)};
  const HRSRC data = TzFindResourceMulti(lang, resourceId(8), stringOrData, 2, &index);
  EXPECT_EQ(1, index);
  ASSERT_NE(nullptr, data);
  EXPECT_EQ(TzLang_InstFromLang(lang), TzFindResInstance(lang, resourceId(8), resourceId(10)));
  ASSERT_EQ(10u, TzSizeofResource(lang, data)) << "\"acht\", a 16-bit 8 and a 32-bit number";
  const auto* bytes = static_cast<const uint8_t*>(TzLoadResource(lang, data));
  EXPECT_EQ(0, std::memcmp(bytes, "acht\x08\x00\x78\x56\x34\x12", 10));
  EXPECT_EQ(nullptr, TzFindResourceMulti(lang, block7, types, 0, &index));
  EXPECT_EQ(nullptr, TzFindResourceMulti(lang, resourceId(99), types, 2, &index));
}

TEST_F(LangTest, TheScratchRingWrapsBeforeItsReserve) {
  open("alone", 100);
  EXPECT_EQ(2048, lang->ringCapacity);
  WCHAR* first = TzGetTempStringBuffer(lang, 0);
  EXPECT_EQ(u'\0', first[0]);
  EXPECT_EQ(first + 2, TzGetTempStringBuffer(lang, 5));
  EXPECT_EQ(first + 8, TzGetTempStringBuffer(lang, 1000));
  EXPECT_EQ(first + 1010, TzGetTempStringBuffer(lang, 30));
  // Once past capacity minus the reserve, the next request starts at the beginning again.
  EXPECT_EQ(first, TzGetTempStringBuffer(lang, 10));
  EXPECT_EQ(first + 12, TzGetTempStringBuffer(lang, 0));
  // A request the rest of the ring cannot hold starts at the beginning; one the ring
  // cannot hold at all gets nothing.
  EXPECT_EQ(first, TzGetTempStringBuffer(lang, 2040));
  EXPECT_EQ(nullptr, TzGetTempStringBuffer(lang, 2048));
  EXPECT_EQ(nullptr, TzGetTempStringBuffer(nullptr, 1));

  HTZLANG other = nullptr;
  ASSERT_EQ(S_OK, TzLang_Open(&other, instance(), 1041, 0));
  EXPECT_EQ(8192, other->ringCapacity);
  EXPECT_EQ(1041u, TzLang_GetLCID(other));
  EXPECT_FALSE(other->useLanguageModule.load()) << "until the first language switch";
  TzLang_Close(other);
}

TEST(LangLocale, ConditionedLocalesNamesAndDirection) {
  struct Case {
    LCID locale, conditioned;
    const char16_t* name;
  };
  const Case cases[] = {
      {0x0C04, 0x0404, u"CHT"}, {0x1004, 0x0804, u"CHS"}, {0x0816, 0x0816, u"PTG"},
      {0x0807, 0x0407, u"DEU"}, {0x0409, 0x0409, u"ENU"}, {0x0411, 0x0411, u"JPN"},
      {0x0809, 0x0409, u"ENU"}, {0x0416, 0x0416, u"PTB"}, {0x0401, 0x0401, u"ARA"},
  };
  ASSERT_TRUE(moduleLanguageOpened);
  HTZLANG lang = nullptr;
  ASSERT_EQ(S_OK, TzLang_Open(&lang, nullptr, 0, 0));
  for (const Case& c : cases) {
    EXPECT_EQ(c.conditioned, TzLang_GetConditionedLCID(c.locale)) << std::hex << c.locale;
    TzLang_UpdateKernelLCID(lang, c.locale, 0);
    WCHAR name[4] = u"???";
    EXPECT_TRUE(TzLang_GetLangAbbrev(lang, name, 4));
    EXPECT_EQ(std::u16string(c.name), name);
    EXPECT_EQ(TzLang_UseRTL(lang) != FALSE, tz::ui::defaultLayoutIsRightToLeft());
  }
  EXPECT_TRUE(tz::ui::defaultLayoutIsRightToLeft());  // Arabic was last
  WCHAR shortBuffer[3] = u"??";
  EXPECT_FALSE(TzLang_GetLangAbbrev(lang, shortBuffer, 3));
  EXPECT_EQ(u'\0', shortBuffer[0]);
  TzLang_UpdateKernelLCID(lang, 0x047F, 0);  // a locale with no name
  EXPECT_FALSE(TzLang_GetLangAbbrev(lang, shortBuffer, 3));
  EXPECT_TRUE(TzLang_IsLCIDEnglish(0x0C09));
  EXPECT_FALSE(TzLang_IsLCIDEnglish(0x0407));
  EXPECT_FALSE(TzLang_UseRTL(nullptr));
  EXPECT_EQ(0u, TzLang_GetLCID(nullptr));

  // Replacing the language module reaches the module-wide context too; null changes nothing.
  const HINSTANCE replacement = reinterpret_cast<HINSTANCE>(0x1000);
  EXPECT_TRUE(TzLang_ChangeLangInst(lang, nullptr));
  EXPECT_TRUE(TzLang_ChangeLangInst(lang, replacement));
  EXPECT_EQ(replacement, lang->languageModule.load());
  EXPECT_EQ(replacement, tz::lang::moduleLanguage()->languageModule.load());
  EXPECT_FALSE(TzLang_ChangeLangInst(nullptr, replacement));
  tz::lang::moduleLanguage()->languageModule = tz::lang::moduleInstance();
  TzLang_UpdateKernelLCID(lang, 1033, 0);
  EXPECT_EQ(S_OK, TzLang_Close(lang));
  EXPECT_EQ(S_OK, TzLang_Close(nullptr));
}

}  // namespace
