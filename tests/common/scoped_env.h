// An environment variable set for the object's lifetime; the value it had before, or its
// absence, comes back at the end.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

#include "environment_variable.h"

namespace tz::test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = getenv(name)) before_ = old;
    setEnvironmentVariable(name, value.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() {
    if (before_)
      setEnvironmentVariable(name_.c_str(), before_->c_str());
    else
      removeEnvironmentVariable(name_.c_str());
  }

 private:
  std::string name_;
  std::optional<std::string> before_;
};

}  // namespace tz::test
