// Module files read as data: a good language module's resources and the life of its instance
// handle, and the statuses of files that are not whole modules.
#include "support/platform/data_module.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "module_file.h"
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
  // What was read stays whole when the file changes under it (or the system refuses the change).
  std::error_code refused;
  fs::resize_file(copy, 100, refused);
  EXPECT_EQ(u"ReWire-Gerätetreiber", german(instance));

  DataModule second;
  ASSERT_EQ(Success, second.load(TZ_LANGUAGE_FILE));
  EXPECT_NE(instance, second.instance());
  const std::string cut = writeFile(temp.path / "cut.LNG", std::string(100, 'x'));
  EXPECT_EQ(BadFormat, second.load(cut)) << "a failed load keeps what was held";
  EXPECT_EQ(u"ReWire-Gerätetreiber", german(second.instance()));
  DataModule moved = std::move(module);
  EXPECT_EQ(instance, moved.instance());
  EXPECT_FALSE(module.loaded());
  moved.unload();
  EXPECT_EQ(u"", german(instance));
  EXPECT_EQ(nullptr, findResourceDefault(instance, ResourceKey::id(kResourceTypeString),
                                         ResourceKey::id(kDeviceNameId / 16 + 1)));
  EXPECT_NE(nullptr, findResourceDefault(second.instance(), ResourceKey::id(kResourceTypeString),
                                         ResourceKey::id(kDeviceNameId / 16 + 1)));
}

TEST(DataModule, RefusesWhatIsNoWholeModuleFile) {
  ScratchFolder temp;
  const std::string good = readFile(TZ_LANGUAGE_FILE);
  const std::string large = writeFile(temp.path / "large.LNG", good);
  fs::resize_file(large, kMaxDataModuleBytes + 1);

  std::vector<std::pair<std::string, PlatformError>> cases = {
      {(temp.path / "absent.LNG").string(), FileNotFound},
      {large + "/inside", PathNotFound},
      {temp.path.string(), BadFormat},
      {large, BadFormat},
      {TZ_PLAIN_MODULE, ResourceTypeNotFound},
      {writeFile(temp.path / "zeroed.LNG", std::string(good.size(), '\0')), BadFormat},
  };
  const std::string fifo = (temp.path / "fifo.LNG").string();
  if (tz::test::makeFifo(fifo)) cases.emplace_back(fifo, BadFormat);  // never waited on
  const auto damaged = tz::test::damagedLanguageModules(good);
  ASSERT_FALSE(damaged.empty());
  for (const auto& [what, bytes, expected] : damaged)
    cases.emplace_back(writeFile(temp.path / (std::string(what) + ".LNG"), bytes), expected);
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
