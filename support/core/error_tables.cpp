// Message lookup: the callers' added tables before the built-in one, first row wins.
#include <atomic>
#include <mutex>

#include "support/core/error_tables.h"
#include "support/lang/lang_context.h"
#include "support/resources/support_strings.h"

namespace tz::core {
namespace {

constexpr size_t kMaxAddedTables = 32;

struct AddedTable {
  const TZERRORTABLEENTRY* rows;
  LONG count;
};

// Tables are only ever added: a lookup reads the count published after its row was written,
// without the lock, so the exception filter's composition never waits on a lookup that
// faulted in a caller's damaged table while holding it.
std::mutex addedLock;
AddedTable added[kMaxAddedTables];
std::atomic<size_t> addedCount{0};

// A message above the string ids is the text's own address; 0 is no text.
const WCHAR* rowText(const TZERRORTABLEENTRY& row) {
  if (row.message == 0) return nullptr;
  if (row.message > 0xFFFF) return reinterpret_cast<const WCHAR*>(row.message);
  const WCHAR* text = TzGetString(lang::moduleLanguage(), static_cast<UINT>(row.message));
  return text != nullptr && text[0] != u'\0' ? text : nullptr;
}

const TZERRORTABLEENTRY* findRow(std::span<const TZERRORTABLEENTRY> rows, HRESULT code) {
  for (const TZERRORTABLEENTRY& row : rows)
    if (row.code == code) return &row;
  return nullptr;
}

// The same texts as the library's English table, for code linked without it.
constexpr lang::EnglishString kEnglish[] = {
    {IDS_CONTEXT_00, u"An error occurred during the current operation."},
    {IDS_ERR_MESSAGE_MISSING, u"\n\nError 0x%08x (message missing)"},
    {IDS_ERR_WARNING, u"Warning: "},
};

}  // namespace

const WCHAR* findErrorText(HRESULT code) {
  const TZERRORTABLEENTRY* row = nullptr;
  const size_t count = addedCount.load(std::memory_order_acquire);
  for (size_t i = 0; i < count && row == nullptr; ++i)
    row = findRow({added[i].rows, static_cast<size_t>(added[i].count)}, code);
  if (row == nullptr) row = findRow(builtInErrorTable(), code);
  return row != nullptr ? rowText(*row) : nullptr;
}

const WCHAR* errorString(UINT id) {
  return lang::moduleStringOrEnglish(id, kEnglish);
}

}  // namespace tz::core

TZAPI(HRESULT) TzErrorHandler_AddErrorTable(const TZERRORTABLEENTRY* table, LONG count) {
  if (table == nullptr || count <= 0) return E_INVALIDARG;
  std::lock_guard guard(tz::core::addedLock);
  const size_t at = tz::core::addedCount.load(std::memory_order_relaxed);
  if (at == tz::core::kMaxAddedTables) return S_FALSE;
  tz::core::added[at] = {table, count};
  tz::core::addedCount.store(at + 1, std::memory_order_release);
  return S_OK;
}

TZAPI(const WCHAR*) TzErrorHandler_GetHresultString(HRESULT code) {
  return tz::core::findErrorText(code);
}
