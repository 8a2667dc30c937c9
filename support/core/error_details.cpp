// The details of the error being reported: lines from the owner thread (or matching the last
// code), kept below 16 384 bytes.
#include <algorithm>
#include <cstdarg>
#include <string_view>

#include "support/core/error_state.h"
#include "support/platform/this_thread.h"
#include "support/ui/print_writer.h"
#include "tz/error_handler.h"

namespace tz::core {
namespace {

constexpr std::u16string_view kLineEnd = u"\r\n";

// The length of text when it is shorter than limit, else limit: a caller's text is bounded by
// what could ever be accepted, never read to an end that may not come.
size_t boundedLength(const WCHAR* text, size_t limit) {
  size_t n = 0;
  while (n < limit && text[n] != u'\0') ++n;
  return n;
}

// The line the caller means: a format holding '%' or '$' goes through the formatted print,
// other text is taken as it stands. False when it does not fit the work buffer whole.
bool buildLine(ErrorState& state, const WCHAR* format, va_list args, std::u16string_view& line) {
  const size_t length = boundedLength(format, ErrorState::kDetailsCapacity);
  if (length == ErrorState::kDetailsCapacity) return false;
  const std::u16string_view text(format, length);
  if (text.find_first_of(u"%$") == std::u16string_view::npos) {
    line = text;
    return true;
  }
  WideSink sink(state.work, ErrorState::kDetailsCapacity);
  VaListArguments source(args);
  ui::printF(sink, text, source);
  if (sink.truncated()) return false;
  line = sink.text();
  return true;
}

}  // namespace

void ErrorState::clearDetails() {
  lastCode = S_OK;
  owner = 0;
  count = 0;
  detailsLength = 0;
  details[0] = u'\0';
}

bool ErrorState::appendLine(std::u16string_view line, HRESULT code, DWORD thread) {
  const size_t total = detailsLength + line.size() + kLineEnd.size();
  if (total >= kDetailsCapacity) return false;
  WCHAR* end = std::copy(line.begin(), line.end(), details + detailsLength);
  end = std::copy(kLineEnd.begin(), kLineEnd.end(), end);
  *end = u'\0';
  detailsLength = total;
  if (owner == 0) owner = thread;
  ++count;
  lastCode = code;
  return true;
}

ErrorState& errorState() {
  static ErrorState state;
  return state;
}

}  // namespace tz::core

using tz::core::ErrorState;

TZAPI(HRESULT) TzErrorHandler_DetailsInit() {
  ErrorState& state = tz::core::errorState();
  std::lock_guard guard(state.lock);
  state.clearDetails();
  state.message[0] = u'\0';
  return S_OK;
}

TZAPIV(HRESULT) TzErrorHandler_DetailsAddString(HRESULT code, const WCHAR* format, ...) {
  if (format == nullptr) return E_POINTER;
  ErrorState& state = tz::core::errorState();
  std::lock_guard guard(state.lock);
  const DWORD thread = tz::platform::currentThreadId();
  if (state.owner != 0 && state.owner != thread && code != state.lastCode) return E_FAIL;
  va_list args;
  va_start(args, format);
  std::u16string_view line;
  const bool built = tz::core::buildLine(state, format, args, line);
  va_end(args);
  if (!built) return E_FAIL;
  return state.appendLine(line, code, thread) ? S_OK : E_FAIL;
}

TZAPI(const WCHAR*) TzErrorHandler_DetailsInfo(HRESULT* lastCode, LONG* count, DWORD* owner) {
  ErrorState& state = tz::core::errorState();
  std::lock_guard guard(state.lock);
  if (lastCode != nullptr) *lastCode = state.lastCode;
  if (count != nullptr) *count = state.count;
  if (owner != nullptr) *owner = state.owner;
  return state.count > 0 ? state.details : nullptr;
}

TZAPI(HRESULT) TzErrorHandler_GetLastError() {
  ErrorState& state = tz::core::errorState();
  std::lock_guard guard(state.lock);
  return state.lastCode;
}
