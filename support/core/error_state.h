// The process's one error block: the details being collected and the last composed message,
// under one lock, since composition reads the details while another thread may add to them.
#pragma once

#include <cstddef>
#include <mutex>
#include <string_view>

#include "support/core/wide_sink.h"
#include "tz/win_types.h"

namespace tz::core {

struct ErrorState {
  static constexpr size_t kMessageCapacity = 2048;  // characters, terminator included
  static constexpr size_t kDetailsCapacity = 8192;  // 16 384 bytes, terminator included

  std::mutex lock;
  HRESULT lastCode = S_OK;
  DWORD owner = 0;  // the thread that added the first line; 0 while there is none
  LONG count = 0;
  size_t detailsLength = 0;
  WCHAR message[kMessageCapacity] = {};
  WCHAR details[kDetailsCapacity] = {};
  WCHAR work[kDetailsCapacity] = {};  // one formatted line before it is appended

  // Forgets every line and the owner; the caller holds the lock.
  void clearDetails();
  // Appends line and "\r\n" for thread, which owns the block if it is the first; false, with
  // nothing added, when the details would reach 16 384 bytes. The caller holds the lock.
  bool appendLine(std::u16string_view line, HRESULT code, DWORD thread);
};

ErrorState& errorState();

// Composes the message of operation and code into the state's message buffer; the caller
// holds the lock.
const WCHAR* composeErrorMessage(ErrorState& state, ULONG_PTR operation, HRESULT code,
                                 const WCHAR* argument);
// The same into any sink (at most 2047 characters are meant), for a caller that cannot take
// the lock.
void composeErrorMessage(WideSink& sink, ULONG_PTR operation, HRESULT code, const WCHAR* argument);

}  // namespace tz::core
