// The resource compiler on scripts written to a temporary folder, and the directory reader on
// what it builds and on damaged directories.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/platform/resource_directory.h"
#include "support/platform/tzrc/resource_compiler.h"
#include "support/platform/tzrc/script_reader.h"
#include "tests/support/platform/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using tz::platform::ResourceDirectory;
using tz::platform::ResourceKey;

struct ResourceCompilerTest : ::testing::Test {
  tz::test::TempFolder temp;
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
};

std::u16string stringOf(const ResourceDirectory& directory, uint16_t language, unsigned id) {
  const auto* entry = directory.find(ResourceKey::id(6), ResourceKey::id(id / 16 + 1), language);
  const char16_t* text = nullptr;
  size_t length = 0;
  if (entry == nullptr || !tz::platform::stringInBlock(directory.data(*entry), entry->size,
                                                       id % 16, text, length))
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

TEST_F(ResourceCompilerTest, MalformedScriptsNameTheFileAndLine) {
  struct Case {
    const char* script;
    const char* message;
  };
  const Case cases[] = {
      {"STRINGTABLE\nBEGIN\n  1 \"open\nEND\n", "bad.rc:3: error: string not closed"},
      {"STRINGTABLE\nBEGIN\n  1 \"a\"\n", "bad.rc:4: error: END of STRINGTABLE expected"},
      {"STRINGTABLE\nBEGIN\n  1 \"a\"\n  1 \"b\"\nEND\n", "bad.rc:4: error: string id 1 is defined twice"},
      {"STRINGTABLE\nBEGIN\n  70000 \"a\"\nEND\n", "bad.rc:3: error: string id 70000 is outside"},
      {"STRINGTABLE\nBEGIN\n  IDS_MISSING \"a\"\nEND\n", "bad.rc:3: error: unknown name IDS_MISSING"},
      {"STRINGTABLE\nBEGIN\n  1\nEND\n", "bad.rc:4: error: string expected after id 1"},
      {"STRINGTABLE 1\n", "bad.rc:1: error: BEGIN expected after STRINGTABLE"},
      {"\n1368 DIALOGEX 0, 0, 10, 10\n", "bad.rc:2: error: resources of type DIALOGEX are not supported"},
      {"LANGUAGE 9\n", "bad.rc:2: error: ',' expected between language and sub-language"},
      {"LANGUAGE 0x400, 1\n", "bad.rc:1: error: LANGUAGE 1024, 1 is out of range"},
      {"#if 1\nLANGUAGE 9, 1\n", "bad.rc:1: error: #if without #endif"},
      {"#endif\n", "bad.rc:1: error: #endif without #if"},
      {"#include \"missing.h\"\n", "bad.rc:1: error: cannot open \"missing.h\""},
      {"#pragma code_page(1252)\n", "bad.rc:1: error: code page 1252 is not supported"},
      {"#define F(x) x\n", "bad.rc:1: error: macros with parameters are not supported"},
      {"#define A B\n#define B A\nLANGUAGE A, 1\n", "bad.rc:3: error: macro"},
      {"\n\nLANGUAGE 1 / 0, 1\n", "bad.rc:3: error: division by zero"},
      {"LANGUAGE 9, 1\n\xC3\x28\n", "bad.rc:2: error: the file is not UTF-8 text"},
      {"/* open\n\n", "bad.rc:1: error: comment not closed"},
      {"STRINGTABLE\nBEGIN\n  1 \"\\q\"\nEND\n", "bad.rc:3: error: unknown escape \\q"},
      {"#warp\n", "bad.rc:1: error: unknown directive #warp"},
      {"LANGUAGE 9, 1 @\n", "bad.rc:1: error: unexpected character '@'"},
  };
  for (const Case& c : cases) {
    const std::string message = errorOf(c.script);
    EXPECT_NE(std::string::npos, message.find(c.message)) << c.script << " gave: " << message;
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

TEST(ResourceDirectoryTest, DamagedDirectoriesYieldNothingAndNamesMatchInAnyCase) {
  // Header, one named entry (type "ICONS", name 5, language 0x0409) and its name and data.
  alignas(4) uint8_t bytes[64] = {};
  const tz::platform::ResourceDirectoryHeader header{tz::platform::kResourceMagic, 1};
  const tz::platform::ResourceEntry entry{tz::platform::kResourceKeyNamed | 28, 5, 0x0409, 0, 40, 8};
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
