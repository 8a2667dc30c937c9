// DIALOG and DIALOGEX statements: the rectangle, the options before BEGIN and the controls.
// Both become the extended template (dialog_template.h), so that one reader serves every
// dialog; a plain DIALOG's font gets weight 0, not italic, DEFAULT_CHARSET, as DIALOGEX
// without those operands.
//
// Styles follow the original resource compiler: without STYLE a dialog is WS_POPUP |
// WS_BORDER | WS_SYSMENU; STYLE replaces that; CAPTION adds WS_CAPTION and FONT adds
// DS_SETFONT. A control's style is its keyword's default style and WS_CHILD | WS_VISIBLE,
// with the statement's terms ORed in and NOT terms cleared.
#pragma once

#include <cstdint>

#include "support/platform/dialog_template.h"
#include "support/platform/tzrc/statement_reader.h"

namespace tz::tzrc {

// Reads the statement from after its type keyword to its END. language is the resource's
// language, which a LANGUAGE option changes.
platform::DialogTemplate readDialogStatement(StatementReader& in, bool extended,
                                             uint16_t& language);

}  // namespace tz::tzrc
