// The library's strings in the user's language, as a host sees them: the language module
// beside the library serves German and Japanese, the library itself English.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/platform/module.h"
#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"
#include "tz/lang.h"
#include "tz/time_text.h"

namespace {

struct LanguageApi {
  tz::platform::Module module;
  decltype(&TzLang_Open) open = nullptr;
  decltype(&TzLang_Close) close = nullptr;
  decltype(&TzLang_UpdateKernelLCID) update = nullptr;
  decltype(&TzGetString) getString = nullptr;
  decltype(&TzLang_GetLangAbbrev) abbreviation = nullptr;
  HTZLANG lang = nullptr;

  explicit LanguageApi(const std::string& path) {
    if (module.loadFromPath(path) != tz::platform::PlatformError::Success) return;
    open = reinterpret_cast<decltype(open)>(module.symbol("TzLang_Open"));
    close = reinterpret_cast<decltype(close)>(module.symbol("TzLang_Close"));
    update = reinterpret_cast<decltype(update)>(module.symbol("TzLang_UpdateKernelLCID"));
    getString = reinterpret_cast<decltype(getString)>(module.symbol("TzGetString"));
    abbreviation = reinterpret_cast<decltype(abbreviation)>(module.symbol("TzLang_GetLangAbbrev"));
    // The library's instance handle is where its image begins.
    if (open != nullptr)
      open(&lang, static_cast<HINSTANCE>(const_cast<void*>(module.image())), 0, 0);
  }
  ~LanguageApi() {
    if (close != nullptr) close(lang);
  }

  std::u16string deviceName(LCID locale) {
    // FALSE would mean the library opened no language context of its own at load.
    EXPECT_TRUE(update(lang, locale, 0));
    return getString(lang, 1527);
  }
};

TEST(LibraryLanguage, TheLanguageModuleServesGermanAndJapaneseAndTheLibraryEnglish) {
  LanguageApi api(TZ_LIBRARY_PATH);
  ASSERT_NE(nullptr, api.lang) << tz::platform::lastLoadMessage();
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

TEST(LibraryLanguage, TheSupportLibrarysOwnStringsComeInAllThreeLanguages) {
  LanguageApi api(TZ_LIBRARY_PATH);
  ASSERT_NE(nullptr, api.lang) << tz::platform::lastLoadMessage();
  auto text = [&](LCID locale, UINT id) {
    EXPECT_TRUE(api.update(api.lang, locale, 0));
    return std::u16string(api.getString(api.lang, id));
  };
  EXPECT_EQ(u"SMPTE Non-Drop 30 (30 fps)", text(1033, 48439));
  EXPECT_EQ(u"SMPTE Non-Drop (29.97 fps)", text(1033, 48443));
  EXPECT_EQ(u"SMPTE Drop (29,97 B/s)", text(1031, 48440));
  EXPECT_EQ(u"SMPTE フィルム同期 (24 fps)", text(1041, 48442));
  EXPECT_EQ(u"\n\nDer Vorgang wurde vom Benutzer abgebrochen.", text(1031, 48016));
  EXPECT_EQ(u"\n\nエラー 0x%08x (メッセージがありません)", text(1041, 48401));
  EXPECT_EQ(u"An error occurred while starting playback.", text(1033, 48170));
  // The driver's strings still come from the same tables.
  EXPECT_EQ(u"ReWire デバイスドライバ", text(1041, 1527));
}

// The property page's template in each language: the header of an extended template with its
// seven controls, and the first control's text as that language words it.
TEST(LibraryLanguage, ThePropertyPageDialogComesInAllThreeLanguages) {
  LanguageApi api(TZ_LIBRARY_PATH);
  ASSERT_NE(nullptr, api.lang) << tz::platform::lastLoadMessage();
  const auto find =
      reinterpret_cast<decltype(&TzFindResource)>(api.module.symbol("TzFindResource"));
  const auto load =
      reinterpret_cast<decltype(&TzLoadResource)>(api.module.symbol("TzLoadResource"));
  const auto size =
      reinterpret_cast<decltype(&TzSizeofResource)>(api.module.symbol("TzSizeofResource"));
  const auto* dialogType = reinterpret_cast<const WCHAR*>(uintptr_t{5});
  const auto* page = reinterpret_cast<const WCHAR*>(uintptr_t{1368});
  for (const auto& [locale, label] :
       {std::pair<LCID, std::u16string>{1033, u"&Number of extra stereo ports: (Max 26)"},
        {1031, u"Zusätzliche &Stereo-Ports: (max. 26)"},
        {1041, u"追加ステレオポート(&N): 最大 26"}}) {
    EXPECT_TRUE(api.update(api.lang, locale, 0));
    const HRSRC resource = find(api.lang, page, dialogType);
    ASSERT_NE(nullptr, resource) << locale;
    const auto* bytes = static_cast<const uint8_t*>(load(api.lang, resource));
    const DWORD length = size(api.lang, resource);
    ASSERT_NE(nullptr, bytes);
    ASSERT_GT(length, 120u + 2 * label.size());
    auto word = [&](size_t at) { return unsigned(bytes[at] | bytes[at + 1] << 8); };
    EXPECT_EQ(1u, word(0));
    EXPECT_EQ(0xFFFFu, word(2));
    EXPECT_EQ(7u, word(16)) << "controls";
    EXPECT_EQ(250u, word(22));
    // Header (26 bytes), no menu, no class, no title, the font (6 bytes and "MS Sans Serif"),
    // then the first item from its 4-byte boundary: 24 bytes, the class ordinal, the text.
    const size_t item = (26 + 6 + 6 + 2 * 14 + 3) / 4 * 4;
    std::u16string text;
    for (size_t at = item + 28; at + 1 < length && word(at) != 0; at += 2)
      text.push_back(static_cast<char16_t>(word(at)));
    EXPECT_EQ(label, text) << locale;
  }
}

std::u16string printed(const tz::platform::Module& library, const WCHAR* format) {
  using PrintF = int(__attribute__((cdecl))*)(WCHAR*, const WCHAR*, ...);
  const auto print = reinterpret_cast<PrintF>(library.symbol("TzPrintF"));
  WCHAR text[256] = {};
  if (print != nullptr) print(text, format);
  return text;
}

// Right after load, seen from a fresh run of this program: a test before may have loaded the
// library already, and it stays loaded.
TEST(LibraryLanguage, TheTimeLabelTokensArePublishedAtLoadInEnglish) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto printedAtLoad = [] {
    tz::platform::Module library;
    library.loadFromPath(TZ_LIBRARY_PATH);
    return printed(library, u"$(MusicTime.Label) $(SMPTE.Label.Drop)");
  };
  EXPECT_EXIT(std::exit(printedAtLoad() == u"ms.bt.tk hr:mn:sc,fr" ? 0 : 1),
              ::testing::ExitedWithCode(0), "");
}

TEST(LibraryLanguage, TheTimeLabelTokensAndLabelsFollowTheLanguage) {
  LanguageApi api(TZ_LIBRARY_PATH);
  ASSERT_NE(nullptr, api.lang) << tz::platform::lastLoadMessage();
  const auto labeled = reinterpret_cast<decltype(&TzGetLabeledStringFixed)>(
      api.module.symbol("TzGetLabeledStringFixed"));
  EXPECT_TRUE(api.update(api.lang, 1031, 0));
  EXPECT_EQ(u"Tk.Sl.Ti St:Mi:Se.Fr",
            printed(api.module, u"$(MusicTime.Label) $(SMPTE.Label.NonDrop)"));
  EXPECT_EQ(u"-Unendl.", std::u16string(labeled(10, 1, 10, u" dB")));
  EXPECT_TRUE(api.update(api.lang, 1041, 0));
  EXPECT_EQ(u"小節.拍.ティック数", printed(api.module, u"$(MusicTime.Label.Full)"));
  EXPECT_TRUE(api.update(api.lang, 1033, 0));
  EXPECT_EQ(u"measures.beats.ticks", printed(api.module, u"$(MusicTime.Label.Full)"));
}

// A copy of the library alone in a folder of its own, as an installation holds it.
struct LibraryCopy {
  tz::test::ScratchFolder scratch;
  const std::filesystem::path& folder = scratch.path;
  std::filesystem::path library =
      folder / (std::string("LoopraReWire") + tz::platform::kLibrarySuffix);

  LibraryCopy() { std::filesystem::copy_file(TZ_LIBRARY_PATH, library); }
  void placeLanguageModule(const std::string& bytes) const {
    tz::test::writeFile(folder / "LoopraReWire.LNG", bytes);
  }
};

using tz::test::readFile;

TEST(LibraryLanguage, WithoutTheLanguageModuleEveryLanguageGetsEnglish) {
  const LibraryCopy copy;
  LanguageApi api(copy.library.string());
  ASSERT_NE(nullptr, api.lang) << tz::platform::lastLoadMessage();
  EXPECT_EQ(u"ReWire Device Driver", api.deviceName(1031));
  EXPECT_EQ(u"ReWire Device Driver", api.deviceName(1041));
}

// Each file lies beside a copy of the library as its language module while a child process
// loads the library as a host does: the child lives, reads English in German and Japanese and
// says why the file is not used; the planted library's constructor never runs.
TEST(LibraryLanguage, ADamagedOrPlantedLanguageModuleGivesEnglishAndRunsNothing) {
  GTEST_FLAG_SET(death_test_style, "fast");
  const LibraryCopy copy;
  const std::string good = readFile(TZ_LANGUAGE_PATH);
  ASSERT_GT(good.size(), 16300u);
  std::mt19937 random(1031);
  std::string noise(good.size(), '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::vector<std::pair<std::string, std::string>> files = {
      {"zeroed", std::string(good.size(), '\0')},
      {"random", noise},
      {"planted", readFile(TZ_PLANTED_LANGUAGE_MODULE)},
  };
  for (size_t size :
       {size_t{1000}, size_t{4096}, size_t{8192}, size_t{12000}, size_t{16300}, good.size() - 1})
    files.emplace_back("truncated to " + std::to_string(size), good.substr(0, size));

  // Where a death test runs the test again in a new process, that run makes a copy of its own
  // and takes the marker's path from its parent.
  const char* inherited = std::getenv("TZ_PLANTED_MARKER");
  const std::filesystem::path marker =
      inherited != nullptr ? std::filesystem::path(inherited) : copy.folder / "constructor-ran";
  const tz::test::ScopedEnv plantedMarker("TZ_PLANTED_MARKER", marker.string());
  const auto readsEnglish = [&] {
    LanguageApi api(copy.library.string());
    const std::u16string english = u"ReWire Device Driver";
    return api.lang != nullptr && api.deviceName(1031) == english &&
           api.deviceName(1041) == english;
  };
  for (const auto& [what, bytes] : files) {
    copy.placeLanguageModule(bytes);
    EXPECT_EXIT(std::exit(readsEnglish() ? 0 : 1), ::testing::ExitedWithCode(0),
                "LoopraReWire\\.LNG.*English")
        << what;
  }
  EXPECT_FALSE(std::filesystem::exists(marker));
}

}  // namespace
