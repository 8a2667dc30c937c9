// The user's folder of named objects: where it is and whose it must be, the files a create or
// open refuses to touch, and the sweep of sessions that ended. A process looks its folder up
// once, so each case that moves the folder runs in a peer with its own environment.
#include "support/platform/posix/named_object_path.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/platform/named_event.h"
#include "support/platform/named_mark.h"
#include "support/platform/shared_section.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"
#include "tests/common/object_folder.h"

namespace {

namespace fs = std::filesystem;
using tz::platform::MarkWatch;
using tz::platform::NamedEvent;
using tz::platform::NamedMark;
using tz::platform::PlatformError;
using tz::platform::SharedSection;
using tz::platform::posix::ObjectKind;
using tz::test::PeerProcess;

struct NamedObjectFolderTest : ::testing::Test {
  tz::test::IsolatedSession session;
};

constexpr ObjectKind Kinds[] = {ObjectKind::Section, ObjectKind::Event, ObjectKind::Mark};

// The file name of an object of namespace `space`, which is the same in every folder.
std::string fileIn(const std::string& space, ObjectKind kind, const std::string& name) {
  const std::string own = getenv("TZ_OBJECT_NAMESPACE");
  setenv("TZ_OBJECT_NAMESPACE", space.c_str(), 1);
  std::string path;
  tz::platform::posix::objectPath(kind, name, path);
  setenv("TZ_OBJECT_NAMESPACE", own.c_str(), 1);
  return fs::path(path).filename();
}

// Objects go to TZ_TEST_FOLDER, or are refused there with one line naming it when
// TZ_TEST_DENIED is 1.
TEST_F(NamedObjectFolderTest, PeerCreatesInTheFolderItChose) {
  TZ_PEER_ONLY();
  const std::string folder = getenv("TZ_TEST_FOLDER");
  EXPECT_EQ(folder, tz::test::objectFolder());
  const tz::test::ScratchFolder scratch;
  const fs::path said = scratch.path / "stderr";
  const int saved = dup(2);
  const int capture = open(said.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  dup2(capture, 2);
  auto section = SharedSection::create("here", 4096);
  auto event = NamedEvent::create("here");
  dup2(saved, 2);
  close(capture);
  close(saved);
  const std::string text = tz::test::readFile(said);
  if (std::string(getenv("TZ_TEST_DENIED")) == "1") {
    EXPECT_EQ(PlatformError::AccessDenied, section.error);
    EXPECT_EQ(PlatformError::AccessDenied, event.error);
    EXPECT_NE(std::string::npos, text.find(folder + ' ')) << text;
    EXPECT_EQ(1, std::count(text.begin(), text.end(), '\n')) << "said once: " << text;
  } else {
    ASSERT_EQ(PlatformError::Success, section.error);
    EXPECT_TRUE(fs::exists(fs::path(folder) /
                           fileIn(getenv("TZ_OBJECT_NAMESPACE"), ObjectKind::Section, "here")));
    EXPECT_EQ("", text);
  }
}

// Any local user can make folders in the shared-memory folder first; nobody else can in the
// user's own runtime folder. So that one holds the objects whenever it is usable, and a folder
// of objects that is not the user's own is refused, never used.
TEST_F(NamedObjectFolderTest, ObjectsLiveInThePrivateRuntimeFolderElseInSharedMemory) {
  const tz::test::ScratchFolder runtime;  // mkdtemp makes it 0700 and ours
  const fs::path root = fs::canonical(runtime.path);
  std::error_code error;
  fs::path shm = fs::canonical("/dev/shm", error);
  if (error) shm = "/dev/shm";
  const std::string shared = shm / ("tz-" + std::to_string(geteuid()));
  auto folder = [&](const char* name, mode_t mode) {
    fs::create_directory(root / name);
    chmod((root / name).c_str(), mode);
    return root / name;
  };
  std::ofstream(root / "plain") << "not a folder";
  const fs::path linked = folder("linked", 0700);
  fs::create_directory_symlink(folder("elsewhere", 0700), linked / "tz-objects");
  struct Row {
    std::string runtime, folder;
    bool denied;
  };
  std::vector<Row> rows = {
      {root, root / "tz-objects", false}, {"", shared, false},
      {"relative", shared, false},        {folder("open", 0755), shared, false},
      {root / "plain", shared, false},    {linked, linked / "tz-objects", true}};
  if (geteuid() == 0) {  // only root can give a folder to another user
    const fs::path foreign = folder("foreign", 0700), taken = folder("taken", 0700);
    fs::create_directory(taken / "tz-objects");
    ASSERT_EQ(0, chown(foreign.c_str(), 65534, 65534));
    ASSERT_EQ(0, chown((taken / "tz-objects").c_str(), 65534, 65534));
    rows.push_back({foreign, shared, false});
    rows.push_back({taken, taken / "tz-objects", true});
  }
  for (const Row& row : rows) {
    PeerProcess peer("NamedObjectFolderTest.PeerCreatesInTheFolderItChose",
                     {"XDG_RUNTIME_DIR=" + row.runtime, "TZ_TEST_FOLDER=" + row.folder,
                      row.denied ? "TZ_TEST_DENIED=1" : "TZ_TEST_DENIED=0"});
    EXPECT_EQ(0, peer.wait()) << "XDG_RUNTIME_DIR=" << row.runtime;
  }
}

// A second name of some file of the user's, placed where an object belongs, would have a
// create truncate and zero that file. Every way in refuses it and leaves it as it was.
TEST_F(NamedObjectFolderTest, HardLinkAtAnObjectsPathIsRefusedAndLeftAsItWas) {
  const auto anchor = NamedMark::hold("anchor");  // the folder exists from here on
  ASSERT_EQ(PlatformError::Success, anchor.error);
  const fs::path folder = tz::test::objectFolder();
  const fs::path precious = folder / ("precious-" + std::to_string(getpid()));
  std::ofstream(precious) << "keep me";
  chmod(precious.c_str(), 0640);
  const std::string space = getenv("TZ_OBJECT_NAMESPACE");
  for (const ObjectKind kind : Kinds)
    ASSERT_EQ(0, link(precious.c_str(), (folder / fileIn(space, kind, "linked")).c_str()));
  EXPECT_EQ(PlatformError::AccessDenied, SharedSection::create("linked", 4096).error);
  EXPECT_EQ(PlatformError::AccessDenied, SharedSection::open("linked").error);
  EXPECT_EQ(PlatformError::AccessDenied, NamedEvent::create("linked").error);
  EXPECT_EQ(PlatformError::AccessDenied, NamedEvent::open("linked").error);
  EXPECT_EQ(PlatformError::AccessDenied, NamedMark::hold("linked").error);
  EXPECT_FALSE(NamedMark::isHeld("linked"));
  EXPECT_EQ(PlatformError::AccessDenied, MarkWatch::open("linked").error);
  struct stat st;
  ASSERT_EQ(0, stat(precious.c_str(), &st));
  EXPECT_EQ("keep me", tz::test::readFile(precious));
  EXPECT_EQ(0640u, st.st_mode & 0777);
  EXPECT_EQ(4u, st.st_nlink) << "no name was removed";
  for (const ObjectKind kind : Kinds) fs::remove(folder / fileIn(space, kind, "linked"));
  fs::remove(precious);
}

// Holds a section, a mark and an event named TZ_TEST_TAG until killed.
TEST_F(NamedObjectFolderTest, PeerHoldsObjectsUntilKilled) {
  TZ_PEER_ONLY();
  const char* tag = getenv("TZ_TEST_TAG");
  auto section = SharedSection::create(tag, 1 << 17);
  auto mark = NamedMark::hold(tag);
  auto event = NamedEvent::create(tag);
  ASSERT_EQ(PlatformError::Success, section.error);
  ASSERT_EQ(PlatformError::Success, mark.error);
  ASSERT_EQ(PlatformError::Success, event.error);
  event.event.wait(NamedEvent::Infinite);
}

TEST_F(NamedObjectFolderTest, PeerCreatesOnce) {
  TZ_PEER_ONLY();
  EXPECT_EQ(PlatformError::Success, NamedEvent::create("next").error);
}

// Objects of a namespace whose holders all died are swept by the next process that creates an
// object, of whatever namespace. A namespace with a live holder keeps even its dead objects,
// and files that are not objects stay.
TEST_F(NamedObjectFolderTest, NamespacesWhoseHoldersAllDiedAreSweptByTheNextCreate) {
  const tz::test::ScratchFolder runtime;
  const fs::path folder = fs::canonical(runtime.path) / "tz-objects";
  const std::string xdg = "XDG_RUNTIME_DIR=" + runtime.path.string();
  const std::string own = getenv("TZ_OBJECT_NAMESPACE");
  const std::string ended = own + "-ended", running = own + "-running";
  const char* holds = "NamedObjectFolderTest.PeerHoldsObjectsUntilKilled";
  PeerProcess endedHolder(holds, {xdg, "TZ_OBJECT_NAMESPACE=" + ended, "TZ_TEST_TAG=a"});
  PeerProcess liveHolder(holds, {xdg, "TZ_OBJECT_NAMESPACE=" + running, "TZ_TEST_TAG=b"});
  PeerProcess deadHolder(holds, {xdg, "TZ_OBJECT_NAMESPACE=" + running, "TZ_TEST_TAG=c"});
  // The event comes last, so its file shows that the holder has made all three.
  auto present = [&](const std::string& space, const char* tag, ObjectKind kind) {
    return fs::exists(folder / fileIn(space, kind, tag));
  };
  ASSERT_TRUE(tz::test::eventually([&] {
    return present(ended, "a", ObjectKind::Event) && present(running, "b", ObjectKind::Event) &&
           present(running, "c", ObjectKind::Event);
  }));
  endedHolder.kill9();
  deadHolder.kill9();
  std::ofstream(folder / "notes") << "not an object";
  ASSERT_TRUE(present(ended, "a", ObjectKind::Section)) << "left behind";
  PeerProcess next("NamedObjectFolderTest.PeerCreatesOnce",
                   {xdg, "TZ_OBJECT_NAMESPACE=" + own + "-next"});
  ASSERT_EQ(0, next.wait());
  for (const ObjectKind kind : Kinds) {
    EXPECT_FALSE(present(ended, "a", kind)) << static_cast<int>(kind);
    EXPECT_TRUE(present(running, "b", kind)) << static_cast<int>(kind);
    EXPECT_TRUE(present(running, "c", kind)) << "its namespace lives " << static_cast<int>(kind);
  }
  EXPECT_TRUE(fs::exists(folder / "notes"));
}

}  // namespace
