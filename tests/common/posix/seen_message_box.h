// A message box as its user sees it: without a display, what it writes to standard error.
#pragma once

#include <stdio.h>
#include <unistd.h>

#include <string>

#include "support/platform/message_box.h"
#include "tests/common/scratch_folder.h"

namespace tz::test {

// Boxes here are text on standard error, answered by their default button.
constexpr bool kBoxesOnScreen = false;

struct SeenBox {
  std::string shown;  // UTF-8
  int button = 0;
};

// Shows box and returns what it showed and its answer; nobody can press a button here.
inline SeenBox showAndAnswer(const platform::MessageBox& box, int /*press*/) {
  ScratchFolder folder;
  const auto path = folder.path / "stderr.txt";
  fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  FILE* file = fopen(path.c_str(), "w");
  if (file == nullptr || saved < 0) return {};
  dup2(fileno(file), STDERR_FILENO);
  SeenBox seen;
  seen.button = platform::showMessageBox(box);
  dup2(saved, STDERR_FILENO);
  close(saved);
  fclose(file);
  seen.shown = readFile(path);
  return seen;
}

}  // namespace tz::test
