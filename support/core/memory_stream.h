// A growable in-memory TzStream whose memory block is open to the metrics store, as the
// original platform's memory stream on a global block is.
#pragma once

#include <vector>

#include "tz/metrics.h"

namespace tz::core {

class MemoryStream final : public TzStream {
 public:
  MemoryStream() = default;
  ~MemoryStream() = default;
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  // Positions past the end are allowed; a write there fills the gap with zeros.
  HRESULT TZ_CALLBACK Seek(LONGLONG move, DWORD origin, ULONGLONG* position) override;
  HRESULT TZ_CALLBACK Write(const void* data, ULONG size, ULONG* written) override;
  HRESULT TZ_CALLBACK GetMemory(void** block, ULONG* size) override;

  const std::vector<BYTE>& bytes() const { return bytes_; }

 private:
  std::vector<BYTE> bytes_;
  ULONGLONG position_ = 0;
};

}  // namespace tz::core
