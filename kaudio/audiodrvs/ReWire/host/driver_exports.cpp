// The two exports through which the host reaches the driver.
#include "kaudio/audiodrvs/ReWire/host/driver_class.h"
#include "support/lang/lang_context.h"
#include "support/ui/help_file_paths.h"

TZAPI(HRESULT) TzAudioDriver_CreateDriverClass(IAudioClass** driverClass, DWORD) {
  return tz::rewire::CReWireAudioClass::create(driverClass);
}

TZAPI(HRESULT) TzAudioDriver_TranslateDriver(LCID locale) {
  const BOOL english = TzLang_IsLCIDEnglish(locale);
  TzLang_UpdateKernelLCID(tz::lang::moduleLanguage(), locale, english ? 0 : 1);
  if (english) return S_OK;
  for (int index = 0; index < tz::ui::kHelpFileCount; ++index)
    tz::ui::setHelpFilePath(index, tz::ui::createHelpFilePath(index));
  return S_OK;
}
