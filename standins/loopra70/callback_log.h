// What the host hears from the device: one line per device callback, and counts per code for
// the summary. Callbacks arrive on the caller's thread (codes 0 to 18) and on the driver's
// worker thread (the rest), so the counts are atomic and every line is written whole.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tz/audio_driver.h"

namespace tz::host {

constexpr DWORD kQuitCode = 24;
constexpr DWORD kBlockBeginsCode = 26;
constexpr DWORD kBlockEndsCode = 27;

// The line for a callback: "callback CODE arg=0x..", then the transport record's fields for
// the codes that carry one and the format's for code 13, as "name=value" words.
std::string callbackLine(DWORD code, DWORD argument, const void* pointer);

class CallbackLog {
 public:
  static constexpr DWORD kCodes = 32;

  // quiet: codes 26 and 27 are counted without a line.
  CallbackLog(std::FILE* out, bool quiet) : out_(out), quiet_(quiet) {}

  void record(DWORD code, DWORD argument, const void* pointer);

  uint64_t count(DWORD code) const { return code < kCodes ? counts_[code].load() : other_.load(); }
  bool quitRequested() const { return count(kQuitCode) != 0; }

  // "callbacks: CODE=COUNT ..." for every code heard, and "blocks seen: N" (code 26).
  void printSummary(std::FILE* out) const;

 private:
  std::FILE* out_;
  bool quiet_;
  std::array<std::atomic<uint64_t>, kCodes> counts_{};
  std::atomic<uint64_t> other_{0};
};

// Writes one whole line and flushes it, so that a reader sees each line as it happens.
void printLine(std::FILE* out, const std::string& line);

}  // namespace tz::host
