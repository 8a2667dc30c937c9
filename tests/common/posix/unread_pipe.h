// A pipe with a reader that never reads, by a path that DeviceFile opens: its buffer fills and
// a writer that waited would wait forever.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/common/scratch_folder.h"

namespace tz::test {

class UnreadPipe {
 public:
  UnreadPipe() {
    if (mkfifo(path().c_str(), 0600) != 0) abort();
    reader_ = open(path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (reader_ < 0) abort();
  }
  UnreadPipe(const UnreadPipe&) = delete;
  UnreadPipe& operator=(const UnreadPipe&) = delete;
  ~UnreadPipe() { close(reader_); }

  std::string path() const { return (folder_.path / "pipe").string(); }

 private:
  ScratchFolder folder_;
  int reader_ = -1;
};

}  // namespace tz::test
