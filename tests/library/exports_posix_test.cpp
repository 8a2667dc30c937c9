// The library must be a 32-bit x86 shared object whose dynamic symbol table holds exactly the
// documented exports: every one of them, as a defined global function or, where the list says
// "object", as data, and nothing else of ours.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/common/scratch_folder.h"

namespace {

// The record at `offset` of the image; zeros where the image ends first.
template <typename T>
T at(const std::string& image, size_t offset) {
  T value{};
  if (offset + sizeof value <= image.size()) memcpy(&value, image.data() + offset, sizeof value);
  return value;
}

TEST(Exports, LibraryIsA32BitX86SharedObjectExportingExactlyTheList) {
  const std::string image = tz::test::readFile(TZ_LIBRARY_PATH);
  const auto header = at<Elf32_Ehdr>(image, 0);
  ASSERT_EQ(0, memcmp(header.e_ident, ELFMAG, SELFMAG));
  EXPECT_EQ(ELFCLASS32, header.e_ident[EI_CLASS]);
  EXPECT_EQ(ELFDATA2LSB, header.e_ident[EI_DATA]);
  EXPECT_EQ(EM_386, header.e_machine);
  EXPECT_EQ(ET_DYN, header.e_type);

  std::set<std::string> functions, objects;  // defined, global or weak
  for (size_t i = 0; i < header.e_shnum; ++i) {
    const auto section = at<Elf32_Shdr>(image, header.e_shoff + i * header.e_shentsize);
    if (section.sh_type != SHT_DYNSYM) continue;
    const auto names = at<Elf32_Shdr>(image, header.e_shoff + section.sh_link * header.e_shentsize);
    for (size_t k = 0; k < section.sh_size / sizeof(Elf32_Sym); ++k) {
      const auto sym = at<Elf32_Sym>(image, section.sh_offset + k * sizeof(Elf32_Sym));
      const int bind = ELF32_ST_BIND(sym.st_info);
      if (sym.st_shndx == SHN_UNDEF || sym.st_name == 0 || (bind != STB_GLOBAL && bind != STB_WEAK))
        continue;
      const std::string name = image.c_str() + names.sh_offset + sym.st_name;
      (ELF32_ST_TYPE(sym.st_info) == STT_FUNC ? functions : objects).insert(name);
    }
  }
  std::ifstream list(TZ_EXPORTS_LIST);
  size_t listed = 0;
  for (std::string line; std::getline(list, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string name, kind;
    words >> name >> kind;
    EXPECT_EQ(1u, (kind == "object" ? objects : functions).erase(name))
        << "missing export: " << line;
    ++listed;
  }
  EXPECT_GT(listed, 0u);
  EXPECT_EQ(std::set<std::string>{}, functions) << "unexpected exports";
  EXPECT_EQ(std::set<std::string>{}, objects) << "unexpected exported objects";
}

}  // namespace
