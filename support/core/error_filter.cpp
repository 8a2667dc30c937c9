// The exception filter: an unhandled exception reported in a message box with the crash
// report as its details. It runs where the fault happened, possibly inside a signal handler
// on an alternate stack, so its buffers are on the stack, the details block is taken with a
// try-lock (the faulting code may hold it for good), and its lines are added as they stand
// rather than through the formatted print.
#include <algorithm>
#include <string_view>

#include "support/core/crash_report.h"
#include "support/core/error_state.h"
#include "support/platform/debugger.h"
#include "support/platform/loaded_image.h"
#include "support/platform/memory_probe.h"
#include "support/platform/text_encoding.h"
#include "support/platform/this_thread.h"
#include "support/ui/library_message_box.h"
#include "tz/error_handler.h"

namespace tz::core {
namespace {

constexpr HRESULT kExceptionOccurred = static_cast<HRESULT>(0x8004E017UL);
constexpr UINT kExclamation = 0x30;
constexpr UINT kDetailsStyle = 0xC000;
constexpr size_t kReportBytes = 4096;
constexpr size_t kDescriptionBytes = 128;

// UTF-8 to UTF-16 as far as the sink takes it; a malformed byte becomes U+FFFD.
void widen(std::string_view text, WideSink& sink) {
  for (size_t i = 0; i < text.size() && !sink.truncated();) {
    char32_t c = 0;
    if (!platform::decodeUtf8(text, i, c)) {
      c = 0xFFFD;
      ++i;
    }
    char16_t units[2];
    for (size_t k = 0, n = platform::encodeUtf16(c, units); k < n; ++k) sink.put(units[k]);
  }
}

// The module this library is linked into, with its version: "LoopraReWire.so version 7.0.0.1".
void describeLibrary(WideSink& sink) {
  char text[kDescriptionBytes];
  NarrowSink out(text, sizeof text);
  platform::ModuleMap modules;
  modules.load();
  const platform::LoadedModule* module =
      modules.find(reinterpret_cast<uintptr_t>(&TzErrorHandler_ExceptionFilter));
  out.append(module != nullptr ? module->name : "unknown module");
  platform::FileVersion version;
  if (module != nullptr && platform::readImageVersion(module->base, version)) {
    out.append(" version ");
    const uint16_t parts[] = {version.major(), version.minor(), version.build(),
                              version.revision()};
    for (size_t i = 0; i < 4; ++i) {
      if (i > 0) out.put('.');
      out.decimal(parts[i]);
    }
  }
  widen({text, out.length()}, sink);
}

int showCrashBox(std::u16string_view description, std::u16string_view report) {
  WCHAR message[ErrorState::kMessageCapacity];
  ErrorState& state = errorState();
  if (state.lock.try_lock()) {
    const DWORD thread = platform::currentThreadIdUncached();
    state.clearDetails();
    state.appendLine(description, kExceptionOccurred, thread);
    state.appendLine(report, kExceptionOccurred, thread);
    const std::u16string_view composed = composeErrorMessage(state, 0, kExceptionOccurred, nullptr);
    *std::copy(composed.begin(), composed.end(), message) = u'\0';
    state.lock.unlock();
    return TzErrorHandler_MsgBoxText(nullptr, kExclamation, message, FALSE);
  }
  // The faulting code holds the details block: the box gets details of its own and the block
  // is left as it is.
  WideSink text(message, std::size(message));
  composeErrorMessage(text, 0, kExceptionOccurred, nullptr);
  WCHAR details[ErrorState::kDetailsCapacity];
  WideSink lines(details, std::size(details));
  for (std::u16string_view line : {description, report}) {
    lines.append(line);
    lines.append(u"\r\n");
  }
  return ui::showLibraryMessageBox(nullptr, kExclamation | kDetailsStyle, message, details);
}

}  // namespace
}  // namespace tz::core

TZAPI(LONG)
TzErrorHandler_ExceptionFilter(const EXCEPTION_POINTERS* pointers, const char* threadName) {
  EXCEPTION_POINTERS given{};
  EXCEPTION_RECORD record{};
  if (!tz::platform::readMemory(&given, pointers, sizeof given) ||
      !tz::platform::readMemory(&record, given.ExceptionRecord, sizeof record))
    return EXCEPTION_CONTINUE_SEARCH;
  if (record.ExceptionCode == EXCEPTION_DATATYPE_MISALIGNMENT) return EXCEPTION_CONTINUE_SEARCH;
  char report[tz::core::kReportBytes];
  const LONG length =
      TzErrorHandler_DumpExceptionRecord(report, sizeof report, threadName, pointers, 0);
  if (tz::platform::debuggerAttached()) return EXCEPTION_CONTINUE_SEARCH;
  WCHAR description[tz::core::kDescriptionBytes];
  tz::core::WideSink descriptionSink(description, std::size(description));
  tz::core::describeLibrary(descriptionSink);
  WCHAR wide[tz::core::kReportBytes];
  tz::core::WideSink reportSink(wide, std::size(wide));
  tz::core::widen({report, static_cast<size_t>(length)}, reportSink);
  tz::core::showCrashBox(descriptionSink.text(), reportSink.text());
  return EXCEPTION_EXECUTE_HANDLER;
}
