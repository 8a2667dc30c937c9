// Module files read as data: a good language module's resources and the life of its instance
// handle, and the statuses of files that are not whole modules.
#include "support/platform/data_module.h"

#include <elf.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "support/platform/resources.h"
#include "tests/common/scratch_folder.h"

namespace {

using namespace tz::platform;
using enum PlatformError;
namespace fs = std::filesystem;
using tz::test::readFile, tz::test::ScratchFolder, tz::test::writeFile;

constexpr uint32_t kDeviceNameId = 1527;

std::u16string german(const void* instance) {
  char16_t text[64] = u"?";
  loadStringInLanguage(instance, kDeviceNameId, 1031, text, 64);
  return text;
}

TEST(DataModule, ServesACopyOfTheResourcesUntilUnloaded) {
  ScratchFolder temp;
  const std::string copy = writeFile(temp.path / "copy.LNG", readFile(TZ_LANGUAGE_FILE));
  DataModule module;
  ASSERT_EQ(Success, module.load(copy));
  const void* instance = module.instance();
  EXPECT_EQ(u"ReWire-Gerätetreiber", german(instance));
  EXPECT_EQ(nullptr, imageOf(instance)) << "the loader holds nothing of it";
  // What was read stays whole when the file changes under it.
  fs::resize_file(copy, 100);
  EXPECT_EQ(u"ReWire-Gerätetreiber", german(instance));

  DataModule second;
  ASSERT_EQ(Success, second.load(TZ_LANGUAGE_FILE));
  EXPECT_NE(instance, second.instance());
  EXPECT_EQ(BadFormat, second.load(copy)) << "a failed load keeps what was held";
  EXPECT_EQ(u"ReWire-Gerätetreiber", german(second.instance()));
  DataModule moved = std::move(module);
  EXPECT_EQ(instance, moved.instance());
  EXPECT_FALSE(module.loaded());
  moved.unload();
  EXPECT_TRUE(resourceDirectoryOf(instance).empty());
  EXPECT_EQ(u"", german(instance));
  EXPECT_FALSE(resourceDirectoryOf(second.instance()).empty());
}

TEST(DataModule, RefusesWhatIsNoWholeModuleFile) {
  ScratchFolder temp;
  const std::string good = readFile(TZ_LANGUAGE_FILE);
  Elf32_Ehdr header;
  memcpy(&header, good.data(), sizeof header);
  const auto patched = [&](size_t at, uint32_t value) {
    std::string bytes = good;
    memcpy(&bytes[at], &value, sizeof value);
    return bytes;
  };
  const size_t magic = good.find("TZR1");
  ASSERT_NE(std::string::npos, magic);
  const std::string fifo = (temp.path / "fifo.LNG").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  const std::string large = writeFile(temp.path / "large.LNG", good);
  fs::resize_file(large, kMaxDataModuleBytes + 1);

  const std::pair<std::string, PlatformError> cases[] = {
      {(temp.path / "absent.LNG").string(), FileNotFound},
      {large + "/inside", PathNotFound},
      {temp.path.string(), BadFormat},
      {fifo, BadFormat},  // refused at once, never waited on
      {large, BadFormat},
      {TZ_LAUNCH_HELPER, ResourceTypeNotFound},
      {writeFile(temp.path / "magic.LNG", patched(magic, 0)), BadFormat},
      {writeFile(temp.path / "entries.LNG", patched(magic + 4, 0x10000000)), BadFormat},
      {writeFile(temp.path / "sections.LNG", patched(offsetof(Elf32_Ehdr, e_shoff), 0xF0F0F0F0)),
       BadFormat},
      {writeFile(temp.path / "segments.LNG", patched(offsetof(Elf32_Ehdr, e_phoff), good.size())),
       BadFormat},
      {writeFile(temp.path / "note.LNG", patched(magic - 24 + 4, 0xFFFFFFF0)),
       ResourceTypeNotFound},
      {writeFile(temp.path / "zeroed.LNG", std::string(good.size(), '\0')), BadFormat},
  };
  for (const auto& [path, expected] : cases) {
    DataModule module;
    EXPECT_EQ(expected, module.load(path)) << path;
    EXPECT_FALSE(module.loaded()) << path;
  }
  // A copy cut short anywhere is refused: the file must hold all it declares.
  const fs::path cut = temp.path / "cut.LNG";
  for (size_t length = 0; length < good.size(); length += length < 64 ? 1 : 97) {
    DataModule module;
    EXPECT_EQ(BadFormat, module.load(writeFile(cut, good.substr(0, length)))) << length;
  }
}

}  // namespace
