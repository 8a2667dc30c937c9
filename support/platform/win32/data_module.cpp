// Data modules: the file mapped as an image for its resources alone (LOAD_LIBRARY_AS_DATAFILE:
// no code runs, nothing it imports is loaded) after its whole resource section has been checked,
// so that the resource calls never meet a damaged tree. The mapping keeps the file from being
// changed while it is loaded.
#include "support/platform/data_module.h"

#include <utility>

#include "support/platform/pe_image.h"
#include "support/platform/win32/module_files.h"

namespace tz::platform {

PlatformError DataModule::load(std::string_view path) {
  HMODULE module = nullptr;
  const PlatformError opened = loadDataFile(path, kMaxDataModuleBytes, module);
  if (opened != PlatformError::Success) return opened;
  PeImage image;
  const PlatformError checked =
      readPeImage(imageBase(module), image) ? checkPeResources(image) : PlatformError::BadFormat;
  if (checked != PlatformError::Success) {
    FreeLibrary(module);
    return checked;
  }
  unload();
  instance_ = module;
  return PlatformError::Success;
}

void DataModule::unload() {
  if (instance_ != nullptr)
    FreeLibrary(static_cast<HMODULE>(const_cast<void*>(std::exchange(instance_, nullptr))));
}

}  // namespace tz::platform
