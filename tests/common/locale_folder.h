// UTF-8 locales ("de_DE") compiled into a scratch folder that LOCPATH names meanwhile, so that
// the machine need not have them installed.
#pragma once

#include <stdlib.h>

#include <initializer_list>
#include <string>

#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"

namespace tz::test {

class LocaleFolder {
 public:
  explicit LocaleFolder(std::initializer_list<const char*> names) {
    for (const std::string name : names)
      system(("localedef -i " + name + " -f UTF-8 '" + (folder_.path / name).string() +
              ".UTF-8' >/dev/null 2>&1")
                 .c_str());
  }

 private:
  ScratchFolder folder_;
  ScopedEnv locpath_{"LOCPATH", folder_.path.string()};
};

}  // namespace tz::test
