// Message composition: a first pass learns what each insert number takes, so that variadic
// arguments are read exactly once and in order; a second pass writes the text.
#include "support/ui/compose_message.h"

#include <array>
#include <optional>
#include <string>

#include "support/core/wide_format.h"

namespace tz::ui {
namespace {

constexpr size_t kMaxInserts = 99;

using Kind = core::FormatArgument::Kind;

struct Insert {
  size_t number = 0;  // 1..99
  size_t end = 0;     // index after the insert
  core::ConversionSpec conversion;
  bool wellFormed = false;
};

// Inserts take no "*" values and no floating point.
std::optional<Kind> kindOf(const core::ConversionSpec& conversion) {
  if (conversion.widthFromArgument || conversion.precisionFromArgument) return std::nullopt;
  const Kind kind = core::argumentKind(conversion);
  if (kind == Kind::Double) return std::nullopt;
  return kind;
}

// The insert whose "%" is at tmpl[i] and whose first digit follows it.
Insert readInsert(std::u16string_view tmpl, size_t i) {
  Insert insert;
  size_t k = i + 1;
  insert.number = tmpl[k++] - u'0';
  if (k < tmpl.size() && tmpl[k] >= u'0' && tmpl[k] <= u'9')
    insert.number = insert.number * 10 + (tmpl[k++] - u'0');
  insert.end = k;
  std::u16string text = u"%s";
  if (k < tmpl.size() && tmpl[k] == u'!') {
    const size_t close = tmpl.find(u'!', k + 1);
    if (close == std::u16string_view::npos) return insert;  // written as it stands
    text = u"%" + std::u16string(tmpl.substr(k + 1, close - k - 1));
    insert.end = close + 1;
  }
  insert.wellFormed = core::parseConversion(text, insert.conversion) == text.size() &&
                      kindOf(insert.conversion).has_value();
  return insert;
}

bool opensInsert(std::u16string_view tmpl, size_t i) {
  return tmpl[i] == u'%' && i + 1 < tmpl.size() && tmpl[i + 1] >= u'1' && tmpl[i + 1] <= u'9';
}

// Reads arguments 1 up to the highest insert number, each as its first well-formed insert
// takes it; a number no insert uses stands for one 32-bit argument.
size_t readArguments(std::u16string_view tmpl, core::FormatArguments& args,
                     std::array<std::optional<core::FormatArgument>, kMaxInserts>& values) {
  std::array<std::optional<Kind>, kMaxInserts> kinds;
  size_t highest = 0;
  for (size_t i = 0; i < tmpl.size(); ++i) {
    if (tmpl[i] == u'%' && i + 1 < tmpl.size() && tmpl[i + 1] == u'0') break;
    if (tmpl[i] == u'%' && i + 1 < tmpl.size() && !opensInsert(tmpl, i)) {
      ++i;  // "%%" and the other escapes
      continue;
    }
    if (!opensInsert(tmpl, i)) continue;
    const Insert insert = readInsert(tmpl, i);
    if (!insert.wellFormed) continue;
    highest = std::max(highest, insert.number);
    if (!kinds[insert.number - 1]) kinds[insert.number - 1] = kindOf(insert.conversion);
    i = insert.end - 1;
  }
  for (size_t n = 0; n < highest; ++n) {
    switch (kinds[n].value_or(Kind::Int32)) {
      case Kind::Int64:
        values[n].emplace(args.nextInt64());
        break;
      case Kind::WideText:
        values[n].emplace(args.nextWideText());
        break;
      case Kind::NarrowText:
        values[n].emplace(args.nextNarrowText());
        break;
      default:
        values[n].emplace(args.nextInt32());
        break;
    }
  }
  return highest;
}

}  // namespace

size_t composeMessage(core::WideSink& sink, std::u16string_view tmpl, core::FormatArguments& args) {
  std::array<std::optional<core::FormatArgument>, kMaxInserts> values;
  readArguments(tmpl, args, values);
  for (size_t i = 0; i < tmpl.size();) {
    if (tmpl[i] != u'%' || i + 1 >= tmpl.size()) {
      sink.put(tmpl[i++]);
      continue;
    }
    const char16_t next = tmpl[i + 1];
    if (next == u'0') break;
    if (!opensInsert(tmpl, i)) {
      if (next == u'n')
        sink.append(u"\r\n");
      else
        sink.put(next == u'r' ? u'\r' : next == u't' ? u'\t' : next);
      i += 2;
      continue;
    }
    const Insert insert = readInsert(tmpl, i);
    if (insert.wellFormed && values[insert.number - 1]) {
      core::ArrayArguments one({&*values[insert.number - 1], 1});
      core::formatConversion(insert.conversion, one, sink);
    } else {
      sink.append(tmpl.substr(i, insert.end - i));
    }
    i = insert.end;
  }
  return sink.length();
}

}  // namespace tz::ui
