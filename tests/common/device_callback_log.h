// The host tests' device callback: every call the driver makes to the host, from whichever
// thread makes it, with the transport record of the codes that carry one, counted per code,
// answered as the test says (0 unless told otherwise).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "tz/audio_driver.h"

namespace tz::test {

class CallbackLog {
 public:
  struct Entry {
    DWORD code;
    DWORD argument;
    TRANSPORTINFO record;  // for codes 20 and up, except 24 (the quit request), which has none
  };

  // Pass as the device's callback with cookie() as its cookie.
  static LONG TZ_CALLBACK callback(IAudioDevice*, DWORD code, DWORD cookie, DWORD argument,
                                   void* pointer) {
    auto& log = *reinterpret_cast<CallbackLog*>(static_cast<uintptr_t>(cookie));
    Entry entry{code, argument, {}};
    if (pointer != nullptr && code >= 20 && code != 24)
      entry.record = *static_cast<const TRANSPORTINFO*>(pointer);
    std::function<LONG(DWORD)> answer;
    {
      std::lock_guard hold(log.lock_);
      log.entries_.push_back(entry);
      answer = log.answer_;
    }
    if (code < 32) ++log.counts[code];
    // Called outside the lock: an answer may call the device, which calls back.
    return answer ? answer(code) : 0;
  }
  DWORD cookie() { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(this)); }

  // The result of every later call with its code; the device's threads may be calling.
  void answerWith(std::function<LONG(DWORD)> answer) {
    std::lock_guard hold(lock_);
    answer_ = std::move(answer);
  }
  std::vector<Entry> snapshot() {
    std::lock_guard hold(lock_);
    return entries_;
  }
  std::vector<DWORD> codes() {
    std::vector<DWORD> codes;
    for (const Entry& entry : snapshot()) codes.push_back(entry.code);
    return codes;
  }
  void clear() {
    std::lock_guard hold(lock_);
    entries_.clear();
    for (auto& count : counts) count = 0;
  }

  std::atomic<int> counts[32] = {};  // calls per code

 private:
  std::mutex lock_;
  std::vector<Entry> entries_;
  std::function<LONG(DWORD)> answer_;
};

}  // namespace tz::test
