// The crash report's stack section. Words that point into a loaded module are most likely
// return addresses, so they are named by module and offset; further up the stack only such
// words are listed, since the whole stack would not fit any report.
#include "support/core/crash_report.h"
#include "support/platform/memory_probe.h"

namespace tz::core {
namespace {

constexpr size_t kWordsFromEsp = 16;
constexpr uintptr_t kListedBytes = kWordsFromEsp * 4;
// A stack that ends this close past the words listed is listed to its end instead of scanned.
constexpr uintptr_t kShortRest = 80;
constexpr uintptr_t kScanStopBelowEnd = 16;
constexpr int kMaxFinds = 6;
constexpr uintptr_t kNeighbours = 2;  // words listed after each find
constexpr size_t kEndWords = 4;
constexpr uintptr_t kPageBytes = 4096;
// A stack pointer this far below the stack is an overflow's: its frame was claimed and
// touching it faulted.
constexpr uintptr_t kOverflowReach = 64 * 1024;

// One word a line, as the word dump writes it, and for a word that points into a module its
// base, offset and file name.
void stackLine(ReportWriter& out, char lead, uintptr_t address,
               const platform::ModuleMap& modules) {
  writeLineAddress(out, address, lead);
  uint32_t word = 0;
  if (!readWord(address, word)) {
    out.append("........ \r\n");
    return;
  }
  out.hex(word, 8);
  out.put(' ');
  if (const platform::LoadedModule* module = modules.find(word)) {
    out.hex(static_cast<uint32_t>(module->base), 8);
    out.append(" + ");
    out.hexTrimmed(static_cast<uint32_t>(word - module->base));
    out.append(" (");
    out.append(module->name);
    out.put(')');
  }
  out.append("\r\n");
}

// The first address in [from, to) whose word points into a module, read a page at a time
// (an unreadable page is passed over); false when there is none.
bool findModuleWord(uintptr_t from, uintptr_t to, const platform::ModuleMap& modules,
                    uintptr_t& found) {
  uint32_t words[kPageBytes / 4];
  for (uintptr_t at = from; at < to;) {
    const uintptr_t pageEnd = (at | (kPageBytes - 1)) + 1;
    const uintptr_t stop = pageEnd != 0 && pageEnd < to ? pageEnd : to;
    const size_t count = (stop - at) / 4;
    if (count > 0 && platform::readMemory(words, reinterpret_cast<const void*>(at), count * 4)) {
      for (size_t i = 0; i < count; ++i) {
        if (modules.find(words[i]) == nullptr) continue;
        found = at + i * 4;
        return true;
      }
    }
    at = stop;
  }
  return false;
}

// Lines starting with '>' for the module words from `from` up to `to`, each followed by its
// neighbours with a leading space.
void scanForModules(ReportWriter& out, uintptr_t from, uintptr_t to,
                    const platform::ModuleMap& modules) {
  uintptr_t found = 0;
  for (int finds = 0; finds < kMaxFinds && findModuleWord(from, to, modules, found); ++finds) {
    if (!out.startLine()) return;
    stackLine(out, '>', found, modules);
    for (uintptr_t n = 1; n <= kNeighbours && found + n * 4 < to; ++n) {
      if (!out.startLine()) return;
      stackLine(out, ' ', found + n * 4, modules);
    }
    from = found + (kNeighbours + 1) * 4;
  }
}

}  // namespace

void writeStackDump(ReportWriter& out, uintptr_t esp, const platform::StackRegion& stack,
                    const platform::ModuleMap& modules) {
  // Only a stack pointer inside the stack (or just below it) bounds a walk up to its end; a
  // garbage one is shown for its 16 words alone.
  const uintptr_t reach = stack.low > kOverflowReach ? stack.low - kOverflowReach : 0;
  const bool onStack = stack.known() && esp >= reach && esp < stack.high;
  size_t words = kWordsFromEsp;
  bool listedToEnd = false;
  if (onStack && stack.high - esp > kListedBytes && stack.high - esp - kListedBytes <= kShortRest) {
    words = (stack.high - esp) / 4;
    listedToEnd = true;
  }
  for (size_t i = 0; i < words; ++i) {
    if (!out.startLine()) return;
    stackLine(out, ' ', esp + i * 4, modules);
  }
  if (onStack && !listedToEnd && stack.high - esp > kListedBytes + kScanStopBelowEnd)
    scanForModules(out, esp + kListedBytes, stack.high - kScanStopBelowEnd, modules);
  if (!out.startLine()) return;
  out.append("- - -\r\n");
  if (stack.known() && stack.high - stack.low >= kEndWords * 4)
    dumpWords(out, stack.high - kEndWords * 4, kEndWords);
}

}  // namespace tz::core
