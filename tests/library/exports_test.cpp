// The library's dynamic symbol table must hold exactly the documented exports: every one of
// them, as a defined global function, and nothing else of ours.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<char> readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct DynamicSymbols {
  std::set<std::string> functions;  // defined, global or weak, of function type
  std::set<std::string> others;     // defined, global or weak, of any other type
};

DynamicSymbols readDynamicSymbols(const std::vector<char>& image) {
  DynamicSymbols result;
  if (image.size() < sizeof(Elf32_Ehdr)) return result;
  Elf32_Ehdr header;
  memcpy(&header, image.data(), sizeof header);
  for (int i = 0; i < header.e_shnum; ++i) {
    Elf32_Shdr section;
    size_t at = header.e_shoff + static_cast<size_t>(i) * header.e_shentsize;
    if (at + sizeof section > image.size()) break;
    memcpy(&section, image.data() + at, sizeof section);
    if (section.sh_type != SHT_DYNSYM) continue;
    Elf32_Shdr strings;
    memcpy(&strings, image.data() + header.e_shoff + section.sh_link * header.e_shentsize,
           sizeof strings);
    for (size_t k = 0; k < section.sh_size / sizeof(Elf32_Sym); ++k) {
      Elf32_Sym sym;
      memcpy(&sym, image.data() + section.sh_offset + k * sizeof sym, sizeof sym);
      if (sym.st_shndx == SHN_UNDEF || sym.st_name == 0) continue;
      const int bind = ELF32_ST_BIND(sym.st_info);
      if (bind != STB_GLOBAL && bind != STB_WEAK) continue;
      std::string name(image.data() + strings.sh_offset + sym.st_name);
      (ELF32_ST_TYPE(sym.st_info) == STT_FUNC ? result.functions : result.others).insert(name);
    }
  }
  return result;
}

std::set<std::string> readExportList() {
  std::set<std::string> names;
  std::ifstream in(TZ_EXPORTS_LIST);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    names.insert(line.substr(0, line.find_first_of(" \t")));
  }
  return names;
}

TEST(Exports, LibraryIsA32BitX86SharedObject) {
  const std::vector<char> image = readFile(TZ_LIBRARY_PATH);
  ASSERT_GE(image.size(), sizeof(Elf32_Ehdr));
  Elf32_Ehdr header;
  memcpy(&header, image.data(), sizeof header);
  EXPECT_EQ(0, memcmp(header.e_ident, ELFMAG, SELFMAG));
  EXPECT_EQ(ELFCLASS32, header.e_ident[EI_CLASS]);
  EXPECT_EQ(ELFDATA2LSB, header.e_ident[EI_DATA]);
  EXPECT_EQ(EM_386, header.e_machine);
  EXPECT_EQ(ET_DYN, header.e_type);
}

TEST(Exports, DynamicSymbolTableMatchesTheExportList) {
  const DynamicSymbols symbols = readDynamicSymbols(readFile(TZ_LIBRARY_PATH));
  const std::set<std::string> expected = readExportList();
  ASSERT_FALSE(expected.empty());
  for (const std::string& name : expected)
    EXPECT_TRUE(symbols.functions.count(name)) << "missing export: " << name;
  for (const std::string& name : symbols.functions)
    EXPECT_TRUE(expected.count(name)) << "unexpected export: " << name;
  for (const std::string& name : symbols.others)
    ADD_FAILURE() << "unexpected exported object: " << name;
}

}  // namespace
