// What the backends' sections share: moving sections and views.
#include "support/platform/shared_section.h"

#include <utility>

namespace tz::platform {

SectionView::SectionView(SectionView&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      reference_(std::exchange(other.reference_, -1)) {}

SectionView& SectionView::operator=(SectionView&& other) noexcept {
  if (this != &other) {
    unmap();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    reference_ = std::exchange(other.reference_, -1);
  }
  return *this;
}

SharedSection::SharedSection(SharedSection&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), size_(std::exchange(other.size_, 0)) {}

SharedSection& SharedSection::operator=(SharedSection&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, -1);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

}  // namespace tz::platform
