#include "support/ui/window_layout.h"

#include <atomic>

namespace tz::ui {

namespace {

std::atomic<bool> rightToLeftLayout{false};

}  // namespace

void setDefaultLayoutRightToLeft(bool rightToLeft) {
  rightToLeftLayout.store(rightToLeft);
}

bool defaultLayoutIsRightToLeft() {
  return rightToLeftLayout.load();
}

}  // namespace tz::ui
