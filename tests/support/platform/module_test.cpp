#include "support/platform/module.h"

#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

namespace {

using tz::platform::FileVersion;
using tz::platform::lastLoadMessage;
using tz::platform::Module;
using tz::platform::PlatformError;
using tz::platform::readFileVersion;

namespace fs = std::filesystem;
constexpr PlatformError kOk = PlatformError::Success;

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
std::string writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path.string();
}

struct TempFolder {
  fs::path path;
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "tz_module_XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempFolder() { fs::remove_all(path); }
};

TEST(Module, LoadsFindsSymbolsAndUnloadsWithItsLastOwner) {
  Module module;
  ASSERT_EQ(kOk, module.loadFromPath(TZ_FIXTURE_V1)) << lastLoadMessage();
  auto major = reinterpret_cast<int (*)()>(module.symbol("tzFixtureMajor"));
  ASSERT_NE(nullptr, major);
  EXPECT_EQ(1, major());
  EXPECT_EQ(nullptr, module.symbol("tzFixtureAbsent"));
  EXPECT_EQ(TZ_FIXTURE_V1, module.path());
  EXPECT_EQ(TZ_FIXTURE_V1, tz::platform::modulePathOf(reinterpret_cast<void*>(major)));
  EXPECT_EQ(fs::read_symlink("/proc/self/exe").string(), tz::platform::currentModulePath());
  {
    Module owner(std::move(module));
    EXPECT_FALSE(module.loaded());
    EXPECT_EQ(reinterpret_cast<void*>(major), owner.symbol("tzFixtureMajor"));
  }
  void* stillThere = dlopen(TZ_FIXTURE_V1, RTLD_NOW | RTLD_NOLOAD);
  EXPECT_EQ(nullptr, stillThere);
  if (stillThere != nullptr) dlclose(stillThere);

  // The test program's run path holds the fixtures' folder: plain names are found there.
  ASSERT_EQ(kOk, module.loadByName("tz_fixture_v2.so")) << lastLoadMessage();
  EXPECT_EQ(TZ_FIXTURE_V2, module.path());
  EXPECT_EQ(PlatformError::InvalidName, module.loadByName(TZ_FIXTURE_V1)) << "a path";
  EXPECT_EQ(PlatformError::InvalidName, module.loadByName(""));
  EXPECT_EQ(PlatformError::DllNotFound, module.loadByName("tz_fixture_absent.so"));
  EXPECT_EQ(TZ_FIXTURE_V2, module.path()) << "a failed load keeps what was held";
}

TEST(Module, FailedLoadsGiveTheOriginalPlatformsErrors) {
  TempFolder temp;
  const std::string library = readBytes(TZ_FIXTURE_V1);
  std::string wide = library;
  wide[EI_CLASS] = ELFCLASS64;
  const fs::path inSearchPath = fs::path(TZ_FIXTURE_DIR) / "tz_fixture_damaged.so";
  writeBytes(inSearchPath, std::string(4096, 'Z'));
  fs::create_directory(temp.path / "folder.so");
  const std::pair<std::string, PlatformError> cases[] = {
      {writeBytes(temp.path / "garbage.so", std::string(4096, 'Z')), PlatformError::BadFormat},
      {writeBytes(temp.path / "short.so", library.substr(0, 20)), PlatformError::BadFormat},
      {writeBytes(temp.path / "empty.so", ""), PlatformError::BadFormat},
      {writeBytes(temp.path / "wide.so", wide), PlatformError::BadFormat},
      {(temp.path / "absent.so").string(), PlatformError::DllNotFound},
      {(temp.path / "absent" / "x.so").string(), PlatformError::DllNotFound},
      {(temp.path / "folder.so").string(), PlatformError::AccessDenied},
      {TZ_FIXTURE_HUGE, PlatformError::NotEnoughMemory},
      {TZ_FIXTURE_UNRESOLVED, PlatformError::ProcedureNotFound},
      {"tz_fixture_damaged.so", PlatformError::BadFormat},
      {"tz_fixture_huge.so", PlatformError::NotEnoughMemory},
      {"tz_fixture_unresolved.so", PlatformError::ProcedureNotFound},
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
  FileVersion version;
  ASSERT_EQ(kOk, readFileVersion(TZ_FIXTURE_V1, version));
  EXPECT_EQ(0x10002u, version.mostSignificant);
  EXPECT_EQ(0x30004u, version.leastSignificant);
  ASSERT_EQ(kOk, readFileVersion(TZ_FIXTURE_V2, version));
  EXPECT_EQ(0x20000u, version.mostSignificant);
  EXPECT_EQ(9u, version.revision());
  ASSERT_EQ(kOk, readFileVersion(TZ_LIBRARY_FILE, version));
  EXPECT_EQ(7, version.major());

  // Without the note segment the sections still hold it; without either there is none.
  TempFolder temp;
  std::string bytes = readBytes(TZ_FIXTURE_V1);
  Elf32_Ehdr header;
  memcpy(&header, bytes.data(), sizeof header);
  for (int i = 0; i < header.e_phnum; ++i) {
    auto* type = reinterpret_cast<Elf32_Word*>(&bytes[header.e_phoff + i * sizeof(Elf32_Phdr)]);
    if (*type == PT_NOTE) *type = PT_NULL;
  }
  ASSERT_EQ(kOk, readFileVersion(writeBytes(temp.path / "sections.so", bytes), version));
  EXPECT_EQ(0x10002u, version.mostSignificant);
  for (int i = 0; i < header.e_shnum; ++i) {
    auto* section = reinterpret_cast<Elf32_Shdr*>(&bytes[header.e_shoff + i * sizeof(Elf32_Shdr)]);
    if (section->sh_type == SHT_NOTE) section->sh_type = SHT_PROGBITS;
  }
  const std::pair<std::string, PlatformError> failures[] = {
      {writeBytes(temp.path / "none.so", bytes), PlatformError::ResourceTypeNotFound},
      {TZ_LAUNCH_HELPER, PlatformError::ResourceTypeNotFound},
      {(temp.path / "absent").string(), PlatformError::FileNotFound},
      {writeBytes(temp.path / "garbage", std::string(100, 'x')), PlatformError::BadFormat},
  };
  for (const auto& [file, expected] : failures) {
    EXPECT_EQ(expected, readFileVersion(file, version)) << file;
    EXPECT_EQ(0x10002u, version.mostSignificant) << "a failure leaves the version as it was";
  }
}

TEST(Module, DamagedFilesNeverMisleadTheVersionReader) {
  TempFolder temp;
  const fs::path file = temp.path / "damaged.so";
  const std::string library = readBytes(TZ_FIXTURE_V1);
  const size_t note = library.find("TzVersion") - 12;
  for (size_t length = 0; length < library.size(); length += length < 64 ? 1 : 61) {
    FileVersion version;
    const PlatformError error =
        readFileVersion(writeBytes(file, library.substr(0, length)), version);
    EXPECT_TRUE(error != kOk || version.mostSignificant == 0x10002u) << length;
  }
  // Sizes in the note and table offsets in the header that point far beyond the file.
  for (size_t at : {note, note + 4, offsetof(Elf32_Ehdr, e_phoff), offsetof(Elf32_Ehdr, e_shoff)}) {
    std::string bytes = library;
    memset(&bytes[at], 0xF0, 4);
    FileVersion version;
    const PlatformError error = readFileVersion(writeBytes(file, bytes), version);
    EXPECT_TRUE(error == PlatformError::ResourceTypeNotFound || version.major() == 1) << at;
  }
}

}  // namespace
