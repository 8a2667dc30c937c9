// The formatted print's exports: the variadic writers on the bounded forms, and the tokens.
#include <string_view>

#include "support/ui/compose_message.h"
#include "support/ui/print_tokens.h"
#include "support/ui/print_writer.h"
#include "tz/print.h"

int TZ_CDECL TzPrintF(WCHAR* destination, const WCHAR* format, ...) {
  va_list args;
  va_start(args, format);
  const int written = TzVPrintF(destination, format, args);
  va_end(args);
  return written;
}

int TZ_STDCALL TzVPrintF(WCHAR* destination, const WCHAR* format, va_list args) {
  tz::core::WideSink sink(destination, TZ_PRINTF_MAX);
  if (destination == nullptr || format == nullptr) return 0;
  tz::core::VaListArguments source(args);
  return static_cast<int>(tz::ui::printF(sink, format, source));
}

BOOL TZ_STDCALL TzPrintF_AddToken(const WCHAR* name, const WCHAR* value) {
  if (name == nullptr || value == nullptr) return FALSE;
  return tz::ui::addPrintToken(name, value);
}

BOOL TZ_STDCALL TzPrintF_DeleteToken(const WCHAR* name) {
  return name != nullptr && tz::ui::deletePrintToken(name);
}

int TZ_CDECL TzComposeStr(WCHAR* buffer, int length, const WCHAR* format, ...) {
  if (buffer == nullptr || length < 1) return 0;
  tz::core::WideSink sink(buffer, static_cast<size_t>(length));
  if (format == nullptr) return 0;
  va_list args;
  va_start(args, format);
  size_t written = 0;
  {
    tz::core::VaListArguments source(args);
    written = tz::ui::composeMessage(sink, format, source);
  }
  va_end(args);
  return sink.truncated() ? 0 : static_cast<int>(written);
}
