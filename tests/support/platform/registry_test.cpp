// The registry's contract on every backend: each test works below a key of its own.
#include "support/platform/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "registry_sandbox.h"
#include "tests/common/registry_values.h"

namespace {

using namespace std::literals;
using namespace tz::platform;
using enum PlatformError;
using enum RegistryType;

using tz::test::get;
using tz::test::set;
using tz::test::utf16;

struct RegistryTest : ::testing::Test {
  RegistryKey make(std::string_view path) {
    RegistryKey key;
    EXPECT_EQ(Success, RegistryKey::create(root(), sandbox_.path(path), key)) << path;
    return key;
  }
  PlatformError open(std::string_view path, RegistryKey& key) {
    return RegistryKey::open(root(), sandbox_.path(path), key);
  }
  RegistryRoot root() const { return sandbox_.root(); }

  tz::test::RegistrySandbox sandbox_;
};

TEST_F(RegistryTest, ValuesReadBackByteForByte) {
  RegistryKey key;
  bool created = false;
  ASSERT_EQ(Success, RegistryKey::create(root(), sandbox_.path("SOFTWARE\\Test"), key, &created));
  EXPECT_TRUE(created);
  const std::pair<std::string, std::pair<uint32_t, std::string>> values[] = {
      {"Count", {4, "\x07\0\0\0"s}},
      {"Device Path", {1, utf16(u"/opt/Zoë \"x\"\\y\n\U0001F3B5\0"sv)}},
      {"B1", {3, "\x00\xff\x01"s}},
      {"Z1", {7, utf16(u"one\0two\0\0"sv)}},
      {"EmptyList", {7, utf16(u"\0"sv)}},
      {"OneEmptyItem", {7, utf16(u"\0\0"sv)}},
      // Data that the readable forms cannot carry must survive as well, and nothing is added
      // to a string without its terminator, even when the byte after it is NUL.
      {"NoTerminator", {1, utf16(u"ab"sv)}},
      {"OddSize", {1, "a\0b"s}},
      {"LoneSurrogate", {1, utf16(u"\xD800\0"sv)}},
      {"ShortDword", {4, "\x01\x02"}},
      {"Qword", {11, std::string(8, '\x05')}},
      {"", {1, utf16(u"default\0"sv)}},
  };
  for (const auto& [name, value] : values) {
    const std::string data = value.second + "\0\0"s;  // a NUL unit after the data
    ASSERT_EQ(Success, key.setValue(name, static_cast<RegistryType>(value.first), data.data(),
                                    static_cast<uint32_t>(value.second.size())));
  }
  RegistryKey again;
  ASSERT_EQ(Success, open("SOFTWARE\\Test", again));
  for (const auto& [name, value] : values) EXPECT_EQ(value, get(again, name)) << name;
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  RegistryKey key, same;
  bool created = true;
  key = make("SOFTWARE\\Propellerhead Software\\ReWire\\");
  ASSERT_EQ(Success,
            RegistryKey::create(root(), sandbox_.path("software\\PROPELLERHEAD software\\rewire"),
                                same, &created));
  EXPECT_FALSE(created);
  ASSERT_EQ(Success, set(key, "ExtraChannels", Dword, "\2\0\0\0"s));
  ASSERT_EQ(Success, set(same, "EXTRACHANNELS", Dword, "\4\0\0\0"s));
  EXPECT_EQ(4, get(key, "extrachannels").second[0]);
  std::string name;
  EXPECT_EQ(Success, key.enumValue(0, name, nullptr, nullptr, nullptr));
  EXPECT_EQ("ExtraChannels", name);
  EXPECT_EQ(NoMoreItems, key.enumValue(1, name, nullptr, nullptr, nullptr));

  // Sub keys: beyond ASCII, with characters a file name cannot hold, in order of their names.
  RegistryKey parent, child;
  ASSERT_EQ(Success, open("Software", parent));
  for (const char* sub : {"Ärger", "a/b", ".hidden", "%41", "Zeta"})
    ASSERT_EQ(Success, parent.createSubKey(sub, child)) << sub;
  EXPECT_EQ(Success, parent.openSubKey("äRGER", child));
  std::vector<std::string> names;
  for (uint32_t i = 0; parent.enumSubKey(i, name) == Success; ++i) names.push_back(name);
  EXPECT_EQ((std::vector<std::string>{"%41", ".hidden", "a/b", "Propellerhead Software", "Zeta",
                                      "Ärger"}),
            names);
}

TEST_F(RegistryTest, SmallBuffersAnswerMoreDataWithTheSizeNeeded) {
  RegistryKey key = make("Software\\T");
  const std::string path = utf16(u"/lib/LoopraReWire.so\0"sv);
  ASSERT_EQ(Success, set(key, "Device Path", String, path));

  RegistryType type{};
  uint32_t size = 0;
  EXPECT_EQ(Success, key.queryValue("Device Path", &type, nullptr, &size));
  EXPECT_EQ(path.size(), size);
  EXPECT_EQ(String, type);
  char buffer[64] = "untouched";
  size = 10;
  type = {};
  EXPECT_EQ(MoreData, key.queryValue("Device Path", &type, buffer, &size));
  EXPECT_EQ(path.size(), size);
  EXPECT_EQ(String, type) << "a one-byte probe still learns the type";
  EXPECT_STREQ("untouched", buffer);
  EXPECT_EQ(Success, key.queryValue("Device Path", nullptr, buffer, &size));
  EXPECT_EQ(path, std::string(buffer, size));
  EXPECT_EQ(FileNotFound, key.queryValue("Missing", nullptr, nullptr, &size));

  // Enumeration names the value even when its data does not fit.
  std::string name;
  size = 3;
  strcpy(buffer, "untouched");
  EXPECT_EQ(MoreData, key.enumValue(0, name, &type, buffer, &size));
  EXPECT_EQ("Device Path", name);
  EXPECT_EQ(path.size(), size);
  EXPECT_STREQ("untouched", buffer);
  EXPECT_EQ(Success, key.enumValue(0, name, nullptr, buffer, &size));
  EXPECT_EQ(path, std::string(buffer, size));
}

TEST_F(RegistryTest, BadArgumentsAreRefusedAndChangeNothing) {
  RegistryKey key = make("A"), other;
  const std::string tooLong(256, 'x');
  for (const std::string_view path :
       {"\\A"sv, "A\\\\B"sv, "A\\\xff"sv, "A\0B"sv, std::string_view(tooLong)})
    EXPECT_EQ(InvalidParameter, key.createSubKey(path, other)) << path;
  EXPECT_EQ(InvalidParameter, RegistryKey::create(root(), "\\A", other));
  EXPECT_EQ(InvalidParameter, set(key, "\xc0\x80", Dword, "1234"));
  EXPECT_EQ(InvalidParameter, key.setValue("x", Binary, nullptr, 4));
  EXPECT_EQ(InvalidParameter, key.queryValue("x", nullptr, &other, nullptr));
  EXPECT_EQ(OutOfMemory, set(key, "x", Binary, std::string((1 << 20) + 1, 'x')));
  EXPECT_EQ(InvalidParameter, RegistryKey::open(static_cast<RegistryRoot>(7), "A", other));
  EXPECT_EQ(AccessDenied, RegistryKey::deleteKey(root(), ""));
  EXPECT_EQ(InvalidParameter, key.deleteSubKey(""));
  EXPECT_EQ(InvalidHandle, other.setValue("x", Binary, "", 0));
  std::string name;
  EXPECT_EQ(NoMoreItems, key.enumSubKey(0, name)) << "nothing was created";
  EXPECT_EQ(NoMoreItems, key.enumValue(0, name, nullptr, nullptr, nullptr));
}

TEST_F(RegistryTest, DeletedKeysFailOnHandlesStillOpenEvenWhenRecreated) {
  RegistryKey grandChild = make("P\\C\\G"), child = make("P\\C"), parent = make("P"), fresh;
  ASSERT_EQ(Success, set(child, "v", Binary, "1"));
  EXPECT_EQ(Success, child.deleteValue("V"));
  EXPECT_EQ(FileNotFound, child.deleteValue("v"));
  ASSERT_EQ(Success, set(child, "v", Binary, "1"));

  EXPECT_EQ(FileNotFound, parent.deleteSubKey("Missing"));
  ASSERT_EQ(Success, parent.deleteSubKey("c"));
  EXPECT_EQ(FileNotFound, open("P\\C\\G", fresh));
  fresh = make("P\\C\\G");
  for (RegistryKey* stale : {&child, &grandChild}) {
    std::string name;
    EXPECT_EQ(KeyDeleted, stale->queryValue("v", nullptr, nullptr, nullptr));
    EXPECT_EQ(KeyDeleted, set(*stale, "v", Binary, "2"));
    EXPECT_EQ(KeyDeleted, stale->enumSubKey(0, name));
    EXPECT_EQ(KeyDeleted, stale->createSubKey("New", fresh));
  }
  ASSERT_EQ(Success, open("P\\C", fresh));
  EXPECT_EQ(FileNotFound, fresh.queryValue("v", nullptr, nullptr, nullptr));
  EXPECT_EQ(Success, RegistryKey::deleteKey(root(), sandbox_.path("p")));
  EXPECT_EQ(FileNotFound, open("P", fresh));
}

TEST_F(RegistryTest, MachineRootReadsAndTakesWritesWhereTheUserMay) {
  RegistryKey machine, key;
  ASSERT_EQ(Success, RegistryKey::open(RegistryRoot::LocalMachine, "", machine));
  const PlatformError created =
      RegistryKey::create(RegistryRoot::LocalMachine, sandbox_.machinePath("M"), key);
  if (created == AccessDenied) GTEST_SKIP() << "this user may not write HKEY_LOCAL_MACHINE";
  ASSERT_EQ(Success, created);
  ASSERT_EQ(Success, set(key, "v", Dword, "\1\0\0\0"s));
  RegistryKey again;
  ASSERT_EQ(Success,
            RegistryKey::open(RegistryRoot::LocalMachine, sandbox_.machinePath("m"), again));
  EXPECT_EQ((std::pair<uint32_t, std::string>{4, "\1\0\0\0"s}), get(again, "V"));
}

}  // namespace
