// The extended dialog template reader on any bytes: it never reads outside them, and a
// template it accepts, written again, reads back equal and writes the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "support/platform/dialog_template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly size bytes, so that the sanitizer sees a read one past the end.
  const std::vector<uint8_t> bytes(data, data + size);
  tz::platform::DialogTemplate dialog;
  if (readDialogTemplate(bytes.data(), bytes.size(), dialog) !=
      tz::platform::DialogTemplateStatus::Ok)
    return 0;
  const std::vector<uint8_t> written = tz::platform::writeDialogTemplate(dialog);
  tz::platform::DialogTemplate again;
  if (readDialogTemplate(written.data(), written.size(), again) !=
          tz::platform::DialogTemplateStatus::Ok ||
      again != dialog || tz::platform::writeDialogTemplate(again) != written)
    std::abort();
  return 0;
}
