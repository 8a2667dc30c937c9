// Message composition: the operation's context sentence, then the code's message.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "support/core/error_state.h"
#include "support/core/error_tables.h"
#include "support/core/system_string.h"
#include "support/resources/support_strings.h"
#include "support/ui/print_writer.h"
#include "tz/error_handler.h"

namespace tz::core {
namespace {

struct ContextRow {
  ULONG_PTR operation;
  UINT id;
};

// Operation 0x35 has no sentence of its own.
constexpr ContextRow kContexts[] = {
    {0x00, IDS_CONTEXT_00}, {0x01, IDS_CONTEXT_01}, {0x02, IDS_CONTEXT_02}, {0x03, IDS_CONTEXT_03},
    {0x04, IDS_CONTEXT_04}, {0x05, IDS_CONTEXT_05}, {0x06, IDS_CONTEXT_06}, {0x07, IDS_CONTEXT_07},
    {0x08, IDS_CONTEXT_08}, {0x09, IDS_CONTEXT_09}, {0x0A, IDS_CONTEXT_0A}, {0x0B, IDS_CONTEXT_0B},
    {0x0C, IDS_CONTEXT_0C}, {0x0D, IDS_CONTEXT_0D}, {0x0E, IDS_CONTEXT_0E}, {0x0F, IDS_CONTEXT_0F},
    {0x10, IDS_CONTEXT_10}, {0x11, IDS_CONTEXT_11}, {0x12, IDS_CONTEXT_12}, {0x13, IDS_CONTEXT_13},
    {0x14, IDS_CONTEXT_14}, {0x15, IDS_CONTEXT_15}, {0x16, IDS_CONTEXT_16}, {0x17, IDS_CONTEXT_17},
    {0x18, IDS_CONTEXT_18}, {0x19, IDS_CONTEXT_19}, {0x1A, IDS_CONTEXT_1A}, {0x1B, IDS_CONTEXT_1B},
    {0x1C, IDS_CONTEXT_1C}, {0x1D, IDS_CONTEXT_1D}, {0x1E, IDS_CONTEXT_1E}, {0x1F, IDS_CONTEXT_1F},
    {0x20, IDS_CONTEXT_20}, {0x21, IDS_CONTEXT_21}, {0x22, IDS_CONTEXT_22}, {0x23, IDS_CONTEXT_23},
    {0x24, IDS_CONTEXT_24}, {0x25, IDS_CONTEXT_25}, {0x26, IDS_CONTEXT_26}, {0x27, IDS_CONTEXT_27},
    {0x28, IDS_CONTEXT_28}, {0x29, IDS_CONTEXT_29}, {0x2A, IDS_CONTEXT_2A}, {0x2B, IDS_CONTEXT_2B},
    {0x2C, IDS_CONTEXT_2C}, {0x2D, IDS_CONTEXT_2D}, {0x2E, IDS_CONTEXT_2E}, {0x2F, IDS_CONTEXT_2F},
    {0x30, IDS_CONTEXT_30}, {0x31, IDS_CONTEXT_31}, {0x32, IDS_CONTEXT_32}, {0x33, IDS_CONTEXT_33},
    {0x34, IDS_CONTEXT_34}, {0x36, IDS_CONTEXT_36}, {0x37, IDS_CONTEXT_37}, {0x38, IDS_CONTEXT_38},
    {0x39, IDS_CONTEXT_39},
};

// The opening sentence; an operation above the string ids is the sentence's own address.
const WCHAR* contextSentence(ULONG_PTR operation) {
  if (operation > 0xFFFF) return reinterpret_cast<const WCHAR*>(operation);
  for (const ContextRow& row : kContexts) {
    if (row.operation != operation) continue;
    const WCHAR* text = errorString(row.id);
    if (text[0] != u'\0') return text;
    break;
  }
  return errorString(IDS_CONTEXT_00);
}

// The sentence is no format of the caller's: only its first "%s" takes the argument and "%%"
// is one '%'; any other '%' is text. No other argument exists to be read.
void fillContext(WideSink& sink, const WCHAR* sentence, const WCHAR* argument) {
  bool filled = false;
  for (const WCHAR* c = sentence; *c != u'\0' && !sink.truncated(); ++c) {
    if (c[0] == u'%' && c[1] == u'%') {
      sink.put(u'%');
      ++c;
    } else if (c[0] == u'%' && c[1] == u's' && !filled) {
      sink.append(argument != nullptr ? argument : u"");
      filled = true;
      ++c;
    } else {
      sink.put(*c);
    }
  }
}

}  // namespace

void composeErrorMessage(WideSink& sink, ULONG_PTR operation, HRESULT code, const WCHAR* argument) {
  fillContext(sink, contextSentence(operation), argument);
  if (sink.room() == 0) return;
  if (const WCHAR* text = findErrorText(code)) {
    ui::expandPrintTokens(sink, text);
  } else {
    sink.advance(ui::printF(sink.end(), sink.room() + 1, errorString(IDS_ERR_MESSAGE_MISSING),
                            {static_cast<uint32_t>(code)}));
  }
}

const WCHAR* composeErrorMessage(ErrorState& state, ULONG_PTR operation, HRESULT code,
                                 const WCHAR* argument) {
  WideSink sink(state.message, ErrorState::kMessageCapacity);
  composeErrorMessage(sink, operation, code, argument);
  return state.message;
}

}  // namespace tz::core

using tz::core::ErrorState;

TZAPI(const WCHAR*)
TzErrorHandler_GetErrorMessage(ULONG_PTR operation, HRESULT code, const WCHAR* argument) {
  ErrorState& state = tz::core::errorState();
  std::lock_guard guard(state.lock);
  return tz::core::composeErrorMessage(state, operation, code, argument);
}

TZAPI(BSTR)
TzErrorHandler_ComposeErrorText(ULONG_PTR operation, HRESULT code, const WCHAR* argument) {
  static constexpr std::u16string_view kOpen = u"\r\n<Details>\r\n";
  static constexpr std::u16string_view kClose = u"\r\n</Details>";
  ErrorState& state = tz::core::errorState();
  std::lock_guard guard(state.lock);
  const std::u16string_view message =
      tz::core::composeErrorMessage(state, operation, code, argument);
  const bool withDetails = state.count > 0;
  size_t length = message.size();
  if (withDetails) length += kOpen.size() + state.detailsLength + kClose.size();
  BSTR text = tz::core::allocSystemString(length);
  if (text == nullptr) return nullptr;
  WCHAR* end = std::copy(message.begin(), message.end(), text);
  if (withDetails) {
    end = std::copy(kOpen.begin(), kOpen.end(), end);
    end = std::copy(state.details, state.details + state.detailsLength, end);
    end = std::copy(kClose.begin(), kClose.end(), end);
  }
  return text;
}
