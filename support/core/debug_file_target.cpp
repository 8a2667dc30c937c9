#include "support/core/debug_file_target.h"

#include <string>
#include <utility>

#include "support/core/utf8_pieces.h"
#include "support/platform/profile_file.h"
#include "support/platform/text_encoding.h"

namespace tz::core {
namespace {

constexpr size_t kLongestPath = 259;  // UTF-16 units, as the original path buffer holds
constexpr uint32_t kSerialBaudRate = 115200;

}  // namespace

void DebugFileTarget::choose() {
  const std::string path = platform::readProfileString("Debug", "LogToFilePath", "COM1");
  if (path.empty()) return;
  chosen_ = true;
  // A longer path is not cut: the cut name could be another file.
  if (platform::utf16FromUtf8(path).size() > kLongestPath) return;
  platform::DeviceFileResult opened = platform::DeviceFile::open(path);
  if (path == "COM1") {
    if (!opened.file.isOpen()) opened = platform::DeviceFile::open("AUX");
    if (opened.file.isOpen()) opened.file.setSerialLine(kSerialBaudRate);
  }
  file_ = std::move(opened.file);
  // Decimal as a signed 32-bit number: codes from 2^31 up, which read back data, would be
  // refused anyway.
  controlCode_ = static_cast<DWORD>(platform::readProfileInt("Debug", "DeviceIoctl", 0));
}

HRESULT DebugFileTarget::send(std::u16string_view text, bool newline) {
  if (!chosen_) choose();
  if (!file_.isOpen()) return TZ_E_FILENOTOPENED;
  const std::string_view lineEnd = !newline ? "" : controlCode_ != 0 ? "\n" : "\r\n";
  Utf8Pieces pieces(text, lineEnd);
  HRESULT result = S_OK;
  for (std::string_view piece = pieces.next(); !piece.empty(); piece = pieces.next()) {
    const platform::PlatformError error =
        controlCode_ != 0 ? file_.deviceControl(controlCode_, piece) : file_.write(piece);
    if (controlCode_ != 0 && error == platform::PlatformError::AccessDenied) {
      result = E_ACCESSDENIED;
    } else if (error == platform::PlatformError::Busy) {
      // The rest is dropped too, so a reader never sees a message with a hole in it.
      return result == S_OK ? S_FALSE : result;
    } else if (!platform::succeeded(error) && result == S_OK) {
      result = S_FALSE;
    }
  }
  return result;
}

}  // namespace tz::core
