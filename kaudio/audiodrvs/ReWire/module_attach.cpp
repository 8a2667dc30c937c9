#include "kaudio/audiodrvs/ReWire/module_attach.h"

#include "support/audio/cpu_support_internal.h"
#include "support/lang/lang_context.h"
#include "support/platform/resources.h"
#include "support/time/locale_separators.h"
#include "support/time/time_labels.h"
#include "support/time/timer_internal.h"
#include "support/ui/help_file_paths.h"
#include "support/ui/print_tokens.h"

namespace tz::rewire {

void attachModule() {
  audio::initializeCpuSupport();
  time::initializeTimers(4);
  time::lateInitializeTimers();
  const void* image = platform::imageOf(reinterpret_cast<const void*>(&attachModule));
  lang::openModuleLanguage(static_cast<HINSTANCE>(const_cast<void*>(image)));
  for (int index = 0; index < ui::kHelpFileCount; ++index)
    ui::setHelpFilePath(index, ui::createHelpFilePath(index));
  time::localeSeparators();
  ui::registerLibraryPrintTokens();
  time::registerTimeLabelTokens();
  lang::setModuleLanguageListener(&time::registerTimeLabelTokens);
}

void detachModule() {
  lang::setModuleLanguageListener(nullptr);
  ui::releasePrintTokens();
  lang::closeModuleLanguage();
}

}  // namespace tz::rewire
