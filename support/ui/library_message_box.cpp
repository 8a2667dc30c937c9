#include "support/ui/library_message_box.h"

#include "support/platform/message_box.h"
#include "support/ui/print_tokens.h"
#include "support/ui/print_writer.h"

namespace tz::ui {

int showLibraryMessageBox(HWND owner, UINT style, const WCHAR* text, const WCHAR* details) {
  WCHAR title[128];
  core::WideSink sink(title, std::size(title));
  expandPrintTokens(sink, u"$(AppName)");
  return platform::showMessageBox({owner, title, text != nullptr ? text : u"", details, style});
}

}  // namespace tz::ui
