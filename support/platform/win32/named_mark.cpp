// A mark is a section under the mark's name that its holders keep open and that holds the
// mark's generation; the system removes the name with the last handle, a dead holder's
// included. A name alone cannot answer a watch, since a watch that kept a handle would keep the
// name alive, and a passing look (isHeld, a watch opening) keeps it alive for a moment. So each
// holder also takes shared locks on two bytes of one lock file of the user, at offsets its
// generation gives; the system drops them with the holder's handle, also when the holder dies.
// Asking whether a byte is locked is taking an exclusive lock that does not wait: a watch asks
// its generation's watch byte, holds and isHeld ask the holder byte under the namespace's
// lock, so no asker ever meets another asker's passing lock.
#include "support/platform/named_mark.h"

#include <shlobj.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>

#include "support/platform/win32/object_names.h"
#include "support/platform/win32/system_error.h"

namespace tz::platform {
namespace {

// Generations are random below 2^40; the watch bytes follow, then the holder bytes, all far
// past the file's end, where locks need no data.
constexpr uint64_t kGenerationLimit = uint64_t{1} << 40;
constexpr uint64_t kWatchBytes = kGenerationLimit;
constexpr uint64_t kHolderBytes = 2 * kGenerationLimit;

bool validGeneration(uint64_t generation) {
  return generation > 0 && generation < kGenerationLimit;
}

// Another generation under the same name must not meet a watch of this one, so it is random.
uint64_t newGeneration() {
  static std::atomic<uint32_t> calls{0};
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  uint64_t bits = static_cast<uint64_t>(now.QuadPart) ^ (uint64_t{GetCurrentProcessId()} << 32) ^
                  calls.fetch_add(1) ^ GetTickCount64() * 0x9E3779B97F4A7C15u;
  // SplitMix64's finaliser spreads the clock's few changing bits over all of them.
  bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9u;
  bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBu;
  bits ^= bits >> 31;
  return 1 + bits % (kGenerationLimit - 1);
}

OVERLAPPED byteAt(uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

bool lockByte(HANDLE file, uint64_t offset, DWORD flags) {
  OVERLAPPED at = byteAt(offset);
  return LockFileEx(file, flags, 0, 1, 0, &at) != 0;
}

// True while some handle holds a shared lock on the byte. An exclusive lock that does not wait
// is refused then; otherwise it is given straight back.
bool byteLocked(HANDLE file, uint64_t offset) {
  if (!lockByte(file, offset, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY))
    return GetLastError() == ERROR_LOCK_VIOLATION;
  OVERLAPPED at = byteAt(offset);
  UnlockFileEx(file, 0, 1, 0, &at);
  return false;
}

// The lock file is the user's, in the local application data folder the system names (not the
// temporary folder, which a variable of the environment can move for one process).
HANDLE openLockFile(DWORD disposition) {
  static const std::wstring path = [] {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, folder)))
      return std::wstring();
    return std::wstring(folder) + L"\\tz-marks.lock";
  }();
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(path.c_str(), GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The generation in a mark's section; 0 when the view cannot be made or holds none.
uint64_t readGeneration(HANDLE section) {
  const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(uint64_t));
  if (view == nullptr) return 0;
  const uint64_t generation = *static_cast<const volatile uint64_t*>(view);
  UnmapViewOfFile(view);
  return validGeneration(generation) ? generation : 0;
}

bool writeGeneration(HANDLE section, uint64_t generation) {
  void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(uint64_t));
  if (view == nullptr) return false;
  *static_cast<volatile uint64_t*>(view) = generation;
  UnmapViewOfFile(view);
  return true;
}

// Holds and isHeld of one namespace take turns, so that a hold's question and its answer
// (join, or start afresh) are one step. A mutex whose owner died is taken as well.
class NamespaceTurn {
 public:
  explicit NamespaceTurn(const std::wstring& markName) {
    // Escaped names never hold "%l", so no mark's section meets this name.
    const std::wstring name = markName.substr(0, markName.rfind(L'~') + 1) + L"%lock";
    mutex_ = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex_ == nullptr) return;
    const DWORD waited = WaitForSingleObject(mutex_, INFINITE);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
      CloseHandle(std::exchange(mutex_, nullptr));
    }
  }
  NamespaceTurn(const NamespaceTurn&) = delete;
  NamespaceTurn& operator=(const NamespaceTurn&) = delete;
  ~NamespaceTurn() {
    if (mutex_ == nullptr) return;
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  bool taken() const { return mutex_ != nullptr; }

 private:
  HANDLE mutex_ = nullptr;
};

// Another type's object under the name is a damaged mark: the system says "invalid handle".
PlatformError sectionError(DWORD code) {
  return code == ERROR_INVALID_HANDLE ? PlatformError::InvalidData : errorFromCode(code);
}

}  // namespace

MarkHoldResult NamedMark::hold(std::string_view name) {
  MarkHoldResult result{PlatformError::Success, NamedMark(), false};
  std::wstring systemName;
  result.error = systemObjectName(ObjectKind::Mark, name, systemName);
  if (result.error != PlatformError::Success) return result;
  const NamespaceTurn turn(systemName);
  if (!turn.taken()) {
    result.error = lastSystemError();
    return result;
  }
  const HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(uint64_t), systemName.c_str());
  if (section == nullptr) {
    result.error = sectionError(GetLastError());
    return result;
  }
  const bool named = GetLastError() == ERROR_ALREADY_EXISTS;
  result.mark.handle_ = numberOf(section);
  const HANDLE file = openLockFile(OPEN_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) {
    result.error = lastSystemError();
    result.mark.release();
    return result;
  }
  result.mark.lockHandle_ = numberOf(file);
  uint64_t generation = named ? readGeneration(section) : 0;
  if (named && generation == 0) {
    result.error = PlatformError::InvalidData;  // someone else's section under the name
    result.mark.release();
    return result;
  }
  // A name that only a passing look kept alive is no mark: its generation has no holder.
  result.existed = named && byteLocked(file, kHolderBytes + generation);
  if (!result.existed) {
    generation = newGeneration();
    if (!writeGeneration(section, generation)) {
      result.error = lastSystemError();
      result.mark.release();
      return result;
    }
  }
  // Waits only while a watch that read the new generation asks its byte.
  if (!lockByte(file, kWatchBytes + generation, 0) ||
      !lockByte(file, kHolderBytes + generation, 0)) {
    result.error = lastSystemError();
    result.mark.release();
  }
  return result;
}

bool NamedMark::isHeld(std::string_view name) {
  std::wstring systemName;
  if (systemObjectName(ObjectKind::Mark, name, systemName) != PlatformError::Success) return false;
  const NamespaceTurn turn(systemName);
  const HANDLE section = OpenFileMappingW(FILE_MAP_READ, FALSE, systemName.c_str());
  if (section == nullptr) return GetLastError() == ERROR_INVALID_HANDLE;  // damaged, yet held
  const uint64_t generation = readGeneration(section);
  bool held = true;  // a section without a generation is someone's, so the name is taken
  if (generation != 0) {
    const HANDLE file = openLockFile(OPEN_EXISTING);
    held = file != INVALID_HANDLE_VALUE && byteLocked(file, kHolderBytes + generation);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  CloseHandle(section);
  return held;
}

// The lock file goes first: its handle's locks are what watches ask.
void NamedMark::release() {
  if (lockHandle_ >= 0) CloseHandle(handleOf(std::exchange(lockHandle_, -1)));
  if (handle_ >= 0) CloseHandle(handleOf(std::exchange(handle_, -1)));
}

// Reads the generation by a passing look at the section, without the namespace's turn, and
// keeps only the lock file.
MarkWatchResult MarkWatch::open(std::string_view name) {
  MarkWatchResult result{PlatformError::Success, MarkWatch()};
  std::wstring systemName;
  result.error = systemObjectName(ObjectKind::Mark, name, systemName);
  if (result.error != PlatformError::Success) return result;
  const HANDLE section = OpenFileMappingW(FILE_MAP_READ, FALSE, systemName.c_str());
  if (section == nullptr) {
    const DWORD code = GetLastError();
    result.error = code == ERROR_INVALID_HANDLE ? PlatformError::FileNotFound : errorFromCode(code);
    return result;
  }
  const uint64_t generation = readGeneration(section);
  CloseHandle(section);
  const HANDLE file = generation == 0 ? INVALID_HANDLE_VALUE : openLockFile(OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) {
    result.error = PlatformError::FileNotFound;
    return result;
  }
  return adopt(numberOf(file), static_cast<int64_t>(generation));
}

// One call while the mark is held; when it is gone the passing lock is given back.
bool MarkWatch::held() const {
  if (handle_ < 0 || generation_ == 0) return false;
  return byteLocked(handleOf(handle_), kWatchBytes + static_cast<uint64_t>(generation_));
}

void MarkWatch::close() {
  if (handle_ >= 0) CloseHandle(handleOf(std::exchange(handle_, -1)));
  generation_ = 0;
}

}  // namespace tz::platform
