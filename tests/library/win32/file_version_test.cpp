// The modules' file versions as the system's version functions read them: the library 7.0.0.1,
// the engine stand-in its own 1.0.0.1.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "program_folder.h"

namespace {

// "a.b.c.d" from the fixed part of the file's version record, or why there is none.
std::string fileVersion(const std::wstring& file) {
  const std::wstring path = tz::test::programFolder() + file;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return "no version record, error " + std::to_string(GetLastError());
  std::vector<BYTE> record(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, record.data())) return "unreadable record";
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof *fixed || fixed->dwSignature != 0xFEEF04BD)
    return "no fixed part";
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionLS));
}

TEST(FileVersion, ModulesCarryTheirVersionRecords) {
  EXPECT_EQ("7.0.0.1", fileVersion(L"LoopraReWire.dll"));
  EXPECT_EQ("1.0.0.1", fileVersion(L"ReWire.dll"));
}

}  // namespace
