// Error messages from any mix of operations, codes, context texts, arguments, added tables and
// details, all of them free to hold '%' and '$': every message stays within its buffer, every
// composed text is as long as its system string says, and boxes receive terminated text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_input.h"
#include "support/lang/lang_context.h"
#include "support/platform/message_box.h"
#include "support/platform/resources.h"
#include "tz/error_handler.h"

namespace {

struct Input : tz::fuzz::InputReader {
  uint32_t word() { return static_cast<uint32_t>(take(4)); }
  // A short text of the input's characters, '%', '$' and 's' made likely.
  std::u16string text() {
    std::u16string out;
    for (size_t n = byte() % 40; n > 0 && remaining() > 0; --n) {
      const uint8_t b = byte();
      out += b < 32 ? u"%$s(){}"[b % 7] : static_cast<char16_t>(b < 200 ? b : 0x3000 + b);
    }
    return out;
  }
};

// Added tables live for the process: their rows and texts are never freed, only their texts
// rewritten in place within their fixed, terminated storage.
constexpr size_t kTables = 40, kRows = 3, kTextLength = 48;
char16_t tableTexts[kTables][kRows][kTextLength + 1];
TZERRORTABLEENTRY tables[kTables][kRows];
size_t tablesAdded = 0;

HRESULT pickCode(Input& in) {
  static constexpr uint32_t kCodes[] = {0x80004005, 0x8004E007, 0x8004E00C, 0x8004EFFF,
                                        0x4E000,    0x8004E006, 0x8004EE00, 0x8004EE01};
  const uint8_t b = in.byte();
  return static_cast<HRESULT>(b < 200 ? kCodes[b % std::size(kCodes)] : in.word());
}

void checkMessage(const WCHAR* message) {
  size_t n = 0;
  while (n < 2048 && message[n] != u'\0') ++n;
  if (n > 2047) abort();
}

int captured(const tz::platform::MessageBox& box, void*) {
  if (box.title == nullptr || box.text == nullptr) abort();
  size_t n = 0;
  while (box.text[n] != u'\0') ++n;
  if (n > 1 << 20) abort();
  return 1;
}

void setUp() {
  static bool done = false;
  if (done) return;
  done = true;
  const void* image = tz::platform::imageOf(reinterpret_cast<const void*>(&setUp));
  tz::lang::openModuleLanguage(static_cast<HINSTANCE>(const_cast<void*>(image)));
  tz::platform::setMessageBoxCapture(captured, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  setUp();
  Input in{data, size};
  TzErrorHandler_DetailsInit();
  for (int step = 0; step < 16 && in.remaining() > 0; ++step) {
    const std::u16string context = in.text(), argument = in.text();
    const bool useArgument = in.byte() & 1;
    const uint8_t choice = in.byte();
    // A small operation number or the address of a context text of the input's.
    const ULONG_PTR operation =
        choice & 1 ? reinterpret_cast<ULONG_PTR>(context.c_str()) : choice % 0x3C;
    const WCHAR* arg = useArgument ? argument.c_str() : nullptr;
    const HRESULT code = pickCode(in);
    switch (in.byte() % 7) {
      case 0:
        checkMessage(TzErrorHandler_GetErrorMessage(operation, code, arg));
        break;
      case 1: {
        BSTR text = TzErrorHandler_ComposeErrorText(operation, code, arg);
        if (text == nullptr) break;
        size_t n = 0;
        while (text[n] != u'\0') ++n;
        if (n != SysStringLen(text)) abort();
        SysFreeString(text);
        break;
      }
      case 2:
        TzErrorHandler_DetailsAddString(code, u"%s", argument.c_str());
        break;
      case 3:
        // A plain line is taken as it stands, a line with '%' or '$' as a format with no
        // arguments to read: only the input's own directives that take none may appear.
        if (argument.find_first_of(u"%$") == std::u16string::npos)
          TzErrorHandler_DetailsAddString(code, argument.c_str());
        break;
      case 4:
        TzErrorHandler_MsgBox(nullptr, in.byte(), operation, code, arg, in.byte() & 1);
        break;
      case 5: {
        if (tablesAdded >= kTables) break;
        TZERRORTABLEENTRY* table = tables[tablesAdded];
        for (size_t row = 0; row < kRows; ++row) {
          char16_t* text = tableTexts[tablesAdded][row];
          const size_t n = std::min(context.size(), kTextLength);
          std::copy_n(context.begin(), n, text);
          text[n] = u'\0';
          table[row].code = static_cast<HRESULT>(0x8004EE00UL + row + (in.byte() & 1));
          table[row].message = in.byte() & 1 ? reinterpret_cast<ULONG_PTR>(text) : in.byte();
        }
        ++tablesAdded;
        TzErrorHandler_AddErrorTable(table, kRows);
        break;
      }
      case 6:
        TzErrorHandler_MsgBoxText(nullptr, in.byte(), argument.c_str(), in.byte() & 1);
        break;
    }
  }
  return 0;
}
