#include "standins/loopra70/driver_library.h"

namespace tz::host {

std::string DriverLibrary::besideProgram() {
  // The platform layer is linked into the program, so its own path is the program's.
  std::string path = tz::platform::currentModulePath();
  const size_t separator = path.find_last_of("/\\");
  // The program's own separator, since Windows paths may not mix them.
  const char slash = separator == std::string::npos ? '/' : path[separator];
  path.erase(separator == std::string::npos ? 0 : separator + 1);
  return path + "Audio Hardware Drivers" + slash + "LoopraReWire" + tz::platform::kLibrarySuffix;
}

bool DriverLibrary::load(const std::string& path, std::string& error) {
  const tz::platform::PlatformError status = module_.loadFromPath(path);
  if (!succeeded(status)) {
    // The loader's message starts with the path itself.
    std::string message = tz::platform::lastLoadMessage();
    if (message.rfind(path + ": ", 0) == 0) message.erase(0, path.size() + 2);
    error = "cannot load " + path + " (error " + std::to_string(static_cast<uint32_t>(status)) +
            "): " + message;
    return false;
  }
  createDriverClass =
      reinterpret_cast<CreateDriverClassProc>(module_.symbol("TzAudioDriver_CreateDriverClass"));
  translateDriver =
      reinterpret_cast<TranslateDriverProc>(module_.symbol("TzAudioDriver_TranslateDriver"));
  if (createDriverClass == nullptr || translateDriver == nullptr) {
    error =
        path + " is no audio driver: it lacks " +
        (createDriverClass ? "TzAudioDriver_TranslateDriver" : "TzAudioDriver_CreateDriverClass");
    return false;
  }
  return true;
}

}  // namespace tz::host
