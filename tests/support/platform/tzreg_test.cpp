#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "support/platform/registry.h"
#include "tests/common/scratch_folder.h"

namespace {

using namespace std::literals;
using namespace tz::platform;
namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
  bool operator==(const Outcome&) const = default;
  friend void PrintTo(const Outcome& o, std::ostream* os) {
    *os << o.status << " [" << o.out << "] [" << o.err << "]";
  }
};

struct TzregTest : ::testing::Test {
  void SetUp() override { setenv("TZ_REGISTRY_ROOT", (dir_ / "store").c_str(), 1); }
  void TearDown() override { unsetenv("TZ_REGISTRY_ROOT"); }

  // Runs the tool with the shell words `args` and `input` on stdin; kills it after 10 s.
  Outcome tzreg(const std::string& args, const std::string& input = "") {
    std::ofstream(dir_ / "in") << input;
    const int status =
        system(("cd '" + dir_.string() + "' && timeout -s KILL 10 '" TZREG_PATH "' " + args +
                " <in >out 2>err")
                   .c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, tz::test::readFile(dir_ / "out"),
            tz::test::readFile(dir_ / "err")};
  }

  tz::test::ScratchFolder folder_;
  const fs::path& dir_ = folder_.path;
};

const std::string Done = "The operation completed successfully.\n";
const std::string NotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";

TEST_F(TzregTest, AddQueryAndDeleteInTheToolsLayout) {
  const std::string key = R"('HKLM\SOFTWARE\Test' )",
                    test = "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Test\n",
                    sub = "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Sub\n";
  for (const char* value : {"/v Count /t REG_DWORD /d 0x7", "/v Path /d 'C:\\x y\xc3\xab'",
                            "/v Bin /t reg_binary /d 0aFF",
                            R"(/v List /t REG_MULTI_SZ /d 'one\0\0two')", "/ve /d dflt"})
    EXPECT_EQ((Outcome{0, Done, ""}), tzreg("add " + key + value + " /f")) << value;
  EXPECT_EQ(0, tzreg(R"(add 'HKEY_LOCAL_MACHINE\software\test\Sub\')").status);
  const std::string values =
      "    Count    REG_DWORD    0x7\n"
      "    Path    REG_SZ    C:\\x y\xc3\xab\n"
      "    Bin    REG_BINARY    0AFF\n"
      "    List    REG_MULTI_SZ    one\\0\\0two\n"
      "    (Default)    REG_SZ    dflt\n";
  EXPECT_EQ((Outcome{0, test + values + sub, ""}), tzreg("query " + key));
  EXPECT_EQ(test + "    count    REG_DWORD    0x7\n\n", tzreg("query " + key + "/v count").out);
  EXPECT_EQ("\nHKEY_LOCAL_MACHINE\\SOFTWARE\n" + test + values + sub + "\n",
            tzreg(R"(query 'HKLM\SOFTWARE' /s)").out);

  // The program's values are the library's, byte for byte, and the other way round.
  RegistryKey opened;
  ASSERT_EQ(PlatformError::Success,
            RegistryKey::open(RegistryRoot::LocalMachine, "Software\\Test", opened));
  char data[32];
  uint32_t size = sizeof data;
  ASSERT_EQ(PlatformError::Success, opened.queryValue("List", nullptr, data, &size));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(u"one\0\0two\0"), 20),
            std::string(data, size));
  ASSERT_EQ(PlatformError::Success,
            opened.setValue("Count", RegistryType::Dword, "\xff\xff\xff\xff", 4));
  EXPECT_EQ(test + "    Count    REG_DWORD    0xffffffff\n\n",
            tzreg("query " + key + "/v Count").out);

  EXPECT_EQ(Done, tzreg("delete " + key + "/v PATH /f").out);
  EXPECT_EQ(NotFound, tzreg("query " + key + "/v Path").err);
  EXPECT_EQ(Done, tzreg("delete " + key + "/va /f").out);
  EXPECT_EQ(test + sub, tzreg("query " + key).out);
  EXPECT_EQ(Done, tzreg("delete " + key + "/f").out);
  EXPECT_EQ((Outcome{1, "", NotFound}), tzreg("query " + key));
}

TEST_F(TzregTest, ErrorsExitWithOneAndOneLineAndChangeNothing) {
  const std::string add = R"(add 'HKLM\Bad' )", x = add + "/v x ";
  for (const std::string& args :
       {x + "/t REG_QWORD /d 1", x + "/t REG_DWORD /d 12x", x + "/t REG_DWORD /d 0x100000000",
        x + "/t REG_DWORD /d -1", x + "/t REG_BINARY /d abc", x + "/t REG_BINARY /d zz",
        x + "/d \xff", add + "/v", x + "/ve", add + "/s", R"(add 'HKCR\Bad')"s,
        R"(add 'HKLM\Bad\\Twice')"s, R"(query 'HKLM\Missing')"s, R"(delete 'HKLM\Missing' /f)"s,
        "delete HKLM /f"s, R"(frobnicate 'HKLM\Bad')"s, ""s}) {
    const Outcome run = tzreg(args);
    EXPECT_TRUE(run.status == 1 && run.out.empty() && run.err.starts_with("ERROR: ") &&
                run.err.find('\n') == run.err.size() - 1)
        << args << " gave " << testing::PrintToString(run);
  }
  RegistryKey key;
  EXPECT_EQ(PlatformError::FileNotFound, RegistryKey::open(RegistryRoot::LocalMachine, "Bad", key));
}

TEST_F(TzregTest, AsksBeforeReplacingOrDeletingAndEndOfInputIsNo) {
  const std::string key = R"('HKCU\Software\Ask' )";
  ASSERT_EQ(0, tzreg("add " + key + "/v n /t REG_DWORD /d 1").status);
  EXPECT_EQ((Outcome{1, "Value N exists, overwrite (Yes/No)? \n",
                     "The operation was cancelled by the user.\n"}),
            tzreg("add " + key + "/v N /t REG_DWORD /d 2"));
  EXPECT_NE(std::string::npos, tzreg("query " + key + "/v n").out.find("0x1\n"));
  const std::string ask = "Value n exists, overwrite (Yes/No)? ";
  EXPECT_EQ((Outcome{0, ask + ask + Done, ""}),
            tzreg("add " + key + "/v n /t REG_DWORD /d 2", "maybe\n yes \n"));
  EXPECT_NE(std::string::npos, tzreg("query " + key + "/v n").out.find("0x2\n"));
  EXPECT_EQ(1, tzreg("delete " + key + "/v n", "no\n").status);
  EXPECT_EQ(1, tzreg("delete " + key).status);
  EXPECT_EQ(0, tzreg("query " + key + "/v n").status);
  EXPECT_EQ(0, tzreg("delete " + key, "y\n").status);
  EXPECT_EQ(1, tzreg("query " + key).status);
}

TEST_F(TzregTest, QueryTreeReportsADamagedKeyInOneLineAndListsTheRest) {
  for (const char* key : {"A\\B\\D", "A\\B", "A\\C"})
    ASSERT_EQ(0, tzreg("add 'HKLM\\"s + key + "' /v v /d x /f").status) << key;
  std::ofstream(dir_ / "store/HKEY_LOCAL_MACHINE/A/B/.key.reg", std::ios::trunc) << "damaged\n";
  const std::string damaged =
      "ERROR: HKEY_LOCAL_MACHINE\\A\\B: The configuration registry database is corrupt.\n";
  const std::string a = "\nHKEY_LOCAL_MACHINE\\A\n", d = "\nHKEY_LOCAL_MACHINE\\A\\B\\D\n",
                    c = "\nHKEY_LOCAL_MACHINE\\A\\C\n", value = "    v    REG_SZ    x\n";
  EXPECT_EQ((Outcome{1, a + d + value + c + value + "\n", damaged}), tzreg(R"(query 'HKLM\A' /s)"));
  EXPECT_EQ((Outcome{1, d + value + c + value + "\nEnd of search: 2 match(es) found.\n", damaged}),
            tzreg(R"(query 'HKLM\A' /v v /s)"));
  EXPECT_EQ((Outcome{0, d + value + "\n", ""}), tzreg(R"(query 'HKLM\A\B\D' /s)"));
}

TEST_F(TzregTest, ControlCharactersShowEscapedAndPrintableTextRoundTrips) {
  RegistryKey key;
  ASSERT_EQ(PlatformError::Success,
            RegistryKey::create(RegistryRoot::CurrentUser, "S\\K\x1b[2J", key));
  const std::u16string text = u"a\x1b[31mb\r\n\t\x7f\u0085\u202e\u2028z"s + u'\0',
                       list = u"\x1b]0;title\x07\0ok\0\0"s;
  for (const auto& [name, type, data] :
       {std::tuple{"n\x1b[8m", RegistryType::String, text}, {"L", RegistryType::MultiString, list}})
    ASSERT_EQ(PlatformError::Success,
              key.setValue(name, type, data.data(), static_cast<uint32_t>(data.size() * 2)));
  const std::string shown =
      "\nHKEY_CURRENT_USER\\S\n"
      "\nHKEY_CURRENT_USER\\S\\K\\x1b[2J\n"
      "    n\\x1b[8m    REG_SZ    a\\x1b[31mb\\x0d\\x0a\\x09\\x7f\\u0085\\u202e\\u2028z\n"
      "    L    REG_MULTI_SZ    \\x1b]0;title\\x07\\0ok\n\n";
  EXPECT_EQ((Outcome{0, shown, ""}), tzreg(R"(query 'HKCU\S' /s)"));

  // Printable text, backslashes and what looks like an escape included, comes back as given.
  const std::string name = "N\xc3\xa4me \"q\" \\x1b",
                    data = "C:\\x1b y \"q\" \xf0\x9f\x8e\xb5 \\\\srv";
  ASSERT_EQ(0, tzreg("add 'HKCU\\T' /v '" + name + "' /d '" + data + "' /f").status);
  EXPECT_EQ("\nHKEY_CURRENT_USER\\T\n    " + name + "    REG_SZ    " + data + "\n\n",
            tzreg("query 'HKCU\\T' /v '" + name + "'").out);
}

}  // namespace
