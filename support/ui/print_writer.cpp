// The formatted print's reader: ordinary characters, the escapes "$$", "%%" and "$%", the
// parenthesised tokens and numbers, and the conversions, which print_conversions.cpp writes.
#include "support/ui/print_writer.h"

#include <string>

#include "support/ui/print_conversions.h"
#include "support/ui/print_tokens.h"

namespace tz::ui {
namespace {

constexpr size_t kMaxTokenName = 260;

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// "$(" then a number: its digits, "." and "," run to ")". The number is written grouped for
// the locale with the decimals it has; its own group separators are dropped first, since the
// locale formatter would read the first one as the end of the number.
size_t writeParenthesisedNumber(std::u16string_view format, size_t start, core::WideSink& sink) {
  size_t end = start + 3;
  while (end < format.size() && end - start - 2 < kMaxTokenName &&
         (isDigit(format[end]) || format[end] == u'.' || format[end] == u','))
    ++end;
  if (end >= format.size() || format[end] != u')') {
    sink.append(format.substr(start, end - start));
    return end;
  }
  std::u16string number;
  for (char16_t c : format.substr(start + 2, end - start - 2))
    if (c != u',') number += c;
  appendLocaleNumber(sink, number, -1);
  return end + 1;
}

// "$(" then a token name, which runs to ")": the token's value, or the reference unchanged.
size_t writeParenthesisedToken(std::u16string_view format, size_t start, core::WideSink& sink) {
  const size_t nameStart = start + 2;
  size_t end = nameStart;
  while (end < format.size() && format[end] != u')' && end - nameStart < kMaxTokenName) ++end;
  if (end >= format.size() || format[end] != u')') {
    sink.append(format.substr(start, end - start));
    return end;
  }
  const std::u16string_view name = format.substr(nameStart, end - nameStart);
  if (!writePrintToken(name, sink)) sink.append(format.substr(start, end + 1 - start));
  return end + 1;
}

}  // namespace

size_t printF(core::WideSink& sink, std::u16string_view format, core::FormatArguments& args) {
  size_t i = 0;
  while (i < format.size()) {
    const char16_t c = format[i];
    if (c != u'$' && c != u'%') {
      sink.put(c);
      ++i;
      continue;
    }
    const char16_t next = i + 1 < format.size() ? format[i + 1] : u'\0';
    if (next == u'%' || (c == u'$' && next == u'$')) {
      sink.put(next);
      i += 2;
    } else if (c == u'$' && next == u'(') {
      const char16_t first = i + 2 < format.size() ? format[i + 2] : u'\0';
      i = isDigit(first) || first == u'-' || first == u'.'
              ? writeParenthesisedNumber(format, i, sink)
              : writeParenthesisedToken(format, i, sink);
    } else {
      i = writeConversion(format, i, args, sink);
    }
  }
  return sink.length();
}

size_t expandPrintTokens(core::WideSink& sink, std::u16string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == u'$' && i + 1 < text.size() && text[i + 1] == u'(') {
      i = writeParenthesisedToken(text, i, sink);
    } else {
      sink.put(text[i++]);
    }
  }
  return sink.length();
}

size_t printF(char16_t* buffer, size_t capacity, std::u16string_view format,
              std::initializer_list<core::FormatArgument> args) {
  core::WideSink sink(buffer, capacity);
  core::ArrayArguments source({args.begin(), args.size()});
  return printF(sink, format, source);
}

}  // namespace tz::ui
