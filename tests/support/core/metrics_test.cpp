// The metrics store over the registry: key layout, value names and types, fallbacks and the
// size protocols of the binary and stream functions.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/core/memory_stream.h"
#include "support/platform/registry.h"
#include "tz/metrics.h"

namespace {

using tz::platform::PlatformError;
using tz::platform::RegistryKey;
using tz::platform::RegistryRoot;
using tz::platform::RegistryType;

constexpr DWORD kV7 = 0x07000000;
const std::string kMetrics = "Software\\Halvard Zivovude Software\\MyApp\\7.0\\Metrics";
const std::string kAudio = kMetrics + "\\Audio";

class Metrics : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tz-metrics-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    root_ = pattern;
    setenv("TZ_REGISTRY_ROOT", pattern, 1);
    ASSERT_EQ(S_OK, TzMetric_Open(&store_, u"MyApp", kV7, u"Audio"));
  }
  void TearDown() override {
    TzMetric_Close(store_);
    unsetenv("TZ_REGISTRY_ROOT");
    std::filesystem::remove_all(root_);
  }
  // The raw value as the registry holds it.
  static std::vector<BYTE> raw(const std::string& path, const char* name, RegistryType expected) {
    RegistryKey key;
    if (RegistryKey::open(RegistryRoot::CurrentUser, path, key) != PlatformError::Success)
      return {};
    RegistryType type{};
    std::vector<BYTE> data(64);
    uint32_t size = 64;
    if (key.queryValue(name, &type, data.data(), &size) != PlatformError::Success) return {};
    EXPECT_EQ(expected, type) << name;
    data.resize(size);
    return data;
  }
  static bool keyExists(RegistryRoot root, const std::string& path) {
    RegistryKey key;
    return RegistryKey::open(root, path, key) == PlatformError::Success;
  }

  std::filesystem::path root_;
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
  struct Case {
    const char* name;
    RegistryType type;
    size_t size;
  };
  for (Case c : {Case{"503", RegistryType::Dword, 4},
                 {"S2", RegistryType::String, 6},
                 {"B3", RegistryType::Binary, 1},
                 {"Z4", RegistryType::MultiString, 8}})
    EXPECT_EQ(c.size, raw(kAudio, c.name, c.type).size()) << c.name;

  // A sub store sits beside the parent's, below Metrics.
  HTZMETRICS other = nullptr;
  ASSERT_EQ(S_OK, TzMetric_OpenSubKey(&other, store_, u"Other"));
  EXPECT_EQ(S_OK, TzSetMetric(other, 1, 9));
  EXPECT_EQ(4u, raw(kMetrics + "\\Other", "1", RegistryType::Dword).size());
  EXPECT_EQ(S_OK, TzMetric_CloseAndDeleteKey(other));
  EXPECT_FALSE(keyExists(RegistryRoot::CurrentUser, kMetrics + "\\Other"));

  HTZMETRICS service = nullptr;
  ASSERT_EQ(S_OK, TzMetric_OpenService(&service, u"Svc", 0x01020000, nullptr));
  const char* servicePath = "SYSTEM\\CurrentControlSet\\Services\\Svc\\1.2\\Metrics";
  EXPECT_TRUE(keyExists(RegistryRoot::LocalMachine, servicePath));
  EXPECT_EQ(E_FAIL, TzMetric_OpenSubKey(&other, service, u"X"));  // no app name to read back
  EXPECT_EQ(S_OK, TzMetric_Close(service));
  EXPECT_EQ(S_OK, TzMetric_DeleteAllService(u"Svc", 0x01020000));
  EXPECT_FALSE(keyExists(RegistryRoot::LocalMachine, servicePath));

  EXPECT_EQ(S_OK, TzMetric_DeleteKey(u"MyApp", kV7, u"Audio"));
  EXPECT_EQ(S_OK, TzMetric_DeleteAll(u"MyApp", kV7));
  EXPECT_FALSE(keyExists(RegistryRoot::CurrentUser, kMetrics));
}

TEST_F(Metrics, OpenRefusesBadArgumentsWithoutLeavingAHandle) {
  HTZMETRICS handle = TZMETRICS_DEFAULT;
  EXPECT_EQ(E_POINTER, TzMetric_Open(nullptr, u"A", kV7, nullptr));
  EXPECT_EQ(E_INVALIDARG, TzMetric_Open(&handle, nullptr, kV7, nullptr));
  std::u16string longName(300, u'x');  // would overrun the record's 260-character path
  EXPECT_EQ(E_INVALIDARG, TzMetric_Open(&handle, longName.c_str(), kV7, nullptr));
  EXPECT_EQ(nullptr, handle);
  for (HTZMETRICS parent : {HTZMETRICS{}, TZMETRICS_DEFAULT})
    EXPECT_EQ(E_FAIL, TzMetric_OpenSubKey(&handle, parent, u"X"));
  EXPECT_EQ(S_OK, TzMetric_Close(TZMETRICS_DEFAULT));  // never freed
  EXPECT_EQ(E_FAIL, TzMetric_CloseAndDeleteKey(TZMETRICS_DEFAULT));
}

TEST_F(Metrics, NumbersFallBackAndClamp) {
  struct Case {
    bool stored;
    DWORD value;
    LONG min, max, def, expected;
  };
  for (Case c : {Case{true, 50, 1, 10, 0, 10},
                 {true, 50, 0, 0, 0, 50},
                 {false, 0, 0, 10, -3, 0},
                 {true, DWORD(-5), -10, 10, 0, -5},
                 {false, 0, 5, 5, 77, 77}}) {
    if (c.stored)
      ASSERT_EQ(S_OK, TzSetMetric(store_, 7, c.value));
    else
      TzDeleteMetric(store_, 7, REG_DWORD);
    EXPECT_EQ(c.expected, TzGetMetricEx(store_, 7, c.min, c.max, c.def)) << c.value;
  }
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
  std::memset(buffer, 0xAB, sizeof buffer);
  EXPECT_EQ(S_FALSE, TzGetMetricBinaryEx(store_, 5, buffer, 8, &count));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(0, buffer[7]);
  ASSERT_EQ(S_OK, TzSetMetricBinary(store_, 5, ten, 10));
  for (BYTE* target : {buffer, static_cast<BYTE*>(nullptr)}) {
    EXPECT_EQ(TZ_E_BUFFERTOOSMALL, TzGetMetricBinaryEx(store_, 5, target, target ? 8 : 0, &count));
    EXPECT_EQ(10u, count);
  }
  std::memset(buffer, 0xAB, sizeof buffer);
  EXPECT_EQ(S_OK, TzGetMetricBinaryEx(store_, 5, buffer, 12, &count));
  EXPECT_EQ(10u, count);
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
  EXPECT_EQ(S_OK, TzGetMetricAny(store_, -3, REG_DWORD, buffer, 8, &count));
  EXPECT_EQ(4u, count);
  EXPECT_EQ(TZ_E_NOTFOUND, TzGetMetricAny(store_, 3, REG_SZ, buffer, 8, &count));
  EXPECT_EQ(TZ_E_BUFFERTOOSMALL, TzGetMetricAny(store_, 3, REG_DWORD, buffer, 2, &count));
  EXPECT_EQ(4u, count);
  EXPECT_EQ(E_UNEXPECTED, TzGetMetricAny(TZMETRICS_DEFAULT, 3, REG_DWORD, buffer, 8, &count));
  // A string stored without its terminator, under the bare-number name.
  RegistryKey key;
  ASSERT_EQ(PlatformError::Success, RegistryKey::open(RegistryRoot::CurrentUser, kAudio, key));
  struct Case {
    const char16_t* data;
    uint32_t bytes;
    DWORD size;
    HRESULT result;
    DWORD count;
    std::u16string text;
  };
  for (const Case& c : {Case{u"ab", 4, 8, S_OK, 4, u"ab"},
                        {u"abc", 6, 6, TZ_E_BUFFERTOOSMALL, 8, u"ab"},
                        {u"ab", 6, 6, S_OK, 6, u"ab"}}) {
    ASSERT_EQ(PlatformError::Success, key.setValue("4", RegistryType::String, c.data, c.bytes));
    std::memset(buffer, 0xAB, sizeof buffer);
    EXPECT_EQ(c.result, TzGetMetricAny(store_, 4, REG_SZ, buffer, c.size, &count)) << c.bytes;
    EXPECT_EQ(c.count, count);
    EXPECT_EQ(c.text, std::u16string(reinterpret_cast<const char16_t*>(buffer)));
  }
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

  struct Case {
    LONG id;
    DWORD type;
    std::u16string name;
  };
  WCHAR name[TZ_METRIC_NAME_MAX];
  for (const Case& c : {Case{-12, REG_SZ, u"S12"},
                        {3, REG_BINARY, u"B3"},
                        {4, REG_DWORD, u"D4"},
                        {5, 99, u"Z5"},
                        {LONG(0x80000000), REG_SZ, u"S2147483648"}}) {
    EXPECT_EQ(int(c.name.size()), TzMetricGetName(c.id, c.type, name));
    EXPECT_EQ(c.name, std::u16string(name));
  }
  EXPECT_EQ(0, TzMetricGetName(1, REG_SZ, nullptr));
}

TEST_F(Metrics, DefaultAndNullHandlesActKeyless) {
  for (HTZMETRICS h : {HTZMETRICS{}, TZMETRICS_DEFAULT}) {
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

// A stream whose seek fails and that has no memory block.
class FailingStream final : public TzStream {
 public:
  HRESULT TZ_CALLBACK Seek(LONGLONG, DWORD, ULONGLONG*) override { return seekResult; }
  HRESULT TZ_CALLBACK Write(const void*, ULONG, ULONG* written) override {
    *written = 1;
    return S_OK;
  }
  HRESULT TZ_CALLBACK GetMemory(void**, ULONG*) override { return E_INVALIDARG; }
  HRESULT seekResult = E_FAIL;
};

TEST_F(Metrics, StreamsHoldAtMost2048Bytes) {
  struct Case {
    ULONG written;
    LONGLONG position;
    HRESULT result;
  };
  for (Case c : {Case{2048, 2048, S_OK},
                 {2049, 2049, E_INVALIDARG},
                 {0, 0, E_UNEXPECTED},
                 {4, 8, E_UNEXPECTED},
                 {4, 3, S_OK}}) {
    tz::core::MemoryStream stream;
    std::vector<BYTE> data(c.written);
    for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i * 7);
    ULONG written = 0;
    ASSERT_EQ(S_OK, stream.Write(data.data(), c.written, &written));
    ASSERT_EQ(S_OK, stream.Seek(c.position, TZ_STREAM_SEEK_SET, nullptr));
    EXPECT_EQ(c.result, TzSetMetricStream(store_, 20, &stream)) << c.position;
    if (c.result != S_OK) continue;
    tz::core::MemoryStream back;
    ASSERT_EQ(S_OK, back.Write("xyzxyz", 6, &written));
    EXPECT_EQ(S_OK, TzGetMetricStream(store_, 20, &back));
    size_t n = static_cast<size_t>(c.position);
    ASSERT_EQ(std::max<size_t>(n, 6), back.bytes().size());
    EXPECT_EQ(0, std::memcmp(back.bytes().data(), data.data(), n));
  }
  FailingStream failing;
  EXPECT_EQ(E_POINTER, TzSetMetricStream(store_, 20, nullptr));
  EXPECT_EQ(E_FAIL, TzSetMetricStream(store_, 20, &failing));
  failing.seekResult = S_OK;  // position 0 as left by the failing seek
  EXPECT_EQ(E_UNEXPECTED, TzSetMetricStream(store_, 20, &failing));
  EXPECT_EQ(E_UNEXPECTED, TzGetMetricStream(store_, 21, &failing));  // nothing stored
  EXPECT_EQ(E_UNEXPECTED, TzGetMetricStream(store_, 20, &failing));  // short write
}

}  // namespace
