// The time text's strings in the module's language, and the label tokens built from them and
// the library's separators.
#include "support/time/time_labels.h"

#include <vector>

#include "support/core/format_arguments.h"
#include "support/lang/lang_context.h"
#include "support/resources/support_strings.h"
#include "support/time/locale_separators.h"
#include "support/ui/print_tokens.h"
#include "support/ui/print_writer.h"

namespace tz::time {
namespace {

// The same texts as the library's English table, for code linked without it.
constexpr lang::EnglishString kEnglish[] = {
    {IDS_TIME_ERROR, u"Err."},
    {IDS_TIME_INFINITE, u"-Inf."},
    {IDS_LABEL_SMPTE, u"hr%smn%ssc%sfr"},
    {IDS_LABEL_SMPTE_FULL, u"hours%sminutes%sseconds%sframes"},
    {IDS_LABEL_MUSIC_TIME, u"ms%sbt%stk"},
    {IDS_LABEL_MUSIC_TIME_FULL, u"measures%sbeats%sticks"},
};

using Id = LibrarySeparatorId;

struct LabelToken {
  const char16_t* name;
  UINT id;
  Id fills[3];
  size_t fillCount;
};

constexpr LabelToken kLabelTokens[] = {
    {u"SMPTE.Label.NonDrop",
     IDS_LABEL_SMPTE,
     {Id::SmpteWhole, Id::SmpteWhole, Id::SmpteNonDrop},
     3},
    {u"SMPTE.Label.Drop", IDS_LABEL_SMPTE, {Id::SmpteWhole, Id::SmpteWhole, Id::SmpteDrop}, 3},
    {u"SMPTE.Label.NonDrop.Full",
     IDS_LABEL_SMPTE_FULL,
     {Id::SmpteWhole, Id::SmpteWhole, Id::SmpteNonDrop},
     3},
    {u"SMPTE.Label.Drop.Full",
     IDS_LABEL_SMPTE_FULL,
     {Id::SmpteWhole, Id::SmpteWhole, Id::SmpteDrop},
     3},
    {u"MusicTime.Label", IDS_LABEL_MUSIC_TIME, {Id::MeasuresBeats, Id::BeatsTicks}, 2},
    {u"MusicTime.Label.Full", IDS_LABEL_MUSIC_TIME_FULL, {Id::MeasuresBeats, Id::BeatsTicks}, 2},
};

}  // namespace

const char16_t* timeTextString(UINT id) {
  return lang::moduleStringOrEnglish(id, kEnglish);
}

std::u16string fillLabelTemplate(std::u16string_view labelTemplate,
                                 std::span<const char16_t* const> fills) {
  std::u16string format;
  std::vector<core::FormatArgument> args;
  size_t capacity = labelTemplate.size() + 1;
  for (size_t i = 0; i < labelTemplate.size(); ++i) {
    const char16_t c = labelTemplate[i];
    const char16_t next = i + 1 < labelTemplate.size() ? labelTemplate[i + 1] : u'\0';
    if (c == u'%' && (next == u'%' || (next == u's' && args.size() < fills.size()))) {
      if (next == u's') {
        args.emplace_back(fills[args.size()]);
        capacity += std::u16string_view(args.back().wide).size();
      }
      format += {c, next};
      ++i;
    } else {
      if (c == u'%' || c == u'$') format += c;  // doubled, so written as it stands
      format += c;
    }
  }
  std::u16string filled(capacity, u'\0');
  core::WideSink sink(filled.data(), filled.size());
  core::ArrayArguments source(args);
  filled.resize(ui::printF(sink, format, source));
  return filled;
}

void registerTimeLabelTokens() {
  for (const LabelToken& token : kLabelTokens) {
    const char16_t* fills[3] = {};
    for (size_t i = 0; i < token.fillCount; ++i) fills[i] = librarySeparator(token.fills[i]);
    ui::addPrintToken(token.name,
                      fillLabelTemplate(timeTextString(token.id), {fills, token.fillCount}));
  }
}

}  // namespace tz::time
