// Hex dumps: line layout, unreadable memory and the reserve that keeps a line from being cut.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tz/error_handler.h"

namespace {

std::string address(const void* at) {
  char text[16];
  std::snprintf(text, sizeof text,
                " %08X: ", static_cast<unsigned>(reinterpret_cast<uintptr_t>(at)));
  return text;
}

TEST(ErrorDumpTest, BytesGoEightALineWithTheirCharacters) {
  const unsigned char bytes[10] = {'L', 'o', 'o', 'p', 0, 0x7F, 0xFF, ' ', '~', '\n'};
  char buffer[256];
  const std::string expected = address(bytes) + "4C 6F 6F 70 00 7F FF 20 Loop... \r\n" +
                               address(bytes + 8) + "7E 0A " + std::string(18, ' ') + "~.\r\n";
  EXPECT_EQ(static_cast<LONG>(expected.size()), TzErrorHandler_DumpHex(buffer, 256, bytes, 10));
  EXPECT_EQ(expected, buffer);
}

TEST(ErrorDumpTest, UnreadableMemoryShowsDots) {
  char buffer[256];
  TzErrorHandler_DumpHex(buffer, 256, nullptr, 3);
  EXPECT_EQ(" 00000000: .. .. .. " + std::string(15, ' ') + "...\r\n", std::string(buffer));
  const uint32_t words[5] = {0x12345678, 0, 0xFFFFFFFF, 0xABCDEF01, 7};
  TzErrorHandler_DumpHexDWords(buffer, 256, words, 5);
  EXPECT_EQ(address(words) + "12345678 00000000 FFFFFFFF ABCDEF01 \r\n" + address(words + 4) +
                "00000007 \r\n",
            std::string(buffer));
  TzErrorHandler_DumpHexDWords(buffer, 256, nullptr, 2);
  EXPECT_EQ(" 00000000: ........ ........ \r\n", std::string(buffer));
}

// A line starts only while 50 characters remain, and nothing is ever written past the size.
TEST(ErrorDumpTest, TheReserveStopsTheDumpBeforeALine) {
  const char bytes[16] = "abcdefghijklmno";
  char buffer[128];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(0, TzErrorHandler_DumpHex(buffer, 49, bytes, 16));
  EXPECT_EQ('\0', buffer[0]);
  EXPECT_EQ(45, TzErrorHandler_DumpHex(buffer, 94, bytes, 16));
  EXPECT_EQ(90, TzErrorHandler_DumpHex(buffer, 95, bytes, 16));
  EXPECT_EQ('#', buffer[95]);
  EXPECT_EQ(0, TzErrorHandler_DumpHex(nullptr, 128, bytes, 16));
  EXPECT_EQ(0, TzErrorHandler_DumpHex(buffer, 128, bytes, -1));
  EXPECT_EQ(0, TzErrorHandler_DumpHexDWords(buffer, 0, bytes, 4));
}

}  // namespace
