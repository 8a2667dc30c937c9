// The audio driver as the host loads it: a library in the "Audio Hardware Drivers" folder
// beside the program, or at a given path, with its two exports looked up by name.
#pragma once

#include <string>

#include "support/platform/module.h"
#include "tz/audio_driver.h"

namespace tz::host {

class DriverLibrary {
 public:
  using CreateDriverClassProc = decltype(&TzAudioDriver_CreateDriverClass);
  using TranslateDriverProc = decltype(&TzAudioDriver_TranslateDriver);

  // <this program's folder>/Audio Hardware Drivers/LoopraReWire.so (.dll on Windows)
  static std::string besideProgram();

  // On failure `error` says why in one line: the loader's words, or the missing export.
  bool load(const std::string& path, std::string& error);
  std::string path() const { return module_.path(); }

  CreateDriverClassProc createDriverClass = nullptr;
  TranslateDriverProc translateDriver = nullptr;

 private:
  tz::platform::Module module_;
};

}  // namespace tz::host
