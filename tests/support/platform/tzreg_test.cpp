// The tzreg tool as a program: its layout, its errors, its questions, and on a system with a
// registry of its own, the system's reg tool reading what it wrote and the other way round.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "registry_sandbox.h"
#include "run_command.h"
#include "support/platform/registry.h"
#include "tests/common/scratch_folder.h"

namespace {

using namespace std::literals;
using namespace tz::platform;
using Outcome = tz::test::CommandOutcome;

// Words split at blanks; single quotes keep blanks and backslashes in a word.
std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> result;
  bool quoted = false, inWord = false;
  for (const char c : line) {
    if (c == '\'') {
      quoted = !quoted;
      if (!inWord) result.emplace_back();
      inWord = true;
    } else if (c == ' ' && !quoted) {
      inWord = false;
    } else {
      if (!inWord) result.emplace_back();
      inWord = true;
      result.back() += c;
    }
  }
  return result;
}

struct TzregTest : ::testing::Test {
  // Runs the tool with the words of `args` and `input` on stdin.
  Outcome tzreg(const std::string& args, const std::string& input = "") {
    return tz::test::runCommand(TZREG_PATH, words(args), input, folder_.path);
  }
  Outcome reg(const std::string& args) {
    return tz::test::runCommand("reg.exe", words(args), "", folder_.path);
  }
  // A key below the sandbox's as the tools take it (quoted) and show it.
  std::string key(const std::string& path) const {
    return "'" + sandbox_.toolKey() + "\\" + path + "' ";
  }
  std::string shown(const std::string& path) const {
    return "\n" + sandbox_.shownKey() + "\\" + path + "\n";
  }

  tz::test::RegistrySandbox sandbox_;
  tz::test::ScratchFolder folder_;
};

const std::string Done = "The operation completed successfully.\n";
const std::string NotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";

// Values are created in the order of their names: that is the order a store of files keeps
// and the order the system's registry enumerates them in under Wine.
const char* const Adds[] = {
    "/ve /d dflt", "/v Bin /t reg_binary /d 0aFF", "/v Count /t REG_DWORD /d 0x7",
    R"(/v List /t REG_MULTI_SZ /d 'one\0\0two')", "/v Path /d 'C:\\x y\xc3\xab'"};
const std::string Values =
    "    (Default)    REG_SZ    dflt\n"
    "    Bin    REG_BINARY    0AFF\n"
    "    Count    REG_DWORD    0x7\n"
    "    List    REG_MULTI_SZ    one\\0\\0two\n"
    "    Path    REG_SZ    C:\\x y\xc3\xab\n";

TEST_F(TzregTest, AddQueryAndDeleteInTheToolsLayout) {
  const std::string test = shown("SOFTWARE\\Test"), sub = shown("SOFTWARE\\Test\\Sub"),
                    k = key("SOFTWARE\\Test");
  for (const char* value : Adds)
    EXPECT_EQ((Outcome{0, Done, ""}), tzreg("add " + k + value + " /f")) << value;
  EXPECT_EQ(0, tzreg("add '" + sandbox_.toolKey() + R"(\software\test\Sub\')").status);
  EXPECT_EQ((Outcome{0, test + Values + sub, ""}), tzreg("query " + k));
  EXPECT_EQ(test + "    count    REG_DWORD    0x7\n\n", tzreg("query " + k + "/v count").out);
  EXPECT_EQ(shown("SOFTWARE") + test + Values + sub + "\n",
            tzreg("query " + key("SOFTWARE") + "/s").out);

  // The program's values are the library's, byte for byte, and the other way round.
  RegistryKey opened;
  ASSERT_EQ(PlatformError::Success,
            RegistryKey::open(sandbox_.root(), sandbox_.path("Software\\Test"), opened));
  char data[32];
  uint32_t size = sizeof data;
  ASSERT_EQ(PlatformError::Success, opened.queryValue("List", nullptr, data, &size));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(u"one\0\0two\0"), 20),
            std::string(data, size));
  ASSERT_EQ(PlatformError::Success,
            opened.setValue("Count", RegistryType::Dword, "\xff\xff\xff\xff", 4));
  EXPECT_EQ(test + "    Count    REG_DWORD    0xffffffff\n\n",
            tzreg("query " + k + "/v Count").out);

  EXPECT_EQ(Done, tzreg("delete " + k + "/v PATH /f").out);
  EXPECT_EQ(NotFound, tzreg("query " + k + "/v Path").err);
  EXPECT_EQ(Done, tzreg("delete " + k + "/va /f").out);
  EXPECT_EQ(test + sub, tzreg("query " + k).out);
  EXPECT_EQ(Done, tzreg("delete " + k + "/f").out);
  EXPECT_EQ((Outcome{1, "", NotFound}), tzreg("query " + k));
}

TEST_F(TzregTest, ErrorsExitWithOneAndOneLineAndChangeNothing) {
  const std::string add = "add " + key("Bad"), x = add + "/v x ";
  std::vector<std::string> bad = {x + "/t REG_QWORD /d 1",
                                  x + "/t REG_DWORD /d 12x",
                                  x + "/t REG_DWORD /d 0x100000000",
                                  x + "/t REG_DWORD /d -1",
                                  x + "/t REG_BINARY /d abc",
                                  x + "/t REG_BINARY /d zz",
                                  add + "/v",
                                  x + "/ve",
                                  add + "/s",
                                  R"(add 'HKCR\Bad')"s,
                                  add + "\\\\Twice'",
                                  "query " + key("Missing"),
                                  "delete " + key("Missing") + "/f",
                                  "delete HKLM /f"s,
                                  "frobnicate " + key("Bad"),
                                  ""s};
  if (tz::test::argumentsCarryAnyBytes) bad.push_back(x + "/d \xff");
  for (const std::string& args : bad) {
    const Outcome run = tzreg(args);
    EXPECT_TRUE(run.status == 1 && run.out.empty() && run.err.starts_with("ERROR: ") &&
                run.err.find('\n') == run.err.size() - 1)
        << args << " gave " << testing::PrintToString(run);
  }
  RegistryKey key;
  EXPECT_EQ(PlatformError::FileNotFound,
            RegistryKey::open(sandbox_.root(), sandbox_.path("Bad"), key));
}

TEST_F(TzregTest, AsksBeforeReplacingOrDeletingAndEndOfInputIsNo) {
  const std::string k = key("Ask");
  ASSERT_EQ(0, tzreg("add " + k + "/v n /t REG_DWORD /d 1").status);
  EXPECT_EQ((Outcome{1, "Value N exists, overwrite (Yes/No)? \n",
                     "The operation was cancelled by the user.\n"}),
            tzreg("add " + k + "/v N /t REG_DWORD /d 2"));
  EXPECT_NE(std::string::npos, tzreg("query " + k + "/v n").out.find("0x1\n"));
  const std::string ask = "Value n exists, overwrite (Yes/No)? ";
  EXPECT_EQ((Outcome{0, ask + ask + Done, ""}),
            tzreg("add " + k + "/v n /t REG_DWORD /d 2", "maybe\n yes \n"));
  EXPECT_NE(std::string::npos, tzreg("query " + k + "/v n").out.find("0x2\n"));
  EXPECT_EQ(1, tzreg("delete " + k + "/v n", "no\n").status);
  EXPECT_EQ(1, tzreg("delete " + k).status);
  EXPECT_EQ(0, tzreg("query " + k + "/v n").status);
  EXPECT_EQ(0, tzreg("delete " + k, "y\n").status);
  EXPECT_EQ(1, tzreg("query " + k).status);
}

TEST_F(TzregTest, QueryTreeReportsADamagedKeyInOneLineAndListsTheRest) {
  if (sandbox_.folder().empty()) GTEST_SKIP() << "the system's registry has no files to damage";
  for (const char* path : {"A\\B\\D", "A\\B", "A\\C"})
    ASSERT_EQ(0, tzreg("add " + key(path) + "/v v /d x /f").status) << path;
  std::ofstream(sandbox_.folder() / "HKEY_LOCAL_MACHINE/A/B/.key.reg", std::ios::trunc)
      << "damaged\n";
  const std::string damaged =
      "ERROR: HKEY_LOCAL_MACHINE\\A\\B: The configuration registry database is corrupt.\n";
  const std::string a = shown("A"), d = shown("A\\B\\D"), c = shown("A\\C"),
                    value = "    v    REG_SZ    x\n";
  EXPECT_EQ((Outcome{1, a + d + value + c + value + "\n", damaged}),
            tzreg("query " + key("A") + "/s"));
  EXPECT_EQ((Outcome{1, d + value + c + value + "\nEnd of search: 2 match(es) found.\n", damaged}),
            tzreg("query " + key("A") + "/v v /s"));
  EXPECT_EQ((Outcome{0, d + value + "\n", ""}), tzreg("query " + key("A\\B\\D") + "/s"));
}

TEST_F(TzregTest, ControlCharactersShowEscapedAndPrintableTextRoundTrips) {
  RegistryKey made;
  ASSERT_EQ(PlatformError::Success,
            RegistryKey::create(sandbox_.root(), sandbox_.path("S\\K\x1b[2J"), made));
  const std::u16string text = u"a\x1b[31mb\r\n\t\x7f\u0085\u202e\u2028z"s + u'\0',
                       list = u"\x1b]0;title\x07\0ok\0\0"s;
  for (const auto& [name, type, data] :
       {std::tuple{"L", RegistryType::MultiString, list}, {"n\x1b[8m", RegistryType::String, text}})
    ASSERT_EQ(PlatformError::Success,
              made.setValue(name, type, data.data(), static_cast<uint32_t>(data.size() * 2)));
  const std::string expected =
      shown("S") + shown("S\\K\\x1b[2J") +
      "    L    REG_MULTI_SZ    \\x1b]0;title\\x07\\0ok\n"
      "    n\\x1b[8m    REG_SZ    a\\x1b[31mb\\x0d\\x0a\\x09\\x7f\\u0085\\u202e\\u2028z\n\n";
  EXPECT_EQ((Outcome{0, expected, ""}), tzreg("query " + key("S") + "/s"));

  // Printable text, backslashes and what looks like an escape included, comes back as given.
  const std::string name = "N\xc3\xa4me \"q\" \\x1b",
                    data = "C:\\x1b y \"q\" \xf0\x9f\x8e\xb5 \\\\srv";
  ASSERT_EQ(0, tzreg("add " + key("T") + "/v '" + name + "' /d '" + data + "' /f").status);
  EXPECT_EQ(shown("T") + "    " + name + "    REG_SZ    " + data + "\n\n",
            tzreg("query " + key("T") + "/v '" + name + "'").out);
}

TEST_F(TzregTest, TheSystemsRegToolReadsWhatTzregWroteAndTheOtherWayRound) {
  if (reg("/?").status == 127) GTEST_SKIP() << "no reg tool: the registry is a store of files";
  const std::string k = key("Both"), both = shown("Both");
  for (const char* value : Adds) ASSERT_EQ(0, tzreg("add " + k + value + " /f").status) << value;
  ASSERT_EQ(0, tzreg("add " + key("Both\\Sub")).status);
  // reg shows text in the console's code page, so the comparison leaves out the one value
  // beyond ASCII.
  ASSERT_EQ(0, tzreg("delete " + k + "/v Path /f").status);
  const Outcome listed = tzreg("query " + k);
  EXPECT_EQ(0, listed.status);
  EXPECT_EQ(listed, reg("query " + k));
  for (const char* name : {"Count", "List", "Bin"})
    EXPECT_EQ(tzreg("query " + k + "/v " + name), reg("query " + k + "/v " + name)) << name;

  ASSERT_EQ(0, reg("add " + k + "/v Name /d 'Zo\xc3\xab \"x\"' /f").status);
  ASSERT_EQ(0, reg("add " + k + "/v N /t REG_DWORD /d 42 /f").status);
  ASSERT_EQ(0, reg("add " + k + R"(/v M /t REG_MULTI_SZ /d 'a\0b' /f)").status);
  EXPECT_EQ(both + "    Name    REG_SZ    Zo\xc3\xab \"x\"\n\n",
            tzreg("query " + k + "/v Name").out);
  EXPECT_EQ(both + "    N    REG_DWORD    0x2a\n\n", tzreg("query " + k + "/v N").out);
  EXPECT_EQ(both + "    M    REG_MULTI_SZ    a\\0b\n\n", tzreg("query " + k + "/v M").out);
  ASSERT_EQ(0, reg("delete " + k + "/f").status);
  EXPECT_EQ((Outcome{1, "", NotFound}), tzreg("query " + k));
}

}  // namespace
