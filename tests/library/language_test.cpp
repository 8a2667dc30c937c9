// The library's strings in the user's language, as a host sees them: the language module
// beside the library serves German and Japanese, the library itself English.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tz/lang.h"

namespace {

struct LanguageApi {
  void* handle = nullptr;
  decltype(&TzLang_Open) open = nullptr;
  decltype(&TzLang_Close) close = nullptr;
  decltype(&TzLang_UpdateKernelLCID) update = nullptr;
  decltype(&TzGetString) getString = nullptr;
  decltype(&TzLang_GetLangAbbrev) abbreviation = nullptr;
  HTZLANG lang = nullptr;

  explicit LanguageApi(const std::string& path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return;
    open = reinterpret_cast<decltype(open)>(dlsym(handle, "TzLang_Open"));
    close = reinterpret_cast<decltype(close)>(dlsym(handle, "TzLang_Close"));
    update = reinterpret_cast<decltype(update)>(dlsym(handle, "TzLang_UpdateKernelLCID"));
    getString = reinterpret_cast<decltype(getString)>(dlsym(handle, "TzGetString"));
    abbreviation = reinterpret_cast<decltype(abbreviation)>(dlsym(handle, "TzLang_GetLangAbbrev"));
    // The library's instance handle is where its image begins.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(open), &info) != 0)
      open(&lang, static_cast<HINSTANCE>(info.dli_fbase), 0, 0);
  }
  ~LanguageApi() {
    if (close != nullptr) close(lang);
    if (handle != nullptr) dlclose(handle);
  }

  std::u16string deviceName(LCID locale) {
    // FALSE would mean the library opened no language context of its own at load.
    EXPECT_TRUE(update(lang, locale, 0));
    return getString(lang, 1527);
  }
};

TEST(LibraryLanguage, TheLanguageModuleServesGermanAndJapaneseAndTheLibraryEnglish) {
  LanguageApi api(TZ_LIBRARY_PATH);
  ASSERT_NE(nullptr, api.lang) << dlerror();
  EXPECT_EQ(u"ReWire Device Driver", api.deviceName(1033));
  EXPECT_EQ(u"ReWire-Gerätetreiber", api.deviceName(1031));
  WCHAR abbreviation[4];
  EXPECT_TRUE(api.abbreviation(api.lang, abbreviation, 4));
  EXPECT_EQ(std::u16string(u"DEU"), abbreviation);
  EXPECT_EQ(u"ReWire デバイスドライバ", api.deviceName(1041));
  // The names the two processes meet by are the same in every language.
  EXPECT_EQ(u"Halvard.Loopra7.ReWireDevice", std::u16string(api.getString(api.lang, 1528)));
  EXPECT_EQ(u"ReWire Device Driver", api.deviceName(0x0809));
}

TEST(LibraryLanguage, WithoutTheLanguageModuleEveryLanguageGetsEnglish) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tz-lang-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(TZ_LIBRARY_PATH, folder / "LoopraReWire.so",
                             std::filesystem::copy_options::overwrite_existing);
  {
    LanguageApi api((folder / "LoopraReWire.so").string());
    ASSERT_NE(nullptr, api.lang) << dlerror();
    EXPECT_EQ(u"ReWire Device Driver", api.deviceName(1031));
    EXPECT_EQ(u"ReWire Device Driver", api.deviceName(1041));
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
