// The records of a 32-bit PE image that the image reader follows, laid out as the file and the
// loaded image hold them (little-endian, packed as the format defines), so that the reader
// needs no system header and runs, and is fuzzed, on any system.
#pragma once

#include <cstdint>

namespace tz::platform::pe {

constexpr uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kOptionalHeader32Magic = 0x10B;
constexpr uint32_t kExportDirectory = 0;
constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kDirectoryCount = 16;

struct DosHeader {
  uint16_t magic;
  uint16_t unused[29];
  int32_t newHeaderOffset;  // e_lfanew
};
static_assert(sizeof(DosHeader) == 64);

struct FileHeader {
  uint16_t machine;
  uint16_t numberOfSections;
  uint32_t timeDateStamp;
  uint32_t pointerToSymbolTable;
  uint32_t numberOfSymbols;
  uint16_t sizeOfOptionalHeader;
  uint16_t characteristics;
};
static_assert(sizeof(FileHeader) == 20);

struct DataDirectory {
  uint32_t virtualAddress;
  uint32_t size;
};

struct OptionalHeader32 {
  uint16_t magic;
  uint8_t linkerVersion[2];
  uint32_t sizes[3];  // code, initialised data, uninitialised data
  uint32_t entryPoint;
  uint32_t baseOfCode;
  uint32_t baseOfData;
  uint32_t imageBase;
  uint32_t sectionAlignment;
  uint32_t fileAlignment;
  uint16_t versions[6];  // operating system, image, subsystem: major and minor each
  uint32_t win32VersionValue;
  uint32_t sizeOfImage;
  uint32_t sizeOfHeaders;
  uint32_t checkSum;
  uint16_t subsystem;
  uint16_t dllCharacteristics;
  uint32_t stackAndHeapSizes[4];
  uint32_t loaderFlags;
  uint32_t numberOfRvaAndSizes;
  DataDirectory dataDirectory[kDirectoryCount];
};
static_assert(sizeof(OptionalHeader32) == 224);

struct NtHeaders32 {
  uint32_t signature;
  FileHeader fileHeader;
  OptionalHeader32 optionalHeader;
};
static_assert(sizeof(NtHeaders32) == 248);

struct ResourceDirectory {
  uint32_t characteristics;
  uint32_t timeDateStamp;
  uint16_t majorVersion;
  uint16_t minorVersion;
  uint16_t numberOfNamedEntries;
  uint16_t numberOfIdEntries;
};
static_assert(sizeof(ResourceDirectory) == 16);

struct ResourceDirectoryEntry {
  uint32_t name;          // an id, or a name's offset with the top bit set
  uint32_t offsetToData;  // a data entry, or a subdirectory with the top bit set
};

struct ResourceDataEntry {
  uint32_t offsetToData;  // an image offset
  uint32_t size;
  uint32_t codePage;
  uint32_t reserved;
};
static_assert(sizeof(ResourceDataEntry) == 16);

// VS_FIXEDFILEINFO
struct FixedFileInfo {
  uint32_t signature;
  uint32_t structVersion;
  uint32_t fileVersionMS;
  uint32_t fileVersionLS;
  uint32_t rest[9];
};
static_assert(sizeof(FixedFileInfo) == 52);

}  // namespace tz::platform::pe
