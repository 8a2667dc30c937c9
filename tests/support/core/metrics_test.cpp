// The metrics store over the registry: key layout, value names and types, fallbacks and the
// size protocols of the binary and stream functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/core/memory_stream.h"
#include "support/platform/registry.h"
#include "support/platform/this_thread.h"
#include "tests/common/isolated_session.h"
#include "tz/metrics.h"

namespace {

using tz::platform::PlatformError;
using tz::platform::RegistryKey;
using tz::platform::RegistryRoot;
using tz::platform::RegistryType;

constexpr DWORD kV7 = 0x07000000;
// The application and the service are this process's own: on Windows the stores' keys lie in the
// system's registry, which every test process shares, and their place is the library's.
const std::string kAppName = "MyApp" + std::to_string(tz::platform::currentProcessId());
const std::string kServiceName = "Svc" + std::to_string(tz::platform::currentProcessId());
const std::u16string kApp(kAppName.begin(), kAppName.end());
const std::u16string kService(kServiceName.begin(), kServiceName.end());
const std::string kAppKey = "Software\\Halvard Zivovude Software\\" + kAppName;
const std::string kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\" + kServiceName;
const std::string kMetrics = kAppKey + "\\7.0\\Metrics";
const std::string kAudio = kMetrics + "\\Audio";

bool keyExists(RegistryRoot root, const std::string& path) {
  RegistryKey key;
  return RegistryKey::open(root, path, key) == PlatformError::Success;
}

// The size of the raw value as the registry holds it, checking its type.
size_t rawSize(const std::string& path, const char* name, RegistryType expected) {
  RegistryKey key;
  RegistryType type{};
  BYTE data[64];
  uint32_t size = 64;
  if (RegistryKey::open(RegistryRoot::CurrentUser, path, key) != PlatformError::Success ||
      key.queryValue(name, &type, data, &size) != PlatformError::Success)
    return 0;
  EXPECT_EQ(expected, type) << name;
  return size;
}

class Metrics : public ::testing::Test {
 protected:
  void SetUp() override {
    removeKeys();  // an earlier process of the same id may have left them
    ASSERT_EQ(S_OK, TzMetric_Open(&store_, kApp.c_str(), kV7, u"Audio"));
  }
  void TearDown() override {
    TzMetric_Close(store_);
    removeKeys();
  }
  static void removeKeys() {
    RegistryKey::deleteKey(RegistryRoot::CurrentUser, kAppKey);
    RegistryKey::deleteKey(RegistryRoot::LocalMachine, kServiceKey);
  }
  tz::test::IsolatedSession session_;
  HTZMETRICS store_ = nullptr;
};

TEST_F(Metrics, KeysAndValueNamesFollowTheLayout) {
  EXPECT_TRUE(keyExists(RegistryRoot::CurrentUser, kAudio));
  EXPECT_EQ(S_OK, TzSetMetric(store_, -503, 5));
  EXPECT_EQ(5u, TzGetMetric(store_, 503));
  EXPECT_EQ(S_OK, TzSetMetricString(store_, 2, u"ab"));
  const BYTE one[] = {1};
  EXPECT_EQ(S_OK, TzSetMetricBinary(store_, -3, one, 1));
  EXPECT_EQ(S_OK, TzSetMetricMultiString(store_, 4, u"a\0b\0", 4));
  EXPECT_EQ(4u, rawSize(kAudio, "503", RegistryType::Dword));
  EXPECT_EQ(6u, rawSize(kAudio, "S2", RegistryType::String));
  EXPECT_EQ(1u, rawSize(kAudio, "B3", RegistryType::Binary));
  EXPECT_EQ(8u, rawSize(kAudio, "Z4", RegistryType::MultiString));

  // A sub store sits beside the parent's, below Metrics.
  HTZMETRICS other = nullptr;
  ASSERT_EQ(S_OK, TzMetric_OpenSubKey(&other, store_, u"Other"));
  EXPECT_EQ(S_OK, TzSetMetric(other, 1, 9));
  EXPECT_EQ(4u, rawSize(kMetrics + "\\Other", "1", RegistryType::Dword));
  EXPECT_EQ(S_OK, TzMetric_CloseAndDeleteKey(other));
  EXPECT_FALSE(keyExists(RegistryRoot::CurrentUser, kMetrics + "\\Other"));

  HTZMETRICS service = nullptr;
  ASSERT_EQ(S_OK, TzMetric_OpenService(&service, kService.c_str(), 0x01020000, nullptr));
  const std::string servicePath = kServiceKey + "\\1.2\\Metrics";
  EXPECT_TRUE(keyExists(RegistryRoot::LocalMachine, servicePath));
  EXPECT_EQ(E_FAIL, TzMetric_OpenSubKey(&other, service, u"X"));  // no app name to read back
  EXPECT_EQ(S_OK, TzMetric_Close(service));
  EXPECT_EQ(S_OK, TzMetric_DeleteAllService(kService.c_str(), 0x01020000));
  EXPECT_FALSE(keyExists(RegistryRoot::LocalMachine, servicePath));
  EXPECT_EQ(S_OK, TzMetric_DeleteKey(kApp.c_str(), kV7, u"Audio"));
  EXPECT_EQ(S_OK, TzMetric_DeleteAll(kApp.c_str(), kV7));
  EXPECT_FALSE(keyExists(RegistryRoot::CurrentUser, kMetrics));
}

TEST_F(Metrics, BadArgumentsAndKeylessHandles) {
  HTZMETRICS handle = TZMETRICS_DEFAULT;
  EXPECT_EQ(E_POINTER, TzMetric_Open(nullptr, u"A", kV7, nullptr));
  EXPECT_EQ(E_INVALIDARG, TzMetric_Open(&handle, nullptr, kV7, nullptr));
  std::u16string longName(300, u'x');  // would overrun the record's 260-character path
  EXPECT_EQ(E_INVALIDARG, TzMetric_Open(&handle, longName.c_str(), kV7, nullptr));
  EXPECT_EQ(nullptr, handle);
  // Null and default handles act as stores without key, and are never freed.
  for (HTZMETRICS h : {HTZMETRICS{}, TZMETRICS_DEFAULT}) {
    EXPECT_EQ(E_FAIL, TzMetric_OpenSubKey(&handle, h, u"X"));
    EXPECT_EQ(S_OK, TzMetric_Close(h));
    EXPECT_EQ(E_FAIL, TzMetric_CloseAndDeleteKey(h));
    EXPECT_EQ(0u, TzGetMetric(h, 1));
    EXPECT_EQ(4, TzGetMetricEx(h, 1, 0, 10, 4));
    EXPECT_EQ(TRUE, TzGetMetricBool(h, 1, 2));
    EXPECT_EQ(E_FAIL, TzSetMetric(h, 1, 1));
    EXPECT_EQ(E_FAIL, TzSetMetricMultiString(h, 1, u"x", 2));
    EXPECT_EQ(S_FALSE, TzDoesMetricExist(h, 1, REG_DWORD));
    EXPECT_EQ(S_FALSE, TzDeleteMetric(h, 1, REG_DWORD));
    BYTE buffer[4] = {1, 2, 3, 4};
    EXPECT_EQ(0u, TzGetMetricBinary(h, 1, buffer, 4));
    EXPECT_EQ(0, buffer[0] | buffer[3]);
  }
}

TEST_F(Metrics, NumbersFallBackAndClamp) {
  EXPECT_EQ(0, TzGetMetricEx(store_, 7, 0, 10, -3));  // missing: the default, clamped
  EXPECT_EQ(77, TzGetMetricEx(store_, 7, 5, 5, 77));
  ASSERT_EQ(S_OK, TzSetMetric(store_, 7, 50));
  EXPECT_EQ(10, TzGetMetricEx(store_, 7, 1, 10, 0));
  EXPECT_EQ(50, TzGetMetricEx(store_, 7, 0, 0, 0));  // min == max: no clamping
  ASSERT_EQ(S_OK, TzSetMetric(store_, 7, DWORD(-5)));
  EXPECT_EQ(-5, TzGetMetricEx(store_, 7, -10, 10, 0));  // compared signed
  ASSERT_EQ(S_OK, TzSetMetric(store_, 8, 7));
  EXPECT_EQ(TRUE, TzGetMetricBool(store_, 8, FALSE));
  EXPECT_EQ(TRUE, TzGetMetricBool(store_, 9, 5));
  // A value of another type or size is not a number.
  ASSERT_EQ(S_OK, TzSetMetricUsingName(store_, u"S10", 3));
  EXPECT_EQ(3u, TzGetMetricUsingName(store_, u"s10", 42));
  EXPECT_EQ(S_OK, TzSetMetricString(store_, 10, u"x"));
  EXPECT_EQ(42u, TzGetMetricUsingName(store_, u"S10", 42));
}

TEST_F(Metrics, StringsZeroFillAndTakeTheDefault) {
  WCHAR buffer[6];
  auto read = [&](const WCHAR* def, BOOL flag, int length = 6) {
    std::memset(buffer, 0xAB, sizeof buffer);
    return TzGetMetricStringEx(store_, 1, buffer, length, def, flag);
  };
  EXPECT_EQ(3, read(u"def", FALSE));  // missing
  EXPECT_EQ(std::u16string(u"def\0\0", 6), std::u16string(buffer, 6));
  ASSERT_EQ(S_OK, TzSetMetricString(store_, 1, u""));
  EXPECT_EQ(0, read(u"def", TRUE));
  EXPECT_EQ(std::u16string(6, u'\0'), std::u16string(buffer, 6));
  EXPECT_EQ(5, read(u"a long default", FALSE));  // cut to the buffer, still terminated
  ASSERT_EQ(S_OK, TzSetMetricString(store_, 1, u"abc"));
  EXPECT_EQ(3, read(nullptr, FALSE));
  EXPECT_EQ(std::u16string(u"abc\0\0", 6), std::u16string(buffer, 6));
  ASSERT_EQ(S_OK, TzSetMetricString(store_, 1, u"abcdefgh"));  // longer than the buffer
  EXPECT_EQ(0, read(nullptr, FALSE));
  EXPECT_EQ(0, read(u"d", FALSE, 0));
  EXPECT_EQ(WCHAR(0xABAB), buffer[0]);  // nothing written
  // Multi-strings count every character but the list's final terminator.
  ASSERT_EQ(S_OK, TzSetMetricMultiString(store_, 1, u"a\0bc\0", 6));
  EXPECT_EQ(5, TzGetMetricMultiStringEx(store_, 1, buffer, 6, nullptr, FALSE));
  EXPECT_EQ(std::u16string(u"a\0bc\0\0", 6), std::u16string(buffer, 6));
  EXPECT_EQ(E_INVALIDARG, TzSetMetricMultiString(store_, 1, u"a", -1));
  EXPECT_EQ(E_INVALIDARG, TzSetMetricMultiString(store_, 1, nullptr, 2));
}

TEST_F(Metrics, BinarySizeProtocol) {
  const BYTE ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  BYTE buffer[12];
  DWORD count = 99;
  auto get = [&](BYTE* target, DWORD size, DWORD expectedCount) {
    std::memset(buffer, 0xAB, sizeof buffer);
    const HRESULT result = TzGetMetricBinaryEx(store_, 5, target, size, &count);
    EXPECT_EQ(expectedCount, count);
    return result;
  };
  EXPECT_EQ(S_FALSE, get(buffer, 8, 0));
  EXPECT_EQ(0, buffer[7]);
  ASSERT_EQ(S_OK, TzSetMetricBinary(store_, 5, ten, 10));
  EXPECT_EQ(TZ_E_BUFFERTOOSMALL, get(buffer, 8, 10));
  EXPECT_EQ(TZ_E_BUFFERTOOSMALL, get(nullptr, 0, 10));
  EXPECT_EQ(S_OK, get(buffer, 12, 10));
  EXPECT_EQ(0, std::memcmp(buffer, ten, 10));
  EXPECT_EQ(0, buffer[10] | buffer[11]);
  EXPECT_EQ(E_INVALIDARG, TzGetMetricBinaryEx(store_, 5, buffer, 8, nullptr));
  EXPECT_EQ(E_INVALIDARG, TzGetMetricBinaryEx(store_, 5, nullptr, 8, &count));
  EXPECT_EQ(TZ_E_NOTFOUND, TzGetMetricBinaryEx(TZMETRICS_DEFAULT, 5, buffer, 8, &count));
  // The plain getter gives all or nothing, the rest zero-filled.
  std::memset(buffer, 0xAB, sizeof buffer);
  EXPECT_EQ(0u, TzGetMetricBinary(store_, 5, buffer, 8));
  EXPECT_EQ(std::vector<BYTE>({0, 0, 0xAB}), std::vector<BYTE>({buffer[0], buffer[7], buffer[8]}));
  EXPECT_EQ(10u, TzGetMetricBinary(store_, -5, buffer, 12));
}

TEST_F(Metrics, AnyTypeTerminatesStrings) {
  ASSERT_EQ(S_OK, TzSetMetricUsingName(store_, u"3", 0x01020304));
  BYTE buffer[8];
  DWORD count = 0;
  auto any = [&](LONG id, DWORD type, DWORD size, DWORD expectedCount) {
    std::memset(buffer, 0xAB, sizeof buffer);
    const HRESULT result = TzGetMetricAny(store_, id, type, buffer, size, &count);
    EXPECT_EQ(expectedCount, count) << id;
    return result;
  };
  EXPECT_EQ(S_OK, any(-3, REG_DWORD, 8, 4));
  EXPECT_EQ(TZ_E_NOTFOUND, TzGetMetricAny(store_, 3, REG_SZ, buffer, 8, &count));
  EXPECT_EQ(TZ_E_BUFFERTOOSMALL, any(3, REG_DWORD, 2, 4));
  EXPECT_EQ(E_UNEXPECTED, TzGetMetricAny(TZMETRICS_DEFAULT, 3, REG_DWORD, buffer, 8, &count));
  // A string stored without its terminator, under the bare-number name.
  RegistryKey key;
  ASSERT_EQ(PlatformError::Success, RegistryKey::open(RegistryRoot::CurrentUser, kAudio, key));
  // Stores `data`, reads it back into `size` bytes; the text is always "ab".
  auto text = [&](const char16_t* data, uint32_t bytes, DWORD size, DWORD expectedCount) {
    EXPECT_EQ(PlatformError::Success, key.setValue("4", RegistryType::String, data, bytes));
    const HRESULT result = any(4, REG_SZ, size, expectedCount);
    EXPECT_EQ(u"ab", std::u16string(reinterpret_cast<const char16_t*>(buffer))) << bytes;
    return result;
  };
  EXPECT_EQ(S_OK, text(u"ab", 4, 8, 4));
  EXPECT_EQ(TZ_E_BUFFERTOOSMALL, text(u"abc", 6, 6, 8));  // terminator overwrites the "c"
  EXPECT_EQ(S_OK, text(u"ab", 6, 6, 6));                  // terminator stored
}

TEST_F(Metrics, ExistDeleteAndNames) {
  ASSERT_EQ(S_OK, TzSetMetricString(store_, 6, u"long enough to need more than a byte"));
  EXPECT_EQ(S_OK, TzDoesMetricExist(store_, -6, REG_SZ));
  EXPECT_EQ(S_FALSE, TzDoesMetricExist(store_, 6, REG_BINARY));
  EXPECT_EQ(S_OK, TzDeleteMetric(store_, 6, REG_SZ));
  EXPECT_EQ(S_FALSE, TzDoesMetricExist(store_, 6, REG_SZ));
  EXPECT_EQ(E_FAIL, TzDeleteMetric(store_, 6, REG_SZ));
  ASSERT_EQ(S_OK, TzSetMetricUsingName(store_, u"named", 1));
  EXPECT_EQ(S_OK, TzDeleteMetricUsingName(store_, u"named", REG_DWORD));
  auto name = [](LONG id, DWORD type) {
    WCHAR buffer[TZ_METRIC_NAME_MAX];
    const int count = TzMetricGetName(id, type, buffer);
    EXPECT_EQ(count, int(std::u16string(buffer).size()));
    return std::u16string(buffer);
  };
  EXPECT_EQ(u"S12", name(-12, REG_SZ));
  EXPECT_EQ(u"B3", name(3, REG_BINARY));
  EXPECT_EQ(u"D4", name(4, REG_DWORD));
  EXPECT_EQ(u"Z5", name(5, 99));
  EXPECT_EQ(u"S2147483648", name(LONG(0x80000000), REG_SZ));
  EXPECT_EQ(0, TzMetricGetName(1, REG_SZ, nullptr));
}

// A stream whose seek fails and that has no memory block.
class FailingStream final : public TzStream {
 public:
  HRESULT TZ_CALLBACK Seek(LONGLONG, DWORD, ULONGLONG*) override { return seekResult; }
  HRESULT TZ_CALLBACK Write(const void*, ULONG, ULONG* n) override { return *n = 1, S_OK; }
  HRESULT TZ_CALLBACK GetMemory(void**, ULONG*) override { return E_INVALIDARG; }
  HRESULT seekResult = E_FAIL;
};

TEST_F(Metrics, StreamsHoldAtMost2048Bytes) {
  // Stores `written` bytes read up to `position`; a stored block reads back over "xyzxyz".
  auto roundTrip = [&](ULONG written, LONGLONG position) {
    tz::core::MemoryStream stream, back;
    std::vector<BYTE> data(written);
    for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i * 7);
    ULONG count = 0;
    EXPECT_EQ(S_OK, stream.Write(data.data(), written, &count));
    EXPECT_EQ(S_OK, stream.Seek(position, TZ_STREAM_SEEK_SET, nullptr));
    const HRESULT result = TzSetMetricStream(store_, 20, &stream);
    if (result != S_OK) return result;
    EXPECT_EQ(S_OK, back.Write("xyzxyz", 6, &count));
    EXPECT_EQ(S_OK, TzGetMetricStream(store_, 20, &back));
    const size_t n = static_cast<size_t>(position);
    EXPECT_EQ(std::max<size_t>(n, 6), back.bytes().size());
    EXPECT_EQ(0, std::memcmp(back.bytes().data(), data.data(), std::min(n, back.bytes().size())));
    return result;
  };
  EXPECT_EQ(S_OK, roundTrip(2048, 2048));
  EXPECT_EQ(E_INVALIDARG, roundTrip(2049, 2049));
  EXPECT_EQ(E_UNEXPECTED, roundTrip(0, 0));
  EXPECT_EQ(E_UNEXPECTED, roundTrip(4, 8));  // position past the memory block
  EXPECT_EQ(S_OK, roundTrip(4, 3));
  FailingStream failing;
  EXPECT_EQ(E_POINTER, TzSetMetricStream(store_, 20, nullptr));
  EXPECT_EQ(E_FAIL, TzSetMetricStream(store_, 20, &failing));
  failing.seekResult = S_OK;  // position 0 as left by the failing seek
  EXPECT_EQ(E_UNEXPECTED, TzSetMetricStream(store_, 20, &failing));
  EXPECT_EQ(E_UNEXPECTED, TzGetMetricStream(store_, 21, &failing));  // nothing stored
  EXPECT_EQ(E_UNEXPECTED, TzGetMetricStream(store_, 20, &failing));  // short write
}

}  // namespace
