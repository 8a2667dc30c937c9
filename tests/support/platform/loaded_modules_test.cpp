// The module snapshot and the reading of loaded images, against what the loader says, and on
// address-space text and images that lie.
#include "support/platform/loaded_modules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "memory_pages.h"
#include "support/platform/loaded_image.h"
#include "support/platform/module.h"
#include "support/platform/resources.h"

namespace {

using tz::platform::LoadedModule;
using tz::platform::ModuleMap;

uintptr_t baseOf(const void* address) {
  return reinterpret_cast<uintptr_t>(tz::platform::imageOf(address));
}

void expectExportsAndVersion(const char* path, const char* stem, uint32_t mostSignificant) {
  tz::platform::Module library;
  ASSERT_EQ(tz::platform::PlatformError::Success, library.loadFromPath(path));
  const void* exported = library.symbol("tzFixtureMajor");
  ModuleMap modules;
  ASSERT_TRUE(modules.load());
  const LoadedModule* module = modules.find(reinterpret_cast<uintptr_t>(exported));
  ASSERT_NE(nullptr, module) << path;
  EXPECT_EQ(baseOf(exported), module->base);
  EXPECT_EQ(std::strrchr(path, '/') + 1, std::string(module->name));
  EXPECT_EQ(module, modules.findByStem(stem));
  EXPECT_EQ(exported, tz::platform::findImageSymbol(module->base, "tzFixtureMajor"));
  EXPECT_EQ(nullptr, tz::platform::findImageSymbol(module->base, "tzFixtureMinor"));
  EXPECT_EQ(nullptr, tz::platform::findImageSymbol(module->base, ""));
  // A stdcall function under whichever name the system's tools gave it, or its plain name.
  using Next = int(__attribute__((stdcall))*)(int);
  const auto next = reinterpret_cast<Next>(
      const_cast<void*>(tz::platform::findStdcallImageSymbol(module->base, "tzFixtureNext", 4)));
  ASSERT_NE(nullptr, next);
  EXPECT_EQ(8, next(7));
  EXPECT_EQ(exported, tz::platform::findStdcallImageSymbol(module->base, "tzFixtureMajor", 0));
  EXPECT_EQ(nullptr, tz::platform::findStdcallImageSymbol(module->base, "tzFixtureMinor", 4));
  tz::platform::FileVersion version;
  ASSERT_TRUE(tz::platform::readImageVersion(module->base, version));
  EXPECT_EQ(mostSignificant, version.mostSignificant);
}

TEST(LoadedModules, FindsTheProgramAndItsLibrariesAndTheirExports) {
  expectExportsAndVersion(TZ_FIXTURE_V1, "TZ_Fixture_V1", 0x00010002u);
  ModuleMap modules;
  ASSERT_TRUE(modules.load());
  const auto here = reinterpret_cast<uintptr_t>(&baseOf);
  const LoadedModule* program = modules.find(here);
  ASSERT_NE(nullptr, program);
  EXPECT_STREQ(TZ_PROGRAM_NAME, program->name);
  EXPECT_EQ(baseOf(reinterpret_cast<const void*>(here)), program->base);
  tz::platform::FileVersion version;
  EXPECT_FALSE(tz::platform::readImageVersion(program->base, version));
  EXPECT_EQ(nullptr, modules.find(0));
  EXPECT_EQ(nullptr, modules.find(tz::test::protectedPage()));
  EXPECT_EQ(nullptr, modules.findByStem("ErrorReport"));
}

TEST(LoadedModules, FindsExportsThroughTheClassicHashTable) {
  if (std::strlen(TZ_FIXTURE_SYSV) == 0) GTEST_SKIP() << "the classic hash table is ELF's";
  expectExportsAndVersion(TZ_FIXTURE_SYSV, "tz_fixture_sysv", 0x00010000u);
}

// Lines that do not parse are passed over; files of one name in two folders are two modules;
// a mapped file without an image header is none.
TEST(LoadedModules, ReadsAddressSpaceTextAsItIsAndOnlyThat) {
  const uintptr_t program = baseOf(reinterpret_cast<const void*>(&baseOf));
  ModuleMap loaded;
  ASSERT_TRUE(loaded.load());
  uintptr_t other = 0;  // any module but the program
  for (size_t i = 0; i < loaded.size() && other == 0; ++i)
    if (loaded[i].base != program) other = loaded[i].base;
  ASSERT_NE(0u, other);
  char text[1024];
  std::snprintf(text, sizeof text,
                "%08x-%08x r--p 00000000 08:01 11   /first/lib.so\n"
                "%08x-%08x r-xp 00001000 08:01 11   /first/lib.so\n"
                "%08x-%08x r--p 00000000 08:02 12   /second/lib.so\n"
                "%08x-%08x rw-p 00000000 00:00 0\n"
                "%08x-%08x r--p 00000000 08:01 13   /data/not-elf.bin\n"
                "%08x-%08x r--p 00000000 08:01 14   /bad/perms\n"
                "1%08x-%08x r--p 00000000 08:01 15   /bad/nine-digits\n"
                "%08x-%08x r--p 00000000 08:01 15   /bad/backwards\n"
                "%08x-%08x r--p 0000000g 08:01 16   /bad/offset",
                unsigned(program), unsigned(program + 0x1000), unsigned(program + 0x1000),
                unsigned(program + 0x3000), unsigned(other), unsigned(other + 0x1000),
                unsigned(other + 0x1000), unsigned(other + 0x2000),
                unsigned(tz::test::protectedPage() - 0x1000), unsigned(tz::test::protectedPage()),
                unsigned(other - 0x2000), unsigned(other - 0x1000), unsigned(other - 0x2000),
                unsigned(other - 0x1000), unsigned(other + 0x8000), unsigned(other + 0x7000),
                unsigned(program - 0x2000), unsigned(program - 0x1000));
  std::string withBadPerms = text;
  withBadPerms.replace(withBadPerms.find("r--p 00000000 08:01 14"), 4, "r--");
  ModuleMap modules;
  modules.loadFromText(withBadPerms);
  ASSERT_EQ(2u, modules.size());
  EXPECT_EQ(program, modules.find(program + 0x2FFF)->base);
  EXPECT_EQ(program + 0x3000, modules.find(program + 0x2FFF)->end);
  EXPECT_STREQ("lib.so", modules.find(other)->name);
  EXPECT_EQ(nullptr, modules.find(program + 0x3000));
  EXPECT_EQ(modules.find(program), modules.findByStem("LIB"));
}

// Images that are none, or whose tables point anywhere (the fuzz target tries many), yield
// nothing and never fault: an ELF header with nothing behind it, and a PE header whose image
// size, export directory and resource section reach far past what is mapped.
TEST(LoadedModules, ImagesThatLieYieldNothing) {
  static uint32_t elf[1024] = {0x464C457F, 0x00010101};
  static uint32_t pe[1024] = {0x5A4D};
  const auto put = [](size_t at, uint32_t value) { std::memcpy(&pe[0] + at / 4, &value, 4); };
  put(0x3C, 0x40);
  put(0x40, 0x4550);                       // "PE\0\0"
  put(0x44, 0x014C);                       // i386, no sections
  put(0x54, 0xE0);                         // the optional header's size
  put(0x58, 0x010B);                       // its magic
  put(0x90, 0x7FFFFFF0);                   // the image size
  put(0xB4, 16);                           // directories
  put(0xB8, 0x100), put(0xBC, 0x7000000);  // exports
  put(0xC8, 0x200), put(0xCC, 0x10000);    // resources
  put(0x100 + 24, 0x7FFF), put(0x100 + 20, 0x7FFF), put(0x100 + 32, 0x6FFFFFF0);
  put(0x200 + 12, 0x7FFF0000);
  tz::platform::FileVersion version;
  for (uintptr_t base : {uintptr_t{0}, tz::test::protectedPage(), uintptr_t{0xFFFFFFFC},
                         reinterpret_cast<uintptr_t>(elf), reinterpret_cast<uintptr_t>(pe)}) {
    EXPECT_EQ(nullptr, tz::platform::findImageSymbol(base, "tzFixtureMajor"));
    EXPECT_FALSE(tz::platform::readImageVersion(base, version));
  }
}

}  // namespace
