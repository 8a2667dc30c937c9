#include "support/platform/module.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include "module_file.h"
#include "spawned_process.h"
#include "support/platform/loaded_modules.h"
#include "tests/common/scratch_folder.h"
#include "wine.h"

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

// Paths as the system spells them and as the build does name the same file.
bool samePath(const std::string& expected, const std::string& actual) {
  std::error_code error;
  return !actual.empty() && fs::equivalent(expected, actual, error);
}

bool fixtureLoaded() {
  ModuleMap modules;
  return modules.load() && modules.findByStem("tz_fixture_v1") != nullptr;
}

std::string library(const char* stem) {
  return std::string(stem) + TZ_LIBRARY_SUFFIX;
}

TEST(Module, LoadsFindsSymbolsAndUnloadsWithItsLastOwner) {
  Module module;
  ASSERT_EQ(Success, module.loadFromPath(TZ_FIXTURE_V1)) << lastLoadMessage();
  auto major = reinterpret_cast<int (*)()>(module.symbol("tzFixtureMajor"));
  ASSERT_NE(nullptr, major);
  EXPECT_EQ(1, major());
  EXPECT_EQ(nullptr, module.symbol("tzFixtureAbsent"));
  EXPECT_TRUE(samePath(TZ_FIXTURE_V1, module.path())) << module.path();
  EXPECT_TRUE(samePath(TZ_FIXTURE_V1, modulePathOf(reinterpret_cast<void*>(major))));
  EXPECT_TRUE(samePath(tz::test::SpawnedProcess::ownExecutable(), currentModulePath()))
      << currentModulePath();
  EXPECT_EQ(reinterpret_cast<void*>(major), Module(std::move(module)).symbol("tzFixtureMajor"));
  EXPECT_FALSE(module.loaded());  // and the new owner has gone
  EXPECT_FALSE(fixtureLoaded());

  // The fixtures' folder is searched for plain names (the program's run path, or its own folder).
  ASSERT_EQ(Success, module.loadByName(library("tz_fixture_v2"))) << lastLoadMessage();
  EXPECT_TRUE(samePath(TZ_FIXTURE_V2, module.path()));
  EXPECT_EQ(InvalidName, module.loadByName(TZ_FIXTURE_V1)) << "a path";
  EXPECT_EQ(InvalidName, module.loadByName(""));
  EXPECT_EQ(DllNotFound, module.loadByName(library("tz_fixture_absent")));
  EXPECT_FALSE(lastLoadMessage().empty());
  EXPECT_TRUE(samePath(TZ_FIXTURE_V2, module.path())) << "a failed load keeps what was held";
}

TEST(Module, FailedLoadsGiveTheOriginalPlatformsErrors) {
  ScratchFolder temp;
  const std::string good = readFile(TZ_FIXTURE_V1);
  const fs::path inSearchPath = fs::path(TZ_FIXTURE_DIR) / library("tz_fixture_damaged");
  writeFile(inSearchPath, std::string(4096, 'Z'));
  fs::create_directory(temp.path / library("folder"));
  const std::pair<std::string, PlatformError> cases[] = {
      {writeFile(temp.path / library("garbage"), std::string(4096, 'Z')), BadFormat},
      {writeFile(temp.path / library("short"), good.substr(0, 20)), BadFormat},
      {writeFile(temp.path / library("empty"), ""), BadFormat},
      {writeFile(temp.path / library("wide"), tz::test::foreignArchitecture(good)), BadFormat},
      {(temp.path / library("absent")).string(), DllNotFound},
      {(temp.path / "absent" / library("x")).string(), DllNotFound},
      {(temp.path / library("folder")).string(), AccessDenied},
      {TZ_FIXTURE_HUGE, NotEnoughMemory},
      {TZ_FIXTURE_UNRESOLVED, ProcedureNotFound},
      {library("tz_fixture_damaged"), BadFormat},
      {library("tz_fixture_huge"), NotEnoughMemory},
      {library("tz_fixture_unresolved"), ProcedureNotFound},
  };
  for (const auto& [file, expected] : cases) {
    // Wine binds an import that its library lacks to a stub that fails only when called.
    if (expected == ProcedureNotFound && tz::test::runningUnderWine()) continue;
    Module module;
    const bool byName = file.find_first_of("/\\") == std::string::npos;
    EXPECT_EQ(expected, byName ? module.loadByName(file) : module.loadFromPath(file))
        << file << ": " << lastLoadMessage();
    EXPECT_FALSE(module.loaded());
  }
  fs::remove(inSearchPath);
}

TEST(Module, ReadsTheFileVersion) {
  EXPECT_EQ(std::tuple(Success, 0x10002u, 0x30004u), versionOf(TZ_FIXTURE_V1));
  EXPECT_EQ(std::tuple(Success, 0x20000u, 9u), versionOf(TZ_FIXTURE_V2));
  if (std::strlen(TZ_LIBRARY_FILE) != 0) {
    const auto [error, library, unused] = versionOf(TZ_LIBRARY_FILE);
    EXPECT_EQ(std::pair(Success, 7u), std::pair(error, library >> 16));
  }
  ScratchFolder temp;
  const std::pair<std::string, PlatformError> failures[] = {
      {TZ_PLAIN_MODULE, ResourceTypeNotFound},
      {(temp.path / "absent").string(), FileNotFound},
      {temp.path.string(), BadFormat},
      {writeFile(temp.path / "garbage", std::string(100, 'x')), BadFormat},
  };
  for (const auto& [file, expected] : failures)  // a failure leaves the version as it was
    EXPECT_EQ(std::tuple(expected, 0x10002u, 0x30004u), versionOf(file, {0x10002, 0x30004}))
        << file;
  if (tz::test::makeFifo(temp.path / "fifo")) {  // refused at once: nobody will ever write to it
    EXPECT_EQ(BadFormat, std::get<0>(versionOf((temp.path / "fifo").string())));
  }
}

TEST(Module, ReadsTheVersionNoteFromSegmentsOrSections) {
  const std::string bytes = readFile(TZ_FIXTURE_V1);
  const std::string sectionsOnly = tz::test::withoutNoteSegments(bytes);
  if (sectionsOnly.empty()) GTEST_SKIP() << "the version is an ELF note only on ELF systems";
  ScratchFolder temp;
  EXPECT_EQ(std::tuple(Success, 0x10002u, 0x30004u),
            versionOf(writeFile(temp.path / "sections.so", sectionsOnly)));
  EXPECT_EQ(std::tuple(ResourceTypeNotFound, 0u, 0u),
            versionOf(writeFile(temp.path / "none.so", tz::test::withoutNotes(bytes))));
}

TEST(Module, DamagedFilesNeverMisleadTheVersionReader) {
  ScratchFolder temp;
  const fs::path file = temp.path / library("damaged");
  const std::string good = readFile(TZ_FIXTURE_V1);
  for (size_t length = 0; length < good.size(); length += length < 64 ? 1 : 61) {
    const auto [error, most, least] = versionOf(writeFile(file, good.substr(0, length)));
    EXPECT_TRUE(error != Success || (most == 0x10002u && least == 0x30004u)) << length;
  }
  // Sizes and offsets that point far beyond the file.
  for (size_t at : tz::test::versionDamageSpots(good)) {
    std::string bytes = good;
    ASSERT_LT(at + 4, bytes.size());
    memset(&bytes[at], 0xF0, 4);
    const auto [error, most, least] = versionOf(writeFile(file, bytes));
    EXPECT_TRUE(error != Success || most >> 16 == 1) << at;
  }
}

}  // namespace
