// The crash report of records the test makes up: each section's text, the sections the mask
// picks, the reserve that ends it, and records whose pointers are garbage, which must never
// fault a second time.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "support/platform/module.h"
#include "support/platform/resources.h"
#include "support/platform/this_thread.h"
#include "tests/common/peer_process.h"
#include "tests/common/processor_faults.h"
#include "tz/error_handler.h"

namespace {

std::string hex(uintptr_t value, const char* format = "%08X") {
  char text[16];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
  return text;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  return lines;
}

// The report in a buffer of `size` with guard bytes after it, which must stay untouched.
std::string report(const EXCEPTION_POINTERS* pointers, DWORD mask, LONG size = 4096,
                   const char* thread = "worker") {
  std::string buffer(static_cast<size_t>(size) + 16, '#');
  const LONG length =
      TzErrorHandler_DumpExceptionRecord(buffer.data(), size, thread, pointers, mask);
  EXPECT_EQ(std::string(16, '#'), buffer.substr(static_cast<size_t>(size)));
  if (size == 0) return {};
  EXPECT_LT(length, size);
  EXPECT_EQ(static_cast<size_t>(length), std::strlen(buffer.c_str()));
  return buffer.substr(0, static_cast<size_t>(length));
}

__attribute__((noinline)) void somewhereInTheProgram() {
  asm volatile("");
}

struct MadeUp {
  EXCEPTION_RECORD record{};
  CONTEXT context{};
  EXCEPTION_POINTERS pointers{&record, &context};
};

TEST(ErrorReport, WritesEachSectionAsDocumented) {
  const uint8_t code[16] = {0x0F, 0x0B, 'L', 'o', 'o', 'p', 'r', 'a'};
  uint32_t stack[64] = {};  // on this thread's stack, so the walk goes on up to its end
  const auto inProgram = reinterpret_cast<uintptr_t>(&somewhereInTheProgram);
  const auto base =
      reinterpret_cast<uintptr_t>(tz::platform::imageOf(reinterpret_cast<const void*>(inProgram)));
  ASSERT_NE(0u, base);
  stack[1] = inProgram;
  stack[40] = inProgram + 1;  // past the 16 words listed: the scan's first find
  MadeUp e;
  e.record = {0xC0000005, 0, nullptr, reinterpret_cast<void*>(inProgram), 2, {1, 0x10}};
  CONTEXT& c = e.context;
  c.Eax = 0xA, c.Ebx = 0xB, c.Ecx = 0xC, c.Edx = 0xD, c.Esi = 0x51, c.Edi = 0xD1, c.Ebp = 0xB9;
  c.SegCs = 0x23, c.SegSs = c.SegDs = c.SegEs = 0x2B, c.SegFs = 0, c.SegGs = 0x63;
  c.EFlags = 0x246;
  c.Eip = reinterpret_cast<uintptr_t>(code);
  c.Esp = reinterpret_cast<uintptr_t>(stack);
  const std::string text = report(&e.pointers, 0);
  EXPECT_EQ(text, report(&e.pointers, 0x3F));
  const std::vector<std::string> l = linesOf(text);
  ASSERT_GT(l.size(), 33u) << text;
  const std::string module =
      hex(base) + " + " + hex(inProgram - base, "%X") + " (" TZ_PROGRAM_NAME ")";
  EXPECT_EQ("Exception 0xC0000005 (access violation) WRITE:0x00000010 IP:0x" + hex(inProgram),
            l[0]);
  EXPECT_EQ(
      "In Module '" TZ_PROGRAM_NAME "' at Address 0x" + hex(base) + " + 0x" + hex(inProgram - base),
      l[1]);
  const std::string thread =
      "Thread: worker ID=0x" + hex(tz::platform::currentThreadIdUncached(), "%X") + " Stack=0x";
  ASSERT_EQ(thread, l[2].substr(0, thread.size()));
  uintptr_t low = 0, high = 0;
  ASSERT_EQ(2, std::sscanf(l[2].c_str() + thread.size(), "%x-0x%x", &low, &high)) << l[2];
  EXPECT_TRUE(low < c.Esp && c.Esp < high);
  EXPECT_EQ("Registers:", l[3]);
  EXPECT_EQ(" EAX=0000000a CS=0023 EIP=" + hex(c.Eip, "%08x") + " EFLGS=00000246", l[4]);
  EXPECT_EQ(" EBX=0000000b SS=002b ESP=" + hex(c.Esp, "%08x") + " EBP=000000b9", l[5]);
  EXPECT_EQ(" ECX=0000000c DS=002b ESI=00000051 FS=0000", l[6]);
  EXPECT_EQ(" EDX=0000000d ES=002b EDI=000000d1 GS=0063", l[7]);
  EXPECT_EQ("Bytes at CS:EIP:", l[8]);
  char dump[256];
  TzErrorHandler_DumpHex(dump, sizeof dump, code, 16);
  EXPECT_EQ(dump, l[9] + "\r\n" + l[10] + "\r\n");
  EXPECT_EQ("Stack Dump:", l[11]);
  EXPECT_EQ(" " + hex(c.Esp) + ": 00000000 ", l[12]);
  EXPECT_EQ(" " + hex(c.Esp + 4) + ": " + hex(inProgram) + " " + module, l[13]);
  EXPECT_EQ(" " + hex(c.Esp + 60) + ": 00000000 ", l[27]);
  EXPECT_EQ(">" + hex(c.Esp + 160) + ": " + hex(inProgram + 1) + " " + hex(base) + " + " +
                hex(inProgram + 1 - base, "%X") + " (" TZ_PROGRAM_NAME ")",
            l[28]);
  EXPECT_EQ(" " + hex(c.Esp + 164) + ": 00000000 ", l[29]);
  EXPECT_EQ(" " + hex(c.Esp + 168) + ": 00000000 ", l[30]);
  // At most six finds in all, then the end of the stack.
  size_t finds = 0, end = 31;
  for (; end < l.size() && l[end] != "- - -"; ++end) finds += l[end][0] == '>';
  EXPECT_LE(finds, 5u) << text;
  ASSERT_EQ(end + 2, l.size()) << text;
  EXPECT_EQ(" " + hex(high - 16) + ": ", l[end + 1].substr(0, 11));
}

TEST(ErrorReport, TheMaskPicksSectionsAndTheReserveEndsTheReport) {
  static uint32_t words[16] = {0, reinterpret_cast<uintptr_t>(&somewhereInTheProgram)};
  MadeUp e;
  e.record.ExceptionCode = 0xE0001234;
  e.record.ExceptionAddress = reinterpret_cast<void*>(&somewhereInTheProgram);
  e.context.Eip = e.context.Esp = reinterpret_cast<uintptr_t>(words);
  EXPECT_EQ("Exception 0xE0001234 (Unknown Type) IP:0x" +
                hex(reinterpret_cast<uintptr_t>(&somewhereInTheProgram)) + "\r\n",
            report(&e.pointers, 0x01));
  const std::vector<std::string> picked = linesOf(report(&e.pointers, 0x22));
  ASSERT_EQ(2u, picked.size());
  const std::string inModule = "In Module '" TZ_PROGRAM_NAME "'";
  EXPECT_EQ(inModule, picked[0].substr(0, inModule.size()));
  EXPECT_EQ("Thread: worker", picked[1].substr(0, 14));
  // Off the stack, the words are listed without a scan; a smaller buffer gives a prefix.
  const std::string full = report(&e.pointers, 0);
  for (LONG size = 0; size <= static_cast<LONG>(full.size()) + 60; ++size) {
    const std::string part = report(&e.pointers, 0, size);
    ASSERT_EQ(full.substr(0, part.size()), part) << size;
    if (part.size() < full.size()) {
      EXPECT_TRUE(size - static_cast<LONG>(part.size()) < 50 ||
                  static_cast<LONG>(part.size()) == size - 1)
          << size;
    }
  }
}

TEST(ErrorReport, GarbageRecordsNeverFaultAgain) {
  const uintptr_t page = tz::test::protectedPage();
  const char* unreadable = reinterpret_cast<const char*>(page);
  for (uintptr_t garbage : {uintptr_t{0}, uintptr_t{0xFFFFFFF0}, page}) {
    MadeUp e;
    e.record.NumberParameters = 0xFFFFFFFF;
    e.context.Eip = e.context.Esp = e.context.Ebp = garbage;
    const std::string text = report(&e.pointers, 0, 4096, unreadable);
    EXPECT_NE(std::string::npos, text.find(" " + hex(garbage + 4) + ": ........ \r\n")) << text;
    EXPECT_NE(std::string::npos, text.find("Thread:  ID=")) << text;
    for (LONG size : {0, 1, 49, 50, 51, 333}) report(&e.pointers, 0, size);
    const EXCEPTION_POINTERS halves[] = {
        {nullptr, &e.context},
        {&e.record, nullptr},
        {reinterpret_cast<EXCEPTION_RECORD*>(garbage), reinterpret_cast<CONTEXT*>(garbage)}};
    for (const EXCEPTION_POINTERS& half : halves) report(&half, 0);
  }
  EXPECT_EQ("Thread:", report(nullptr, 0).substr(0, 7));
  EXPECT_EQ(0, TzErrorHandler_DumpExceptionRecord(nullptr, 100, nullptr, nullptr, 0));
  const auto* garbagePointers = reinterpret_cast<const EXCEPTION_POINTERS*>(page);
  EXPECT_EQ(1u, linesOf(report(garbagePointers, 0)).size());
}

// The outside report module, planted in a child so that no other report here calls it.
TEST(ErrorReportPeer, CallsTheOutsideReportModuleFirst) {
  TZ_PEER_ONLY();
  tz::platform::Module module;
  ASSERT_EQ(tz::platform::PlatformError::Success, module.loadFromPath(TZ_ERROR_REPORT_MODULE))
      << tz::platform::lastLoadMessage();
  using Calls = int (*)(const EXCEPTION_POINTERS**);
  const auto calls = reinterpret_cast<Calls>(module.symbol("ErrorReport_Calls"));
  ASSERT_NE(nullptr, calls);
  MadeUp e;
  char buffer[256];
  TzErrorHandler_DumpExceptionRecord(buffer, sizeof buffer, "t", &e.pointers, 0x01);
  const EXCEPTION_POINTERS* last = nullptr;
  EXPECT_EQ(1, calls(&last));
  EXPECT_EQ(&e.pointers, last);
  // Called even when there is no room for the report.
  TzErrorHandler_DumpExceptionRecord(nullptr, 0, nullptr, &e.pointers, 0);
  EXPECT_EQ(2, calls(&last));
}

TEST(ErrorReport, CallsTheOutsideReportModuleFirst) {
  std::string output;
  EXPECT_TRUE(tz::test::peerPasses("ErrorReportPeer.CallsTheOutsideReportModuleFirst", {}, output))
      << output;
}

}  // namespace
