// The module snapshot and the reading of loaded images, against what the dynamic loader says,
// and on address-space text and images that lie.
#include "support/platform/loaded_modules.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/platform/loaded_image.h"
#include "tests/common/processor_faults.h"

namespace {

using tz::platform::LoadedModule;
using tz::platform::ModuleMap;

uintptr_t baseOf(const void* address) {
  Dl_info info{};
  return dladdr(address, &info) != 0 ? reinterpret_cast<uintptr_t>(info.dli_fbase) : 0;
}

TEST(LoadedModules, FindsTheProgramAndItsLibrariesAndTheirExports) {
  for (const char* path : {TZ_FIXTURE_V1, TZ_FIXTURE_SYSV}) {  // GNU and classic hash tables
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, library) << dlerror();
    const void* exported = dlsym(library, "tzFixtureMajor");
    ModuleMap modules;
    ASSERT_TRUE(modules.load());
    const LoadedModule* module = modules.find(reinterpret_cast<uintptr_t>(exported));
    ASSERT_NE(nullptr, module) << path;
    EXPECT_EQ(baseOf(exported), module->base);
    const std::string name = std::strrchr(path, '/') + 1;
    EXPECT_EQ(name, module->name);
    EXPECT_EQ(module,
              modules.findByStem(name == "tz_fixture_v1.so" ? "TZ_Fixture_V1" : "tz_fixture_sysv"));
    EXPECT_EQ(exported, tz::platform::findImageSymbol(module->base, "tzFixtureMajor"));
    EXPECT_EQ(nullptr, tz::platform::findImageSymbol(module->base, "tzFixtureMinor"));
    EXPECT_EQ(nullptr, tz::platform::findImageSymbol(module->base, ""));
    tz::platform::FileVersion version;
    ASSERT_TRUE(tz::platform::readImageVersion(module->base, version));
    EXPECT_EQ(name == "tz_fixture_v1.so" ? 0x00010002u : 0x00010000u, version.mostSignificant);
    dlclose(library);
  }
  ModuleMap modules;
  ASSERT_TRUE(modules.load());
  const auto here = reinterpret_cast<uintptr_t>(&baseOf);
  const LoadedModule* program = modules.find(here);
  ASSERT_NE(nullptr, program);
  EXPECT_STREQ("support_platform_tests", program->name);
  EXPECT_EQ(baseOf(reinterpret_cast<const void*>(here)), program->base);
  tz::platform::FileVersion version;
  EXPECT_FALSE(tz::platform::readImageVersion(program->base, version));
  EXPECT_EQ(nullptr, modules.find(0));
  EXPECT_EQ(nullptr, modules.find(tz::test::protectedPage()));
  EXPECT_EQ(nullptr, modules.findByStem("ErrorReport"));
}

// Lines that do not parse are passed over; files of one name in two folders are two modules;
// a mapped file without an ELF header is none.
TEST(LoadedModules, ReadsAddressSpaceTextAsItIsAndOnlyThat) {
  const uintptr_t program = baseOf(reinterpret_cast<const void*>(&baseOf));
  const uintptr_t libc = baseOf(reinterpret_cast<const void*>(&std::strlen));
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
                unsigned(program + 0x3000), unsigned(libc), unsigned(libc + 0x1000),
                unsigned(libc + 0x1000), unsigned(libc + 0x2000),
                unsigned(tz::test::protectedPage() - 0x1000), unsigned(tz::test::protectedPage()),
                unsigned(libc - 0x2000), unsigned(libc - 0x1000), unsigned(libc - 0x2000),
                unsigned(libc - 0x1000), unsigned(libc + 0x8000), unsigned(libc + 0x7000),
                unsigned(program - 0x2000), unsigned(program - 0x1000));
  std::string withBadPerms = text;
  withBadPerms.replace(withBadPerms.find("r--p 00000000 08:01 14"), 4, "r--");
  ModuleMap modules;
  modules.loadFromText(withBadPerms);
  ASSERT_EQ(2u, modules.size());
  EXPECT_EQ(program, modules.find(program + 0x2FFF)->base);
  EXPECT_EQ(program + 0x3000, modules.find(program + 0x2FFF)->end);
  EXPECT_STREQ("lib.so", modules.find(libc)->name);
  EXPECT_EQ(nullptr, modules.find(program + 0x3000));
  EXPECT_EQ(modules.find(program), modules.findByStem("LIB"));
}

// Images that are none, or whose tables point anywhere (the fuzz target tries many), yield
// nothing and never fault.
TEST(LoadedModules, ImagesThatLieYieldNothing) {
  static uint32_t image[1024] = {0x464C457F, 0x00010101};
  tz::platform::FileVersion version;
  for (uintptr_t base : {uintptr_t{0}, tz::test::protectedPage(), uintptr_t{0xFFFFFFFC},
                         reinterpret_cast<uintptr_t>(image)}) {
    EXPECT_EQ(nullptr, tz::platform::findImageSymbol(base, "tzFixtureMajor"));
    EXPECT_FALSE(tz::platform::readImageVersion(base, version));
  }
}

}  // namespace
