// The exception filter on real faults, each in a child process (this program re-run as a peer)
// that runs the fault guarded with the filter: the message box with the crash report as its
// details, the work ended, the box still shown when the faulting code holds the details block,
// and faults left alone (misalignment, a debugger attached).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/lang/lang_context.h"
#include "support/platform/crash_guard.h"
#include "support/platform/message_box.h"
#include "support/platform/resources.h"
#include "tests/common/peer_process.h"
#include "tests/common/processor_faults.h"
#include "traced_peer.h"
#include "tz/error_handler.h"

namespace {

using tz::platform::GuardedRun;

constexpr char16_t kComposed[] =
    u"An error occurred during the current operation.\n\nAn Exception has occurred.";

// Filled inside the signal handler, so in place rather than allocated.
struct Box {
  bool shown = false;
  UINT style = 0;
  char16_t text[2048] = {};
  char16_t details[8192] = {};
} box;

int captureBox(const tz::platform::MessageBox& shown, void*) {
  box.shown = true;
  box.style = shown.style;
  for (size_t i = 0; i + 1 < std::size(box.text) && shown.text[i] != u'\0'; ++i)
    box.text[i] = shown.text[i];
  for (size_t i = 0;
       shown.details != nullptr && i + 1 < std::size(box.details) && shown.details[i] != u'\0'; ++i)
    box.details[i] = shown.details[i];
  return 1;
}

void prepareBox() {
  const void* image = tz::platform::imageOf(reinterpret_cast<const void*>(&prepareBox));
  ASSERT_EQ(S_OK, tz::lang::openModuleLanguage(static_cast<HINSTANCE>(const_cast<void*>(image))));
  tz::platform::setMessageBoxCapture(captureBox, nullptr);
}

std::vector<std::string> detailLines() {
  std::string text;
  for (const char16_t* c = box.details; *c != u'\0'; ++c) text += static_cast<char>(*c);
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  return lines;
}

std::string hex(uint32_t value, const char* format) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

GuardedRun runFiltered(void (*work)(void*), void* context) {
  GuardedRun run;
  std::thread([&] {
    run = tz::platform::runGuarded(work, context, TzErrorHandler_ExceptionFilter, "crash-test");
  }).join();
  return run;
}

TEST(ErrorFilterPeer, ReportsTheFaultInAMessageBox) {
  TZ_PEER_ONLY();
  const tz::test::FaultCase* c = tz::test::faultCase(getenv("TZ_FAULT"));
  ASSERT_NE(nullptr, c);
  prepareBox();
  auto fault = c->fault;
  const GuardedRun run =
      runFiltered([](void* f) { tz::test::raiseFault(*static_cast<tz::test::Fault*>(f)); }, &fault);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(c->code, run.exceptionCode);
  ASSERT_TRUE(box.shown);
  EXPECT_EQ(0xC030u, box.style);
  EXPECT_EQ(std::u16string(kComposed), box.text);
  const std::vector<std::string> l = detailLines();
  ASSERT_GT(l.size(), 30u);
  EXPECT_EQ(TZ_PROGRAM_NAME, l[0]);
  const std::string exception = "Exception 0x" + hex(c->code, "%X") + " (";
  EXPECT_EQ(exception, l[1].substr(0, exception.size()));
  using enum tz::test::Fault;
  if (c->fault == Read || c->fault == Write || c->fault == CallNull) {
    const uint32_t address = c->fault == CallNull ? 0 : tz::test::protectedPage();
    const char* access = c->fault == Write ? " WRITE:0x" : " READ:0x";
    EXPECT_NE(std::string::npos, l[1].find(access + hex(address, "%08X"))) << l[1];
  }
  // An instruction pointer outside every module has no module line.
  const size_t thread = c->fault == CallNull ? 2 : 3;
  if (thread == 3) {
    const std::string inModule = "In Module '" TZ_PROGRAM_NAME "'";
    EXPECT_EQ(inModule, l[2].substr(0, inModule.size()));
  }
  EXPECT_EQ("Thread: crash-test ID=0x", l[thread].substr(0, 24));
  EXPECT_EQ("Registers:", l[thread + 1]);
  const auto code = std::find(l.begin(), l.end(), "Bytes at CS:EIP:");
  ASSERT_NE(l.end(), code);
  if (c->bytes != nullptr) {
    EXPECT_EQ(c->bytes, code[1].substr(11, std::strlen(c->bytes)));
  }
  EXPECT_NE(l.end(), std::find(l.begin(), l.end(), "Stack Dump:"));
  EXPECT_NE(l.end(), std::find(l.begin(), l.end(), "- - -"));
  EXPECT_TRUE(std::any_of(l.begin(), l.end(), [](const std::string& s) { return s[0] == '>'; }));
}

class ErrorFilter : public testing::TestWithParam<tz::test::FaultCase> {};

TEST_P(ErrorFilter, ReportsTheFaultInAMessageBoxAndEndsTheWork) {
  std::string output;
  EXPECT_TRUE(tz::test::peerPasses("ErrorFilterPeer.ReportsTheFaultInAMessageBox",
                                   {std::string("TZ_FAULT=") + GetParam().name}, output))
      << output;
}

INSTANTIATE_TEST_SUITE_P(Faults, ErrorFilter, testing::ValuesIn(tz::test::kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The fault happens inside the details block's lock, which the work then holds for good.
TEST(ErrorFilterPeer, ShowsTheBoxWhenTheFaultingCodeHoldsTheDetails) {
  TZ_PEER_ONLY();
  prepareBox();
  const GuardedRun run = runFiltered(
      [](void*) {
        TzErrorHandler_DetailsAddString(E_FAIL,
                                        reinterpret_cast<const WCHAR*>(tz::test::protectedPage()));
      },
      nullptr);
  EXPECT_TRUE(run.ended);
  ASSERT_TRUE(box.shown);
  EXPECT_EQ(0xC030u, box.style);
  EXPECT_EQ(std::u16string(kComposed), box.text);
  const std::vector<std::string> l = detailLines();
  ASSERT_GT(l.size(), 2u);
  const std::string exception =
      "Exception 0xC0000005 (access violation) READ:0x" + hex(tz::test::protectedPage(), "%08X");
  EXPECT_EQ(exception, l[1].substr(0, exception.size()));
}

TEST(ErrorFilter, ShowsTheBoxWhenTheFaultingCodeHoldsTheDetails) {
  std::string output;
  EXPECT_TRUE(tz::test::peerPasses("ErrorFilterPeer.ShowsTheBoxWhenTheFaultingCodeHoldsTheDetails",
                                   {}, output))
      << output;
}

TEST(ErrorFilterPeer, LeavesTheFaultToADebugger) {
  TZ_PEER_ONLY();
  tz::platform::setMessageBoxCapture(captureBox, nullptr);
  EXCEPTION_RECORD record{};
  record.ExceptionCode = 0xC0000005;
  CONTEXT context{};
  const EXCEPTION_POINTERS pointers{&record, &context};
  EXPECT_EQ(0, TzErrorHandler_ExceptionFilter(&pointers, "traced"));
  EXPECT_FALSE(box.shown);
}

TEST(ErrorFilter, LeavesMisalignmentAndFaultsUnderADebuggerAlone) {
  tz::platform::setMessageBoxCapture(captureBox, nullptr);
  EXCEPTION_RECORD record{};
  record.ExceptionCode = 0x80000002;
  CONTEXT context{};
  const EXCEPTION_POINTERS pointers{&record, &context};
  EXPECT_EQ(0, TzErrorHandler_ExceptionFilter(&pointers, nullptr));
  EXPECT_EQ(0, TzErrorHandler_ExceptionFilter(nullptr, nullptr));
  EXPECT_FALSE(box.shown);
  tz::platform::setMessageBoxCapture(nullptr, nullptr);

  tz::test::ScratchFolder folder;
  const int status =
      tz::test::runTraced("ErrorFilterPeer.LeavesTheFaultToADebugger", folder.path / "out");
  if (status == 77) GTEST_SKIP() << "tracing is not permitted here";
  const std::string output = tz::test::readFile(folder.path / "out");
  EXPECT_EQ(0, status) << output;
  EXPECT_NE(std::string::npos, output.find("[       OK ]")) << output;
}

}  // namespace
