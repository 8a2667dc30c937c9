#include "support/platform/module.h"

#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include "tests/common/scratch_folder.h"

namespace {

using namespace tz::platform;
using enum PlatformError;
namespace fs = std::filesystem;
using tz::test::readFile, tz::test::ScratchFolder, tz::test::writeFile;

// The status, and the version that a reader holding `v` is left with.
std::tuple<PlatformError, uint32_t, uint32_t> versionOf(const std::string& path,
                                                        FileVersion v = {}) {
  const PlatformError error = readFileVersion(path, v);
  return {error, v.mostSignificant, v.leastSignificant};
}

TEST(Module, LoadsFindsSymbolsAndUnloadsWithItsLastOwner) {
  Module module;
  ASSERT_EQ(Success, module.loadFromPath(TZ_FIXTURE_V1)) << lastLoadMessage();
  auto major = reinterpret_cast<int (*)()>(module.symbol("tzFixtureMajor"));
  ASSERT_NE(nullptr, major);
  EXPECT_EQ(1, major());
  EXPECT_EQ(nullptr, module.symbol("tzFixtureAbsent"));
  EXPECT_EQ(TZ_FIXTURE_V1, module.path());
  EXPECT_EQ(TZ_FIXTURE_V1, modulePathOf(reinterpret_cast<void*>(major)));
  EXPECT_EQ(fs::read_symlink("/proc/self/exe").string(), currentModulePath());
  EXPECT_EQ(reinterpret_cast<void*>(major), Module(std::move(module)).symbol("tzFixtureMajor"));
  EXPECT_FALSE(module.loaded());  // and the new owner has gone
  void* stillThere = dlopen(TZ_FIXTURE_V1, RTLD_NOW | RTLD_NOLOAD);
  EXPECT_EQ(nullptr, stillThere);
  if (stillThere != nullptr) dlclose(stillThere);

  // The test program's run path holds the fixtures' folder: plain names are found there.
  ASSERT_EQ(Success, module.loadByName("tz_fixture_v2.so")) << lastLoadMessage();
  EXPECT_EQ(TZ_FIXTURE_V2, module.path());
  EXPECT_EQ(InvalidName, module.loadByName(TZ_FIXTURE_V1)) << "a path";
  EXPECT_EQ(InvalidName, module.loadByName(""));
  EXPECT_EQ(DllNotFound, module.loadByName("tz_fixture_absent.so"));
  EXPECT_EQ(TZ_FIXTURE_V2, module.path()) << "a failed load keeps what was held";
}

TEST(Module, FailedLoadsGiveTheOriginalPlatformsErrors) {
  ScratchFolder temp;
  const std::string library = readFile(TZ_FIXTURE_V1);
  std::string wide = library;
  wide[EI_CLASS] = ELFCLASS64;
  const fs::path inSearchPath = fs::path(TZ_FIXTURE_DIR) / "tz_fixture_damaged.so";
  writeFile(inSearchPath, std::string(4096, 'Z'));
  fs::create_directory(temp.path / "folder.so");
  const std::pair<std::string, PlatformError> cases[] = {
      {writeFile(temp.path / "garbage.so", std::string(4096, 'Z')), BadFormat},
      {writeFile(temp.path / "short.so", library.substr(0, 20)), BadFormat},
      {writeFile(temp.path / "empty.so", ""), BadFormat},
      {writeFile(temp.path / "wide.so", wide), BadFormat},
      {(temp.path / "absent.so").string(), DllNotFound},
      {(temp.path / "absent" / "x.so").string(), DllNotFound},
      {(temp.path / "folder.so").string(), AccessDenied},
      {TZ_FIXTURE_HUGE, NotEnoughMemory},
      {TZ_FIXTURE_UNRESOLVED, ProcedureNotFound},
      {"tz_fixture_damaged.so", BadFormat},
      {"tz_fixture_huge.so", NotEnoughMemory},
      {"tz_fixture_unresolved.so", ProcedureNotFound},
  };
  for (const auto& [file, expected] : cases) {
    Module module;
    const bool byName = file.find('/') == std::string::npos;
    EXPECT_EQ(expected, byName ? module.loadByName(file) : module.loadFromPath(file))
        << file << ": " << lastLoadMessage();
    EXPECT_FALSE(module.loaded());
  }
  fs::remove(inSearchPath);
}

TEST(Module, ReadsTheVersionNoteFromSegmentsOrSections) {
  const auto v1 = std::tuple(Success, 0x10002u, 0x30004u);
  EXPECT_EQ(v1, versionOf(TZ_FIXTURE_V1));
  EXPECT_EQ(std::tuple(Success, 0x20000u, 9u), versionOf(TZ_FIXTURE_V2));
  const auto [error, library, unused] = versionOf(TZ_LIBRARY_FILE);
  EXPECT_EQ(std::pair(Success, 7u), std::pair(error, library >> 16));

  // Without the note segment the sections still hold it; without either there is none.
  ScratchFolder temp;
  std::string bytes = readFile(TZ_FIXTURE_V1);
  Elf32_Ehdr header;
  memcpy(&header, bytes.data(), sizeof header);
  for (int i = 0; i < header.e_phnum; ++i) {
    auto* type = reinterpret_cast<Elf32_Word*>(&bytes[header.e_phoff + i * sizeof(Elf32_Phdr)]);
    if (*type == PT_NOTE) *type = PT_NULL;
  }
  EXPECT_EQ(v1, versionOf(writeFile(temp.path / "sections.so", bytes)));
  for (int i = 0; i < header.e_shnum; ++i) {
    auto* section = reinterpret_cast<Elf32_Shdr*>(&bytes[header.e_shoff + i * sizeof(Elf32_Shdr)]);
    if (section->sh_type == SHT_NOTE) section->sh_type = SHT_PROGBITS;
  }
  const std::string fifo = (temp.path / "fifo.so").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  const std::pair<std::string, PlatformError> failures[] = {
      {writeFile(temp.path / "none.so", bytes), ResourceTypeNotFound},
      {fifo, BadFormat},  // refused at once: nobody will ever write to it
      {TZ_LAUNCH_HELPER, ResourceTypeNotFound},
      {(temp.path / "absent").string(), FileNotFound},
      {writeFile(temp.path / "garbage", std::string(100, 'x')), BadFormat},
  };
  for (const auto& [file, expected] : failures)  // a failure leaves the version as it was
    EXPECT_EQ(std::tuple(expected, 0x10002u, 0x30004u), versionOf(file, {0x10002, 0x30004}))
        << file;
}

TEST(Module, DamagedFilesNeverMisleadTheVersionReader) {
  ScratchFolder temp;
  const fs::path file = temp.path / "damaged.so";
  const std::string library = readFile(TZ_FIXTURE_V1);
  const size_t note = library.find("TzVersion") - 12;
  for (size_t length = 0; length < library.size(); length += length < 64 ? 1 : 61) {
    const auto [error, most, least] = versionOf(writeFile(file, library.substr(0, length)));
    EXPECT_TRUE(error != Success || (most == 0x10002u && least == 0x30004u)) << length;
  }
  // Sizes in the note and table offsets in the header that point far beyond the file.
  for (size_t at : {note, note + 4, offsetof(Elf32_Ehdr, e_phoff), offsetof(Elf32_Ehdr, e_shoff)}) {
    std::string bytes = library;
    memset(&bytes[at], 0xF0, 4);
    const auto [error, most, least] = versionOf(writeFile(file, bytes));
    EXPECT_TRUE(error == ResourceTypeNotFound || most >> 16 == 1) << at;
  }
}

}  // namespace
