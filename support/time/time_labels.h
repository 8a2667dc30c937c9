// The time text's own strings: the labels of failed and unbounded values, and the print tokens
// that name the fields of SMPTE and music time ("$(MusicTime.Label)" is "ms.bt.tk").
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "tz/win_types.h"

namespace tz::time {

// String id of the library's own tables in the module's current language; the English text
// when the module has no language context or the id no text (a test program, say).
const char16_t* timeTextString(UINT id);

// A label template with its first fills.size() "%s" replaced by the fills. The template is a
// translated text, so every other "%" or "$" in it is written as it stands ("%%" stays one
// "%"): it can never take an argument that is not there.
std::u16string fillLabelTemplate(std::u16string_view labelTemplate,
                                 std::span<const char16_t* const> fills);

// Publishes the label tokens in the module's current language. Called at load and again after
// every switch of the module's language, which the tokens follow.
void registerTimeLabelTokens();

}  // namespace tz::time
