// Binary metrics from and to streams, and the memory stream they are used with.
#include <cstring>
#include <new>

#include "support/core/memory_stream.h"
#include "support/core/metrics_internal.h"

namespace tz::core {
namespace {
constexpr ULONGLONG kStreamMetricMax = 2048;
constexpr ULONGLONG kMemoryStreamMax = 0x7FFFFFFF;  // a block the 32-bit process can hold
}  // namespace

HRESULT MemoryStream::Seek(LONGLONG move, DWORD origin, ULONGLONG* position) {
  LONGLONG base = 0;
  if (origin == TZ_STREAM_SEEK_CUR)
    base = static_cast<LONGLONG>(position_);
  else if (origin == TZ_STREAM_SEEK_END)
    base = static_cast<LONGLONG>(bytes_.size());
  else if (origin != TZ_STREAM_SEEK_SET)
    return E_INVALIDARG;
  if (move < 0 ? base < -move : move > static_cast<LONGLONG>(kMemoryStreamMax) - base)
    return E_INVALIDARG;
  position_ = static_cast<ULONGLONG>(base + move);
  if (position) *position = position_;
  return S_OK;
}

HRESULT MemoryStream::Write(const void* data, ULONG size, ULONG* written) {
  if (written) *written = 0;
  if (!data && size > 0) return E_POINTER;
  if (size > kMemoryStreamMax - position_) return E_OUTOFMEMORY;
  size_t end = static_cast<size_t>(position_ + size);
  try {
    if (end > bytes_.size()) bytes_.resize(end);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (size > 0) std::memcpy(bytes_.data() + position_, data, size);
  position_ = end;
  if (written) *written = size;
  return S_OK;
}

HRESULT MemoryStream::GetMemory(void** block, ULONG* size) {
  if (!block || !size) return E_INVALIDARG;
  *block = bytes_.empty() ? nullptr : bytes_.data();
  *size = static_cast<ULONG>(bytes_.size());
  return S_OK;
}

}  // namespace tz::core

HRESULT TZ_STDCALL TzSetMetricStream(HTZMETRICS handle, LONG id, TzStream* stream) {
  if (!stream) return E_POINTER;
  ULONGLONG length = 0;
  HRESULT hr = stream->Seek(0, TZ_STREAM_SEEK_CUR, &length);
  if (FAILED(hr)) return hr;
  if (length > tz::core::kStreamMetricMax) return E_INVALIDARG;
  if (length == 0) return E_UNEXPECTED;
  void* block = nullptr;
  ULONG blockSize = 0;
  hr = stream->GetMemory(&block, &blockSize);
  if (FAILED(hr)) return hr;
  // A position past the block's end would read beyond it.
  if (!block || blockSize < length) return E_UNEXPECTED;
  return TzSetMetricBinary(handle, id, block, static_cast<DWORD>(length));
}

HRESULT TZ_STDCALL TzGetMetricStream(HTZMETRICS handle, LONG id, TzStream* stream) {
  if (!stream) return E_POINTER;
  DWORD size = 0;
  TzGetMetricBinaryEx(handle, id, nullptr, 0, &size);
  if (size == 0) return E_UNEXPECTED;
  BYTE* block = new (std::nothrow) BYTE[size];
  if (!block) return E_OUTOFMEMORY;
  HRESULT hr = E_UNEXPECTED;
  if (TzGetMetricBinary(handle, id, block, size) == size) {
    ULONG written = 0;
    hr = stream->Seek(0, TZ_STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(hr)) hr = stream->Write(block, size, &written);
    if (SUCCEEDED(hr)) hr = written == size ? S_OK : E_UNEXPECTED;
  }
  delete[] block;
  return hr;
}
