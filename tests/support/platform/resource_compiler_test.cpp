// The resource compiler on scripts written to a temporary folder, hostile ones included, and the
// directory reader on what it builds and on damaged directories.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/platform/resource_directory.h"
#include "support/platform/tzrc/resource_compiler.h"
#include "support/platform/tzrc/script_reader.h"
#include "tests/common/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using tz::platform::ResourceDirectory;
using tz::platform::ResourceKey;

struct ResourceCompilerTest : ::testing::Test {
  tz::test::ScratchFolder temp;
  const fs::path& folder = temp.path;

  std::string write(const std::string& name, const std::string& text) {
    std::ofstream(folder / name, std::ios::binary) << text;
    return (folder / name).string();
  }
  // The compiler's message for a script that must fail; empty if it compiled.
  std::string errorOf(const std::string& script) {
    try {
      tz::tzrc::compileScripts({write("bad.rc", script)});
    } catch (const tz::tzrc::ScriptError& error) {
      return error.what();
    }
    return {};
  }
  // Whether "#if condition" takes its branch, after the lines of prelude.
  bool holds(const std::string& condition, const std::string& prelude = "") {
    const std::string message = errorOf(prelude + "#if " + condition + "\n#error taken\n#endif\n");
    EXPECT_TRUE(message.empty() || message.ends_with(": error: #error taken")) << message;
    return !message.empty();
  }

  struct ToolRun {
    int status;          // the exit status, 128 + the signal, or -1 when the deadline passed
    std::string errors;  // what it wrote to stderr
  };
  // Runs tzrc on script, a file in the folder (which is the current directory, so that
  // messages name the file as given), in a child with a deadline and, outside the sanitizers,
  // 1 GiB of address space: a crash, a hang or runaway memory fails the test, not the suite.
  ToolRun runTool(const std::string& script) {
    int pipe[2];
    if (pipe2(pipe, O_CLOEXEC) != 0) return {-2, "no pipe"};
    const pid_t child = fork();
    if (child == 0) {
#ifndef __SANITIZE_ADDRESS__
      const rlimit limit{1u << 30, 1u << 30};
      setrlimit(RLIMIT_AS, &limit);
#endif
      dup2(pipe[1], 2);
      if (chdir(folder.c_str()) == 0)
        execl(TZRC_PATH, TZRC_PATH, "--binary", "out.bin", script.c_str(), nullptr);
      _exit(127);
    }
    close(pipe[1]);
    ToolRun run{-1, {}};
    bool late = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (char buffer[4096];;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd readable{pipe[0], POLLIN, 0};
      if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
        late = kill(child, SIGKILL) == 0;
        break;
      }
      const ssize_t got = read(pipe[0], buffer, sizeof buffer);
      if (got <= 0) break;
      run.errors.append(buffer, static_cast<size_t>(got));
    }
    close(pipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!late) run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
  }
};

std::u16string stringOf(const ResourceDirectory& directory, uint16_t language, unsigned id) {
  const auto* entry = directory.find(ResourceKey::id(6), ResourceKey::id(id / 16 + 1), language);
  const char16_t* text = nullptr;
  size_t length = 0;
  if (entry == nullptr ||
      !tz::platform::stringInBlock(directory.data(*entry), entry->size, id % 16, text, length))
    return u"<missing>";
  return {text, length};
}

TEST_F(ResourceCompilerTest, StringTablesWithThePreprocessorAndTheStringSyntax) {
  write("ids.h",
        "#pragma once\n#define IDS_BASE 0x100\n#define IDS_TITLE (IDS_BASE + 2) // title\n"
        "#define IDS_NOTE IDS_TITLE + 14\n");
  const std::string script = write(
      "main.rc",
      "#pragma code_page(65001)\n#include <windows.h>\n#include \"ids.h\"\n#include \"ids.h\"\n"
      "#ifdef RC_INVOKED\nLANGUAGE LANG_GERMAN, SUBLANG_GERMAN_SWISS\n#else\n#error no\n#endif\n"
      "#if defined(IDS_BASE) && IDS_BASE > 0xFF\n#define HAS_BASE 1\n#elif 1\n#error no\n#endif\n"
      "/* a comment\n over lines */ STRINGTABLE DISCARDABLE\nBEGIN\n"
      "  IDS_TITLE, \"Grüße \"\"Welt\"\"\\t\\x41\\101\"\n"
      "  IDS_NOTE L\"part one, \" \"part two\"\n"
      "  0 \"\"\nEND\n"
      "STRINGTABLE LANGUAGE 9, 1 { 65535 \"last\" }\n");
  const std::vector<uint8_t> bytes = tz::tzrc::compileScripts({script});
  const ResourceDirectory directory(bytes.data(), bytes.size());
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(4u, directory.entryCount());  // blocks 1, 17 and 18 in 0x0807, 4096 in 0x0409
  EXPECT_EQ(u"Grüße \"Welt\"\tAA", stringOf(directory, 0x0807, 0x102));
  EXPECT_EQ(u"part one, part two", stringOf(directory, 0x0807, 0x110));
  EXPECT_EQ(u"", stringOf(directory, 0x0807, 0));
  EXPECT_EQ(u"", stringOf(directory, 0x0807, 0x103)) << "unset ids in a block are empty";
  EXPECT_EQ(u"last", stringOf(directory, 0x0409, 65535));
  EXPECT_EQ(nullptr, directory.find(ResourceKey::id(6), ResourceKey::id(17), 0x0407));

  // The tool writes the same directory into a note of a C++ source.
  const std::string output = (folder / "out.cpp").string();
  ASSERT_EQ(0, system((std::string(TZRC_PATH) + " -o " + output + " " + script).c_str()));
  const std::string source = tz::test::readFile(output);
  EXPECT_NE(std::string::npos, source.find(".note.tzresource"));
  EXPECT_NE(std::string::npos, source.find(".long " + std::to_string(bytes.size())));
}

// The resource file for the original platform's linkers, field by field: the empty record that
// marks a 32-bit file, then each resource in the directory's order, its header and data padded
// to four bytes.
TEST_F(ResourceCompilerTest, ResourceFileRecordsEachResourceWithItsHeader) {
  const std::string script = write("small.rc",
                                   "LANGUAGE 7, 1\nSTRINGTABLE { 17 \"Hi\" }\n"
                                   "5 RCDATA LANGUAGE 9, 1 { \"abc\" }\n");
  const std::vector<uint8_t> bytes = tz::tzrc::compileScriptsToResFile({script});
  size_t at = 0;
  const auto word = [&](size_t size) {
    uint32_t value = 0;
    EXPECT_LE(at + size, bytes.size()) << "the file ends at " << at;
    if (at + size <= bytes.size()) memcpy(&value, bytes.data() + at, size);
    at += size;
    return value;
  };
  struct Record {
    uint32_t size, type, name, flags, language;
  };
  for (const Record& record : {Record{0, 0, 0, 0, 0}, Record{36, 6, 2, 0x1030, 0x0407},
                               Record{3, 10, 5, 0x0030, 0x0409}}) {
    SCOPED_TRACE("type " + std::to_string(record.type));
    const size_t start = at;
    EXPECT_EQ(record.size, word(4));  // DataSize
    EXPECT_EQ(32u, word(4));          // HeaderSize
    EXPECT_EQ(0xFFFFu, word(2));      // the type is a number
    EXPECT_EQ(record.type, word(2));
    EXPECT_EQ(0xFFFFu, word(2));  // the name is a number
    EXPECT_EQ(record.name, word(2));
    EXPECT_EQ(0u, word(4));  // DataVersion
    EXPECT_EQ(record.flags, word(2));
    EXPECT_EQ(record.language, word(2));
    EXPECT_EQ(0u, word(4));  // Version
    EXPECT_EQ(0u, word(4));  // Characteristics
    EXPECT_EQ(32u, at - start);
    if (record.type == 6) {
      // Block 2 holds ids 16 to 31: an empty string, then "Hi", then 14 empty ones.
      EXPECT_EQ(0u, word(2));
      EXPECT_EQ(2u, word(2));
      EXPECT_EQ(uint32_t{'H'} | uint32_t{'i'} << 16, word(4));
      for (int i = 0; i < 14; ++i) EXPECT_EQ(0u, word(2));
    } else if (record.type == 10) {
      EXPECT_EQ(0x636261u, word(4)) << "the data and a byte of padding";
    }
  }
  EXPECT_EQ(bytes.size(), at);

  // The tool writes the same bytes.
  const std::string output = (folder / "out.res").string();
  ASSERT_EQ(0, system((std::string(TZRC_PATH) + " --res " + output + " " + script).c_str()));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), tz::test::readFile(output));
}

TEST_F(ResourceCompilerTest, MalformedScriptsNameTheFileAndLine) {
  struct Case {
    const char* script;
    const char* message;
  };
  const Case cases[] = {
      {"STRINGTABLE\nBEGIN\n  1 \"open\nEND\n", "bad.rc:3: error: string not closed"},
      {"STRINGTABLE\nBEGIN\n  1 \"a\"\n", "bad.rc:4: error: END of STRINGTABLE expected"},
      {"STRINGTABLE\nBEGIN\n  1 \"a\"\n  1 \"b\"\nEND\n",
       "bad.rc:4: error: string id 1 is defined twice"},
      {"STRINGTABLE\nBEGIN\n  70000 \"a\"\nEND\n", "bad.rc:3: error: string id 70000 is outside"},
      {"STRINGTABLE\nBEGIN\n  IDS_MISSING \"a\"\nEND\n",
       "bad.rc:3: error: unknown name IDS_MISSING"},
      {"STRINGTABLE\nBEGIN\n  1\nEND\n", "bad.rc:4: error: string expected after id 1"},
      {"STRINGTABLE 1\n", "bad.rc:1: error: BEGIN expected after STRINGTABLE"},
      {"\n1368 MENUEX\n", "bad.rc:2: error: resources of type MENUEX are not supported"},
      {"DATA RCDATA BEGIN 1 END\n", "bad.rc:1: error: RCDATA needs a number as its name"},
      {"5 RCDATA BEGIN 1 END\n5 RCDATA { 2 }\n", "bad.rc:2: error: RCDATA 5 is defined twice"},
      {"5 RCDATA BEGIN \"a\", 1\n", "bad.rc:2: error: END of RCDATA expected"},
      {"1 DIALOG 0, 0, 1, 1 {}\n1 DIALOGEX 0, 0, 1, 1 {}\n",
       "bad.rc:2: error: DIALOG 1 is defined twice"},
      {"PAGE DIALOGEX 0, 0, 1, 1 {}\n", "bad.rc:1: error: DIALOGEX needs a number as its name"},
      {"1 DIALOGEX 0, 0, 40000, 1 {}\n", "bad.rc:1: error: a width 40000 does not fit in 16"},
      {"1 DIALOGEX 0, 0, 1, 1\nFONT 8, \"A\", 4\n{}\n", ""},
      {"1 DIALOG 0, 0, 1, 1\nFONT 8, \"A\", 4\n{}\n",
       "bad.rc:2: error: BEGIN expected after DIALOG"},
      {"1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  LISTVIEW 1, 0, 0, 1, 1\n",
       "bad.rc:3: error: control statement or END expected, not 'LISTVIEW'"},
      {"1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  LTEXT 5, 1, 0, 0, 1, 1, NOT\nEND\n",
       "bad.rc:4: error: unknown name END"},
      {"1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  EDITTEXT 1, 0, 0, 1\nEND\n",
       "bad.rc:4: error: ',' expected after the width"},
      {"1 DIALOGEX 0, 0, 1, 1\nBEGIN\n  CONTROL \"\", 1, 70000, 0, 0, 0, 1, 1\n",
       "bad.rc:3: error: a class 70000 is outside 0..65535"},
      {"1 DIALOGEX 0, 0, 1, 1 BEGIN\n", "bad.rc:2: error: END of the dialog expected"},
      {"LANGUAGE 9\n", "bad.rc:2: error: ',' expected between language and sub-language"},
      {"LANGUAGE 0x400, 1\n", "bad.rc:1: error: LANGUAGE 1024, 1 is out of range"},
      {"#if 1\nLANGUAGE 9, 1\n", "bad.rc:1: error: #if without #endif"},
      {"#endif\n", "bad.rc:1: error: #endif without #if"},
      {"#include \"missing.h\"\n", "bad.rc:1: error: cannot open \"missing.h\""},
      {"#pragma code_page(1252)\n", "bad.rc:1: error: code page 1252 is not supported"},
      {"#define F(x) x\n", "bad.rc:1: error: macros with parameters are not supported"},
      {"#define A B\n#define B A\nLANGUAGE A, 1\n", "bad.rc:3: error: unknown name A"},
      {"\n\nLANGUAGE 1 / 0, 1\n", "bad.rc:3: error: division by zero"},
      {"#if 1 % (2 - 2)\n#endif\n", "bad.rc:1: error: division by zero"},
      {"#if (-2147483647 - 1) / -1\n", "bad.rc:1: error: -2147483648 / -1 does not fit in 32"},
      {"#if 0x80000000 % -1\n", "bad.rc:1: error: -2147483648 % -1 does not fit in 32 bits"},
      {"#if \"text\"\n", "bad.rc:1: error: unexpected string in #if"},
      {"LANGUAGE 9, 1\n\xC3\x28\n", "bad.rc:2: error: the file is not UTF-8 text"},
      {"/* open\n\n", "bad.rc:1: error: comment not closed"},
      {"STRINGTABLE\nBEGIN\n  1 \"\\q\"\nEND\n", "bad.rc:3: error: unknown escape \\q"},
      {"#warp\n", "bad.rc:1: error: unknown directive #warp"},
      {"LANGUAGE 9, 1 @\n", "bad.rc:1: error: unexpected character '@'"},
  };
  for (const Case& c : cases) {
    const std::string message = errorOf(c.script);
    if (*c.message == '\0') {
      EXPECT_EQ("", message) << c.script;
    } else {
      EXPECT_NE(std::string::npos, message.find(c.message)) << c.script << " gave: " << message;
    }
  }

  // The tool reports on stderr, exits 1 and leaves no output behind.
  const std::string output = (folder / "out.cpp").string();
  const std::string command = std::string(TZRC_PATH) + " -o " + output + " " +
                              write("bad.rc", "STRINGTABLE\nBEGIN\n  1 \"a\"\n") + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  char line[512] = {};
  ASSERT_NE(nullptr, fgets(line, sizeof line, pipe));
  EXPECT_EQ(1, WEXITSTATUS(pclose(pipe)));
  EXPECT_NE(nullptr, strstr(line, "bad.rc:4: error:")) << line;
  EXPECT_FALSE(fs::exists(output));
}

TEST_F(ResourceCompilerTest, HostileScriptsEndInOneErrorLineWithoutCrashOrHang) {
  std::string deepMacros = "#define E0\n";  // every level doubles the work, and yields nothing
  for (int level = 1; level <= 30; ++level)
    deepMacros += "#define E" + std::to_string(level) + " E" + std::to_string(level - 1) + " E" +
                  std::to_string(level - 1) + "\n";
  std::string longStrings =
      "#define S \"" + std::string(60000, 'x') + "\"\n#define T S S S S S S S S\n";
  longStrings +=
      "#define U T T T T T T T T\n#define V U U U U U U U U\n#define W V V V V V V V V\n";
  longStrings += "#define X W W W W W W W W\n";  // 8^5 strings of 60000 characters
  std::string deepConditions;
  for (int level = 0; level < 300; ++level) deepConditions += "#if 1\n";
  write("big.h", std::string((4u << 20) + 1, '\n'));
  const struct {
    std::string script;
    std::string error;
  } cases[] = {
      {"#if " + std::string(30000, '(') + "1" + std::string(30000, ')') + "\n#endif\n",
       "bad.rc:1: error: expression nests more than 256 deep"},
      {"\n#if " + std::string(60000, '-') + "1\n#endif\n",
       "bad.rc:2: error: expression nests more than 256 deep"},
      {"LANGUAGE " + std::string(30000, '~') + "9, 1\n",
       "bad.rc:1: error: expression nests more than 256 deep"},
      {"#define A A A\n#if A\n#endif\n", "bad.rc:2: error: unexpected 'A' in #if"},
      {"#define A 1+A\nLANGUAGE A, 1\n", "bad.rc:2: error: unknown name A"},
      {deepMacros + "#if E30\n#endif\n",
       "bad.rc:32: error: macros expand to more than 262144 tokens"},
      {longStrings + "STRINGTABLE\nBEGIN\n  1 X\nEND\n",
       "bad.rc:9: error: string longer than 65535 characters"},
      {"#include \"/dev/zero\"\n", "bad.rc:1: error: \"/dev/zero\" is not a regular file"},
      {"\n#include \".\"\n", "bad.rc:2: error: \".\" is not a regular file"},
      {"#include \"big.h\"\n", "bad.rc:1: error: \"big.h\" is larger than 4 MiB"},
      {deepConditions, "bad.rc:257: error: #if nests more than 256 deep"},
      {std::string("LANGUAGE 9, 1 \0\n", 16), "bad.rc:1: error: unexpected character '\\x00'"},
      {"#error one\rtwo\n", "bad.rc:1: error: #error one\\x0Dtwo"},
  };
  for (const auto& c : cases) {
    write("bad.rc", c.script);
    const ToolRun run = runTool("bad.rc");
    EXPECT_EQ(1, run.status) << c.error;
    EXPECT_EQ(c.error + "\n", run.errors);
  }

  // A device as the script itself, and includes that fan out: each file includes the one below
  // it twice, 2^25 files in all.
  ToolRun run = runTool("/dev/zero");
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("/dev/zero:0: error: \"/dev/zero\" is not a regular file\n", run.errors);
  write("f0.rc", "\n");
  for (int level = 1; level <= 25; ++level) {
    const std::string below = "#include \"f" + std::to_string(level - 1) + ".rc\"\n";
    write("f" + std::to_string(level) + ".rc", below + below);
  }
  run = runTool("f25.rc");
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("f3.rc:1: error: more than 1024 files included\n", run.errors);

  // Every language with four blocks: building the directory stays linear in the blocks.
  std::string languages;
  for (int primary = 0; primary < 0x400; ++primary)
    for (int sub = 0; sub < 0x40; ++sub)
      languages += "STRINGTABLE LANGUAGE " + std::to_string(primary) + ", " + std::to_string(sub) +
                   " { 1 \"\" 17 \"\" 33 \"\" 49 \"\" }\n";
  write("languages.rc", languages);
  run = runTool("languages.rc");
  EXPECT_EQ(0, run.status) << run.errors;
  const std::string bytes = tz::test::readFile(folder / "out.bin");
  EXPECT_EQ(0x10000u * 4, ResourceDirectory(bytes.data(), bytes.size()).entryCount());
}

TEST_F(ResourceCompilerTest, ConditionsComputeIn32BitsWithOneAnswerPerValue) {
  EXPECT_TRUE(holds("0xFFFFFFFF == -1 && 0xFFFFFFFF + 0 == -1 && 0xFFFFFFFFu < 0"));
  EXPECT_TRUE(holds("0xFFFFFFFF * 0xFFFFFFFF == 1 && 0x7FFFFFFF + 1 == -2147483647 - 1"));
  EXPECT_TRUE(holds("-(-2147483647 - 1) == -2147483647 - 1 && 0x80000000 / 2 == -0x40000000"));
  EXPECT_TRUE(holds("-8 >> 1 == -4 && 1 << 33 == 2 && -7 / 2 == -3 && -7 % 2 == -1"));
  EXPECT_TRUE(holds("!defined(X) || 10 / X > 2")) << "the side not evaluated does not divide";
  EXPECT_TRUE(holds("A == 1", "#define A 1+A\n")) << "A is not expanded inside itself";
  EXPECT_TRUE(holds("A == 0 && C == 4", "#define A B\n#define B A\n#define D 2\n#define C D+D\n"));
  EXPECT_FALSE(holds("defined A && 0"));
}

TEST(ResourceDirectoryTest, DamagedDirectoriesYieldNothingAndNamesMatchInAnyCase) {
  // Header, one named entry (type "ICONS", name 5, language 0x0409) and its name and data.
  alignas(4) uint8_t bytes[64] = {};
  const tz::platform::ResourceDirectoryHeader header{tz::platform::kResourceMagic, 1};
  const tz::platform::ResourceEntry entry{
      tz::platform::kResourceKeyNamed | 28, 5, 0x0409, 0, 40, 8};
  memcpy(bytes, &header, sizeof header);
  memcpy(bytes + 8, &entry, sizeof entry);
  const char16_t name[] = {5, u'I', u'C', u'O', u'N', u'S'};
  memcpy(bytes + 28, name, sizeof name);
  const ResourceDirectory directory(bytes, 48);
  const auto* found = directory.find(ResourceKey::named(u"icons"), ResourceKey::id(5), 0x0409);
  ASSERT_NE(nullptr, found);
  EXPECT_EQ(bytes + 40, directory.data(*found));
  EXPECT_EQ(nullptr, directory.find(ResourceKey::named(u"icon"), ResourceKey::id(5), 0x0409));
  EXPECT_EQ(nullptr, directory.find(ResourceKey::id(5), ResourceKey::id(5), 0x0409));

  EXPECT_TRUE(ResourceDirectory(bytes, 27).empty()) << "entry table cut short";
  EXPECT_TRUE(ResourceDirectory(bytes + 1, 47).empty());
  // The data runs past the end, and the name too.
  EXPECT_EQ(nullptr, ResourceDirectory(bytes, 44).data(*ResourceDirectory(bytes, 44).findFirst(
                         ResourceKey::named(u"ICONS"), ResourceKey::id(5))));
  EXPECT_EQ(nullptr, ResourceDirectory(bytes, 36).findFirst(ResourceKey::named(u"ICONS"),
                                                            ResourceKey::id(5)));
  // A string block shorter than its counts claim.
  const char16_t block[] = {2, u'a', u'b', 9, u'c'};
  const char16_t* text = nullptr;
  size_t length = 0;
  EXPECT_TRUE(tz::platform::stringInBlock(block, sizeof block, 0, text, length));
  EXPECT_EQ(2u, length);
  EXPECT_FALSE(tz::platform::stringInBlock(block, sizeof block, 1, text, length));
  EXPECT_FALSE(tz::platform::stringInBlock(block, sizeof block, 16, text, length));
}

}  // namespace
