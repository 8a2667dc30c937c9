#include "help_engine.h"

#include <windows.h>

namespace tz::test {

void quitHelpEngine() {
  WinHelpW(GetDesktopWindow(), L"", HELP_QUIT, 0);
}

}  // namespace tz::test
