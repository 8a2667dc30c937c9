// Every piece of a line goes through the bounded formatter, so no caller's text or number
// writes past its buffer.
#include "support/core/log_line.h"

#include <atomic>
#include <initializer_list>

#include "support/core/wide_format.h"
#include "support/platform/text_encoding.h"
#include "tz/log.h"

namespace tz::core {
namespace {

// Tag, time stamp (at most 6 numbers of 11 characters) and a source name of at most 255.
constexpr size_t kPrefixCapacity = 384;

std::atomic<LocalTimeSource> logClock{nullptr};

std::u16string_view tagOf(uint32_t level) {
  switch (level & 0xFFFF) {
    case CLog::LOG_ERROR:
      return u"ERR ";
    case CLog::LOG_WARNING:
      return u"WARN";
    case CLog::LOG_INFO:
      return u"INFO";
    case CLog::LOG_DEBUG:
      return u"DBG ";
    default:
      return u"????";
  }
}

// The name after the last path separator; null stays null and prints as "(null)".
const char16_t* fileNameOf(const char16_t* path) {
  if (path == nullptr) return nullptr;
  const char16_t* name = path;
  for (const char16_t* c = path; *c != 0; ++c)
    if (*c == u'\\' || *c == u'/') name = c + 1;
  return name;
}

void formatTyped(WideSink& sink, std::u16string_view format,
                 std::initializer_list<FormatArgument> values) {
  ArrayArguments args({values.begin(), values.size()});
  formatWide(sink, format, args);
}

void writePrefix(WideSink& sink, uint32_t flags, const LogLineSource& source) {
  sink.append(tagOf(source.level));
  if (flags & CLog::LOG_TIMESTAMP) {
    const LocalTimeSource clock = logClock.load(std::memory_order_acquire);
    const platform::LocalTime t = clock != nullptr ? clock() : platform::localTimeNow();
    formatTyped(sink, u" %02d-%02d-%02d %02d:%02d:%02d ",
                {t.year, t.month, t.day, t.hour, t.minute, t.second});
  }
  // A name longer than any file system allows is cut, so that the line number still shows.
  if (flags & CLog::LOG_SOURCE)
    formatTyped(sink, u"%15.255s(%4d): ", {fileNameOf(source.sourceFile), source.line});
}

}  // namespace

std::string composeLogLine(uint32_t flags, const LogLineSource& source, std::u16string_view format,
                           FormatArguments& args) {
  char16_t prefix[kPrefixCapacity];
  WideSink prefixSink(prefix, kPrefixCapacity);
  writePrefix(prefixSink, flags, source);

  char16_t message[kLogMessageCapacity];
  WideSink messageSink(message, kLogMessageCapacity);
  formatWide(messageSink, format, args);
  // The message goes out as text, which ends at its first terminator.
  std::u16string_view text = messageSink.text();
  text = text.substr(0, text.find(u'\0'));

  std::string line = platform::utf8FromUtf16(prefixSink.text());
  line += platform::utf8FromUtf16(text);
  line += '\n';
  return line;
}

void setLogClockForTesting(LocalTimeSource clock) {
  logClock.store(clock, std::memory_order_release);
}

}  // namespace tz::core
