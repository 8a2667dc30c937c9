#include "support/platform/registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "tests/common/eventually.h"
#include "tests/common/peer_process.h"
#include "tests/common/scratch_folder.h"

namespace {

using namespace std::literals;
using namespace tz::platform;
using enum PlatformError;
using enum RegistryType;
using tz::test::readFile;
namespace fs = std::filesystem;
constexpr auto Hklm = RegistryRoot::LocalMachine, Hkcu = RegistryRoot::CurrentUser;

std::string utf16(std::u16string_view text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

PlatformError set(RegistryKey& key, std::string_view name, RegistryType type, std::string data) {
  return key.setValue(name, type, data.data(), static_cast<uint32_t>(data.size()));
}

// The value's type and bytes, or the failure's status in place of the type.
std::pair<uint32_t, std::string> get(const RegistryKey& key, std::string_view name) {
  RegistryType type{};
  std::string data(4096, '?');
  auto size = static_cast<uint32_t>(data.size());
  const PlatformError error = key.queryValue(name, &type, data.data(), &size);
  if (error != Success) return {static_cast<uint32_t>(error) << 16, ""};
  return {static_cast<uint32_t>(type), data.substr(0, size)};
}

RegistryKey make(std::string_view path, RegistryRoot root = Hklm) {
  RegistryKey key;
  EXPECT_EQ(Success, RegistryKey::create(root, path, key)) << path;
  return key;
}

unsigned modeOf(const fs::path& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

struct RegistryTest : ::testing::Test {
  void SetUp() override {
    if (!root_.empty()) setenv("TZ_REGISTRY_ROOT", root_.c_str(), 1);
  }
  void TearDown() override { unsetenv("TZ_REGISTRY_ROOT"); }
  tz::test::ScratchFolder store_{!tz::test::isPeer()};  // the peer works in its parent's store
  const fs::path& root_ = store_.path;
};

TEST_F(RegistryTest, ValuesReadBackByteForByteAndTheFileIsReadable) {
  RegistryKey key;
  bool created = false;
  ASSERT_EQ(Success, RegistryKey::create(Hklm, "SOFTWARE\\Test", key, &created));
  EXPECT_TRUE(created);
  const std::pair<std::string, std::pair<uint32_t, std::string>> values[] = {
      {"Count", {4, "\x07\0\0\0"s}},
      {"Device Path", {1, utf16(u"/opt/Zoë \"x\"\\y\n\U0001F3B5\0"sv)}},
      {"B1", {3, "\x00\xff\x01"s}},
      {"Z1", {7, utf16(u"one\0two\0\0"sv)}},
      {"EmptyList", {7, utf16(u"\0"sv)}},
      {"OneEmptyItem", {7, utf16(u"\0\0"sv)}},
      // Data that the readable forms cannot carry must survive as well.
      {"NoTerminator", {1, utf16(u"ab"sv)}},
      {"LoneSurrogate", {1, utf16(u"\xD800\0"sv)}},
      {"ShortDword", {4, "\x01\x02"}},
      {"Qword", {11, std::string(8, '\x05')}},
      {"", {1, utf16(u"default\0"sv)}},
  };
  for (const auto& [name, value] : values)
    ASSERT_EQ(Success, set(key, name, static_cast<RegistryType>(value.first), value.second));

  RegistryKey again;
  ASSERT_EQ(Success, RegistryKey::open(Hklm, "SOFTWARE\\Test", again));
  for (const auto& [name, value] : values) EXPECT_EQ(value, get(again, name)) << name;
  const fs::path folder = root_ / "HKEY_LOCAL_MACHINE/SOFTWARE/Test";
  const std::string text = readFile(folder / ".key.reg");
  EXPECT_NE(std::string::npos, text.find("\n\"Count\"=dword:00000007\n")) << text;
  EXPECT_NE(std::string::npos, text.find("\n\"Z1\"=multi:\"one\",\"two\"\n")) << text;
  EXPECT_NE(std::string::npos, text.find("\n@=\"default\"\n")) << text;

  EXPECT_EQ(0600u, modeOf(folder / ".key.reg"));
  EXPECT_EQ(0700u, modeOf(folder));
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  RegistryKey key, same;
  bool created = true;
  ASSERT_EQ(Success, RegistryKey::create(Hklm, "SOFTWARE\\Propellerhead Software\\ReWire\\", key));
  ASSERT_EQ(Success,
            RegistryKey::create(Hklm, "software\\PROPELLERHEAD software\\rewire", same, &created));
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
  ASSERT_EQ(Success, RegistryKey::open(Hklm, "Software", parent));
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
  RegistryKey key = make("Software\\T", Hkcu);
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
}

TEST_F(RegistryTest, BadArgumentsAreRefusedAndChangeNothing) {
  RegistryKey key = make("A"), other;
  const std::string tooLong(256, 'x');
  for (const std::string_view path :
       {"\\A"sv, "A\\\\B"sv, "A\\\xff"sv, "A\0B"sv, std::string_view(tooLong)})
    EXPECT_EQ(InvalidParameter, RegistryKey::create(Hklm, path, other)) << path;
  EXPECT_EQ(InvalidParameter, set(key, "\xc0\x80", Dword, "1234"));
  EXPECT_EQ(InvalidParameter, key.setValue("x", Binary, nullptr, 4));
  EXPECT_EQ(InvalidParameter, key.queryValue("x", nullptr, &other, nullptr));
  EXPECT_EQ(InvalidParameter, RegistryKey::open(static_cast<RegistryRoot>(7), "A", other));
  EXPECT_EQ(AccessDenied, RegistryKey::deleteKey(Hklm, ""));
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
  EXPECT_EQ(FileNotFound, RegistryKey::open(Hklm, "P\\C\\G", fresh));
  ASSERT_EQ(Success, RegistryKey::create(Hklm, "P\\C\\G", fresh));
  for (RegistryKey* stale : {&child, &grandChild}) {
    std::string name;
    EXPECT_EQ(KeyDeleted, stale->queryValue("v", nullptr, nullptr, nullptr));
    EXPECT_EQ(KeyDeleted, set(*stale, "v", Binary, "2"));
    EXPECT_EQ(KeyDeleted, stale->enumSubKey(0, name));
    EXPECT_EQ(KeyDeleted, stale->createSubKey("New", fresh));
  }
  ASSERT_EQ(Success, RegistryKey::open(Hklm, "P\\C", fresh));
  EXPECT_EQ(FileNotFound, fresh.queryValue("v", nullptr, nullptr, nullptr));
  EXPECT_EQ(Success, RegistryKey::deleteKey(Hklm, "p"));
  EXPECT_FALSE(fs::exists(root_ / ".trash"));
}

TEST_F(RegistryTest, DamagedKeyFileFailsThatKeyOnly) {
  RegistryKey child = make("S\\Damaged\\Child"), key = make("S\\Damaged"),
              sibling = make("S\\Sibling");
  ASSERT_EQ(Success, set(sibling, "v", Binary, "ok"));
  const fs::path file = root_ / "HKEY_LOCAL_MACHINE/S/Damaged/.key.reg";
  const std::string h = "tz-registry key 1\n";
  for (const std::string& text :
       {""s, h + "\"v\"=dword:123456789\n", h + "\"v\"=hex:1\n", h + "\"v\"=\"open\n",
        h + "\"v\"=hex:01\n\"V\"=hex:02\n", h + "\"v\"=multi:\"a\",\n", h + "\"\\x00\"=hex:01\n",
        "garbage\n"s}) {
    std::ofstream(file, std::ios::trunc) << text;
    EXPECT_EQ(BadDatabase, key.queryValue("v", nullptr, nullptr, nullptr)) << text;
    EXPECT_EQ(BadDatabase, set(key, "w", Binary, "1")) << text;
    EXPECT_EQ(text, readFile(file)) << "a damaged file is never overwritten";
    EXPECT_EQ("ok", get(sibling, "v").second);
    EXPECT_EQ(Success, key.openSubKey("child", child));
  }
  // Hand edits in the documented forms, with comments, blanks and CRLF, read back.
  std::ofstream(file, std::ios::trunc)
      << "tz-registry key 1\r\n; edited\r\n\r\n\"v\" = dword:7\r\n@=\"x\"\r\n";
  EXPECT_EQ(7, get(key, "v").second[0]);
  EXPECT_EQ(utf16(u"x\0"sv), get(key, "").second);

  fs::remove(file);
  RegistryKey reopened;
  EXPECT_EQ(BadDatabase, RegistryKey::open(Hklm, "S\\Damaged", reopened));
  EXPECT_EQ(Success, RegistryKey::open(Hklm, "S\\Sibling", reopened));
}

// Reads the key TZ_PEER_KEY below "Planted", whose file was replaced by something else.
TEST_F(RegistryTest, PeerReadsAPlantedKey) {
  TZ_PEER_ONLY();
  RegistryKey key, child;
  ASSERT_EQ(Success, RegistryKey::open(Hklm, "Planted\\"s + getenv("TZ_PEER_KEY"), key));
  std::string name;
  EXPECT_EQ(BadDatabase, key.queryValue("v", nullptr, nullptr, nullptr));
  EXPECT_EQ(BadDatabase, set(key, "v", Binary, "new"));
  EXPECT_EQ(BadDatabase, key.enumValue(0, name, nullptr, nullptr, nullptr));
  // Its sub keys and the rest of the store work as before.
  EXPECT_EQ(Success, key.enumSubKey(0, name));
  ASSERT_EQ(Success, key.openSubKey(name, child));
  EXPECT_EQ(Success, set(child, "v", Binary, "child"));
  ASSERT_EQ(Success, RegistryKey::open(Hklm, "Planted\\Sibling", key));
  EXPECT_EQ("ok", get(key, "v").second);
}

TEST_F(RegistryTest, KeyFileThatIsNoPlainFileOrTooLargeReadsAsDamagedAtOnce) {
  RegistryKey sibling = make("Planted\\Sibling");
  ASSERT_EQ(Success, set(sibling, "v", Binary, "ok"));
  // Valid text with a comment that runs on far past what a key's file may hold; the vast one
  // is past what a 32-bit process can open at all.
  const auto plantHuge = [](uintmax_t size) {
    return [size](const fs::path& file) {
      std::ofstream(file) << "tz-registry key 1\n\"v\"=hex:01\n;";
      fs::resize_file(file, size);
    };
  };
  const std::pair<const char*, std::function<void(const fs::path&)>> planted[] = {
      {"Zero", [](const fs::path& file) { fs::create_symlink("/dev/zero", file); }},
      {"Fifo", [](const fs::path& file) { ASSERT_EQ(0, mkfifo(file.c_str(), 0600)); }},
      {"Huge", plantHuge(64 << 20)},
      {"Vast", plantHuge(uintmax_t{3} << 30)},
      {"Folder", [](const fs::path& file) { fs::create_directory(file); }},
  };
  for (const auto& [name, plant] : planted) {
    RegistryKey child = make("Planted\\"s + name + "\\Child");
    const fs::path file = root_ / "HKEY_LOCAL_MACHINE/Planted" / name / ".key.reg";
    fs::remove(file);
    plant(file);
    const auto kind = fs::symlink_status(file).type();
    // A peer reads, so that a read that never returns fails the test instead of hanging it.
    tz::test::PeerProcess reader("RegistryTest.PeerReadsAPlantedKey", {"TZ_PEER_KEY="s + name});
    ASSERT_TRUE(reader.started());
    EXPECT_EQ(0, reader.wait(20000)) << name << " (-1: the read never returned)";
    EXPECT_EQ(kind, fs::symlink_status(file).type()) << name << " is left as it was";
    EXPECT_EQ("child", get(child, "v").second) << name;
  }
}

TEST_F(RegistryTest, PlantedLinksInPlaceOfTheTemporaryOrTheLockLeadNowhere) {
  RegistryKey key = make("Links");
  tz::test::ScratchFolder outside;
  const fs::path precious = outside.path / "precious", folder = root_ / "HKEY_LOCAL_MACHINE/Links";
  std::ofstream(precious) << "mine";
  fs::create_symlink(precious, folder / ".key.new");
  EXPECT_EQ(Success, set(key, "v", Binary, "1"));
  EXPECT_EQ("mine", readFile(precious));
  EXPECT_EQ(fs::file_type::regular, fs::symlink_status(folder / ".key.reg").type());
  EXPECT_EQ("1", get(key, "v").second);

  // A dangling link would have the lock made where it points.
  fs::remove(root_ / ".lock");
  fs::create_symlink(outside.path / "lock", root_ / ".lock");
  EXPECT_EQ(BadDatabase, set(key, "v", Binary, "2"));
  EXPECT_EQ(BadDatabase, key.queryValue("v", nullptr, nullptr, nullptr));
  EXPECT_FALSE(fs::exists(outside.path / "lock"));
  fs::remove(root_ / ".lock");
  EXPECT_EQ("1", get(key, "v").second);
}

TEST_F(RegistryTest, KeyFilesStayWithinFourMebibytesOnBothSides) {
  RegistryKey key = make("Big");
  const fs::path file = root_ / "HKEY_LOCAL_MACHINE/Big/.key.reg";
  // A megabyte, the most one value may hold, fits in its widest form (hex, 3 bytes a byte).
  const std::string megabyte(1 << 20, '\xa5');
  ASSERT_EQ(Success, set(key, "a", Binary, megabyte));
  EXPECT_EQ(OutOfMemory, set(key, "b", Binary, megabyte + 'x'));
  EXPECT_EQ(OutOfMemory, set(key, "b", Binary, megabyte)) << "the file would pass 4 MiB";
  uint32_t size = 0;
  EXPECT_EQ(FileNotFound, key.queryValue("b", nullptr, nullptr, &size));
  EXPECT_EQ(Success, key.queryValue("a", nullptr, nullptr, &size));
  EXPECT_EQ(megabyte.size(), size);

  // A hand-made file of exactly the limit reads; one byte more is damaged.
  for (const size_t padding : {0, 1}) {
    std::ofstream(file, std::ios::trunc) << "tz-registry key 1\n\"v\"=hex:07\n;";
    fs::resize_file(file, (4 << 20) + padding);
    EXPECT_EQ(padding ? BadDatabase : Success, key.queryValue("v", nullptr, nullptr, &size));
  }
}

TEST_F(RegistryTest, OpenKeysStayOutOfChildProcesses) {
  RegistryKey keys[4];
  ASSERT_EQ(Success, RegistryKey::create(Hklm, "Inherit\\Sub", keys[0]));
  ASSERT_EQ(Success, RegistryKey::open(Hklm, "", keys[1]));
  ASSERT_EQ(Success, keys[0].openSubKey("", keys[2]));
  ASSERT_EQ(Success, keys[1].createSubKey("Inherit", keys[3]));
  tz::test::ScratchFolder elsewhere;
  const fs::path listing = elsewhere.path / "descriptors";
  // The child lists its descriptors with where each leads, its stdout among them.
  ASSERT_EQ(0, system(("ls -l /proc/self/fd/ >'" + listing.string() + "'").c_str()));
  const std::string descriptors = readFile(listing);
  ASSERT_NE(std::string::npos, descriptors.find(listing.string())) << descriptors;
  EXPECT_EQ(std::string::npos, descriptors.find(root_.string())) << descriptors;
}

// Takes the store's lock as every user of the store does, then stops as Ctrl-Z would.
TEST_F(RegistryTest, PeerStopsHoldingTheStoreLock) {
  TZ_PEER_ONLY();
  const std::string lock = getenv("TZ_REGISTRY_ROOT") + "/.lock"s;
  const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_EQ(0, flock(fd, LOCK_EX));
  raise(SIGSTOP);
}

// Behind the stopped holder: a change (TZ_PEER_ACCESS=write) or a read gives up.
TEST_F(RegistryTest, PeerMeetsTheStoppedHolder) {
  TZ_PEER_ONLY();
  RegistryKey key;
  if (getenv("TZ_PEER_ACCESS") == "write"s)
    EXPECT_EQ(Timeout, RegistryKey::create(Hklm, "Shared\\New", key));
  else
    EXPECT_EQ(Timeout, RegistryKey::open(Hklm, "Shared", key));
}

TEST_F(RegistryTest, StoppedLockHolderMakesOthersGiveUpInsteadOfWaitingForever) {
  RegistryKey key = make("Shared");
  ASSERT_EQ(Success, set(key, "v", Binary, "old"));
  tz::test::PeerProcess holder("RegistryTest.PeerStopsHoldingTheStoreLock");
  ASSERT_TRUE(holder.started());
  ASSERT_TRUE(tz::test::eventually([&] {
    siginfo_t info{};
    return waitid(P_PID, holder.pid(), &info, WSTOPPED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == holder.pid();
  })) << "the holder never stopped";
  tz::test::PeerProcess writer("RegistryTest.PeerMeetsTheStoppedHolder", {"TZ_PEER_ACCESS=write"});
  tz::test::PeerProcess reader("RegistryTest.PeerMeetsTheStoppedHolder", {"TZ_PEER_ACCESS=read"});
  EXPECT_EQ(0, writer.wait(30000)) << "-1: still waiting for the lock";
  EXPECT_EQ(0, reader.wait(30000)) << "-1: still waiting for the lock";
  holder.kill9();
  EXPECT_EQ("old", get(key, "v").second);
  RegistryKey missing;
  EXPECT_EQ(FileNotFound, RegistryKey::open(Hklm, "Shared\\New", missing));
}

TEST_F(RegistryTest, StoreDefaultsToTheUsersConfigFolder) {
  unsetenv("TZ_REGISTRY_ROOT");
  setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
  RegistryKey key;
  const PlatformError error = RegistryKey::create(Hkcu, "Software", key);
  unsetenv("XDG_CONFIG_HOME");
  ASSERT_EQ(Success, error);
  EXPECT_TRUE(fs::is_directory(root_ / "tz-registry/HKEY_CURRENT_USER/Software"));
  EXPECT_EQ(0700u, modeOf(root_ / "tz-registry"));
}

// Writes 300 values of its own into the shared key, re-opening it now and then.
TEST_F(RegistryTest, PeerWritesValues) {
  TZ_PEER_ONLY();
  const std::string prefix = getenv("TZ_PEER_PREFIX");
  RegistryKey key;
  for (int i = 0; i < 300; ++i) {
    if (i % 50 == 0) {
      ASSERT_EQ(Success, RegistryKey::create(Hklm, "Shared", key));
    }
    const std::string name = prefix + std::to_string(i);
    ASSERT_EQ(Success, set(key, name, String, utf16(u"x\0"sv)));
  }
}

TEST_F(RegistryTest, ConcurrentWriterProcessesLoseNothing) {
  RegistryKey key = make("Shared");
  tz::test::PeerProcess first("RegistryTest.PeerWritesValues", {"TZ_PEER_PREFIX=first"});
  tz::test::PeerProcess second("RegistryTest.PeerWritesValues", {"TZ_PEER_PREFIX=second"});
  ASSERT_TRUE(first.started() && second.started());
  // Meanwhile every read sees a whole file, whose values only grow in number.
  uint32_t seen = 0;
  std::string name;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (bool running = true; running && std::chrono::steady_clock::now() < deadline;) {
    running = first.wait(0) == -1 || second.wait(0) == -1;
    const PlatformError error = key.enumValue(seen, name, nullptr, nullptr, nullptr);
    ASSERT_TRUE(error == Success || error == NoMoreItems);
    if (error == Success) ++seen;
  }
  EXPECT_EQ(0, first.wait(60000));
  EXPECT_EQ(0, second.wait(60000));
  for (const char* prefix : {"first", "second"})
    for (int i = 0; i < 300; ++i)
      EXPECT_EQ(utf16(u"x\0"sv), get(key, prefix + std::to_string(i)).second) << prefix << i;
  EXPECT_EQ(NoMoreItems, key.enumValue(600, name, nullptr, nullptr, nullptr));
}

}  // namespace
