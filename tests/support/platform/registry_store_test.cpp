// The registry's store of files, where the system has no registry of its own: the files' form
// and modes, damaged and planted files, the cross-process lock and concurrent writers.
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
#include "tests/common/registry_values.h"
#include "tests/common/scratch_folder.h"

namespace {

using namespace std::literals;
using namespace tz::platform;
using enum PlatformError;
using enum RegistryType;
using tz::test::readFile;
namespace fs = std::filesystem;
constexpr auto Hklm = RegistryRoot::LocalMachine, Hkcu = RegistryRoot::CurrentUser;

using tz::test::get;
using tz::test::set;
using tz::test::utf16;

RegistryKey make(std::string_view path, RegistryRoot root = Hklm) {
  RegistryKey key;
  EXPECT_EQ(Success, RegistryKey::create(root, path, key)) << path;
  return key;
}

unsigned modeOf(const fs::path& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

struct RegistryStoreTest : ::testing::Test {
  void SetUp() override {
    if (!root_.empty()) setenv("TZ_REGISTRY_ROOT", root_.c_str(), 1);
  }
  void TearDown() override { unsetenv("TZ_REGISTRY_ROOT"); }
  tz::test::ScratchFolder store_{!tz::test::isPeer()};  // the peer works in its parent's store
  const fs::path& root_ = store_.path;
};

TEST_F(RegistryStoreTest, KeyFilesAreReadableTextWithPrivateModes) {
  RegistryKey key = make("SOFTWARE\\Test");
  ASSERT_EQ(Success, set(key, "Count", Dword, "\x07\0\0\0"s));
  ASSERT_EQ(Success, set(key, "Z1", MultiString, utf16(u"one\0two\0\0"sv)));
  ASSERT_EQ(Success, set(key, "", String, utf16(u"default\0"sv)));
  const fs::path folder = root_ / "HKEY_LOCAL_MACHINE/SOFTWARE/Test";
  const std::string text = readFile(folder / ".key.reg");
  EXPECT_NE(std::string::npos, text.find("\n\"Count\"=dword:00000007\n")) << text;
  EXPECT_NE(std::string::npos, text.find("\n\"Z1\"=multi:\"one\",\"two\"\n")) << text;
  EXPECT_NE(std::string::npos, text.find("\n@=\"default\"\n")) << text;
  EXPECT_EQ(0600u, modeOf(folder / ".key.reg"));
  EXPECT_EQ(0700u, modeOf(folder));
}

TEST_F(RegistryStoreTest, DeletedKeysLeaveNoTrash) {
  RegistryKey grandChild = make("P\\C\\G"), child = make("P\\C");
  ASSERT_EQ(Success, RegistryKey::deleteKey(Hklm, "p"));
  EXPECT_FALSE(fs::exists(root_ / ".trash"));
}

TEST_F(RegistryStoreTest, DamagedKeyFileFailsThatKeyOnly) {
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
TEST_F(RegistryStoreTest, PeerReadsAPlantedKey) {
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

TEST_F(RegistryStoreTest, KeyFileThatIsNoPlainFileOrTooLargeReadsAsDamagedAtOnce) {
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
    tz::test::PeerProcess reader("RegistryStoreTest.PeerReadsAPlantedKey",
                                 {"TZ_PEER_KEY="s + name});
    ASSERT_TRUE(reader.started());
    EXPECT_EQ(0, reader.wait(20000)) << name << " (-1: the read never returned)";
    EXPECT_EQ(kind, fs::symlink_status(file).type()) << name << " is left as it was";
    EXPECT_EQ("child", get(child, "v").second) << name;
  }
}

TEST_F(RegistryStoreTest, PlantedLinksInPlaceOfTheTemporaryOrTheLockLeadNowhere) {
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

TEST_F(RegistryStoreTest, KeyFilesStayWithinFourMebibytesOnBothSides) {
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

TEST_F(RegistryStoreTest, OpenKeysStayOutOfChildProcesses) {
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
TEST_F(RegistryStoreTest, PeerStopsHoldingTheStoreLock) {
  TZ_PEER_ONLY();
  const std::string lock = getenv("TZ_REGISTRY_ROOT") + "/.lock"s;
  const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_EQ(0, flock(fd, LOCK_EX));
  raise(SIGSTOP);
}

// Behind the stopped holder: a change (TZ_PEER_ACCESS=write) or a read gives up.
TEST_F(RegistryStoreTest, PeerMeetsTheStoppedHolder) {
  TZ_PEER_ONLY();
  RegistryKey key;
  if (getenv("TZ_PEER_ACCESS") == "write"s)
    EXPECT_EQ(Timeout, RegistryKey::create(Hklm, "Shared\\New", key));
  else
    EXPECT_EQ(Timeout, RegistryKey::open(Hklm, "Shared", key));
}

TEST_F(RegistryStoreTest, StoppedLockHolderMakesOthersGiveUpInsteadOfWaitingForever) {
  RegistryKey key = make("Shared");
  ASSERT_EQ(Success, set(key, "v", Binary, "old"));
  tz::test::PeerProcess holder("RegistryStoreTest.PeerStopsHoldingTheStoreLock");
  ASSERT_TRUE(holder.started());
  ASSERT_TRUE(tz::test::eventually([&] {
    siginfo_t info{};
    return waitid(P_PID, holder.pid(), &info, WSTOPPED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == holder.pid();
  })) << "the holder never stopped";
  tz::test::PeerProcess writer("RegistryStoreTest.PeerMeetsTheStoppedHolder",
                               {"TZ_PEER_ACCESS=write"});
  tz::test::PeerProcess reader("RegistryStoreTest.PeerMeetsTheStoppedHolder",
                               {"TZ_PEER_ACCESS=read"});
  EXPECT_EQ(0, writer.wait(30000)) << "-1: still waiting for the lock";
  EXPECT_EQ(0, reader.wait(30000)) << "-1: still waiting for the lock";
  holder.kill9();
  EXPECT_EQ("old", get(key, "v").second);
  RegistryKey missing;
  EXPECT_EQ(FileNotFound, RegistryKey::open(Hklm, "Shared\\New", missing));
}

TEST_F(RegistryStoreTest, StoreDefaultsToTheUsersConfigFolder) {
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
TEST_F(RegistryStoreTest, PeerWritesValues) {
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

TEST_F(RegistryStoreTest, ConcurrentWriterProcessesLoseNothing) {
  RegistryKey key = make("Shared");
  tz::test::PeerProcess first("RegistryStoreTest.PeerWritesValues", {"TZ_PEER_PREFIX=first"});
  tz::test::PeerProcess second("RegistryStoreTest.PeerWritesValues", {"TZ_PEER_PREFIX=second"});
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
