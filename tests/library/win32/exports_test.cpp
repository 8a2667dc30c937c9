// The library's export directory, read from the file by a small PE reader with every offset
// checked, must name exactly the exports of exports.txt under their Windows names
// (exports_windows.txt): plain names without stdcall decoration, MSVC names for the typed
// overloads and the classes' members.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "program_folder.h"
#include "tests/common/scratch_folder.h"

namespace {

// A PE image as file bytes; every read is checked against the file's size.
class PeFile {
 public:
  explicit PeFile(std::string bytes) : bytes_(std::move(bytes)) {}

  template <typename T>
  bool read(size_t offset, T& value) const {
    if (offset > bytes_.size() || bytes_.size() - offset < sizeof value) return false;
    memcpy(&value, bytes_.data() + offset, sizeof value);
    return true;
  }
  // The zero-terminated text at offset, or false when it runs past the file.
  bool text(size_t offset, std::string& value) const {
    if (offset >= bytes_.size()) return false;
    const size_t end = bytes_.find('\0', offset);
    if (end == std::string::npos) return false;
    value.assign(bytes_, offset, end - offset);
    return true;
  }
  // The file offset of an address relative to the image, through the section that holds it.
  bool offsetOf(DWORD rva, size_t& offset) const {
    for (const IMAGE_SECTION_HEADER& section : sections_) {
      const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
      if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size &&
          rva - section.VirtualAddress < section.SizeOfRawData) {
        offset = size_t{section.PointerToRawData} + (rva - section.VirtualAddress);
        return true;
      }
    }
    return false;
  }

  // Reads the headers; the export directory's place in export.
  ::testing::AssertionResult open(IMAGE_DATA_DIRECTORY& exports) {
    IMAGE_DOS_HEADER dos;
    if (!read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0)
      return ::testing::AssertionFailure() << "no DOS header";
    IMAGE_NT_HEADERS32 nt;
    if (!read(static_cast<size_t>(dos.e_lfanew), nt) || nt.Signature != IMAGE_NT_SIGNATURE)
      return ::testing::AssertionFailure() << "no PE header";
    if (nt.FileHeader.Machine != IMAGE_FILE_MACHINE_I386 ||
        (nt.FileHeader.Characteristics & IMAGE_FILE_DLL) == 0 ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
      return ::testing::AssertionFailure() << "not a 32-bit x86 DLL";
    if (nt.OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_EXPORT)
      return ::testing::AssertionFailure() << "no export directory entry";
    exports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const size_t table = static_cast<size_t>(dos.e_lfanew) +
                         offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                         nt.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
      IMAGE_SECTION_HEADER section;
      if (!read(table + i * sizeof section, section))
        return ::testing::AssertionFailure() << "section table past the file";
      sections_.push_back(section);
    }
    return ::testing::AssertionSuccess();
  }

 private:
  std::string bytes_;
  std::vector<IMAGE_SECTION_HEADER> sections_;
};

// The Windows names the lists give: exports.txt's names, each replaced by its entry in
// exports_windows.txt when it has one, "-" (left out) dropped.
std::set<std::string> listedNames() {
  const std::wstring folder = tz::test::programFolder();
  std::map<std::string, std::string> windows;
  std::ifstream names(std::filesystem::path(folder + L"exports_windows.txt"));
  for (std::string line; std::getline(names, line);) {
    std::istringstream words(line);
    std::string name, windowsName;
    if (line.empty() || line[0] == '#' || !(words >> name >> windowsName)) continue;
    windows[name] = windowsName;
  }
  std::set<std::string> listed;
  std::ifstream list(std::filesystem::path(folder + L"exports.txt"));
  for (std::string line; std::getline(list, line);) {
    std::istringstream words(line);
    std::string name;
    if (line.empty() || line[0] == '#' || !(words >> name)) continue;
    const auto found = windows.find(name);
    const std::string windowsName = found == windows.end() ? name : found->second;
    if (windowsName != "-") listed.insert(windowsName);
  }
  return listed;
}

TEST(WindowsExports, LibraryExportsExactlyTheListUnderItsWindowsNames) {
  PeFile file(tz::test::readFile(tz::test::programFolder() + L"LoopraReWire.dll"));
  IMAGE_DATA_DIRECTORY place{};
  ASSERT_TRUE(file.open(place));
  size_t at = 0;
  IMAGE_EXPORT_DIRECTORY directory;
  ASSERT_TRUE(place.Size >= sizeof directory && file.offsetOf(place.VirtualAddress, at) &&
              file.read(at, directory))
      << "no export directory";
  std::string dllName;
  ASSERT_TRUE(file.offsetOf(directory.Name, at) && file.text(at, dllName));
  EXPECT_EQ("LoopraReWire.dll", dllName);

  std::set<std::string> exported;
  size_t names = 0, ordinals = 0;
  ASSERT_TRUE(file.offsetOf(directory.AddressOfNames, names) &&
              file.offsetOf(directory.AddressOfNameOrdinals, ordinals));
  for (DWORD i = 0; i < directory.NumberOfNames; ++i) {
    DWORD nameAddress = 0;
    WORD ordinal = 0;
    std::string name;
    ASSERT_TRUE(file.read(names + 4 * size_t{i}, nameAddress) &&
                file.read(ordinals + 2 * size_t{i}, ordinal) && file.offsetOf(nameAddress, at) &&
                file.text(at, name))
        << "name " << i << " lies outside the file";
    EXPECT_LT(ordinal, directory.NumberOfFunctions) << name;
    EXPECT_TRUE(exported.insert(name).second) << "exported twice: " << name;
  }

  const std::set<std::string> listed = listedNames();
  ASSERT_GT(listed.size(), 250u);
  for (const std::string& name : listed) EXPECT_EQ(1u, exported.count(name)) << "missing: " << name;
  for (const std::string& name : exported)
    EXPECT_EQ(1u, listed.count(name)) << "unexpected: " << name;
}

}  // namespace
