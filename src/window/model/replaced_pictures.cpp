#include "window/model/replaced_pictures.h"

#include <utility>

namespace filters {

std::size_t HeldPicture::Bytes() const {
  // An image not drawn on shares the picture's pixels.
  const bool shared = image.constBits() == picture.constBits();
  return static_cast<std::size_t>(picture.sizeInBytes()) +
         (shared ? 0 : static_cast<std::size_t>(image.sizeInBytes())) + history.Bytes();
}

std::size_t ReplacedPictures::Bytes() const {
  std::size_t bytes = 0;
  for (const auto* side : {&earlier_, &later_})
    for (const HeldPicture& held : *side) bytes += held.Bytes();
  return bytes;
}

bool ReplacedPictures::Replaced(HeldPicture&& replaced) noexcept {
  later_.clear();
  const std::size_t bytes = replaced.Bytes();
  if (bytes > limits_.maxBytes) {
    earlier_.clear();
    return false;
  }
  try {
    earlier_.push_back(std::move(replaced));
  } catch (...) {
    earlier_.clear();
    return false;
  }
  while (static_cast<int>(earlier_.size()) > limits_.maxSteps || Bytes() > limits_.maxBytes)
    earlier_.erase(earlier_.begin());
  return true;
}

HeldPicture ReplacedPictures::Back(HeldPicture&& shown) {
  HeldPicture earlier = std::move(earlier_.back());
  earlier_.pop_back();
  later_.push_back(std::move(shown));
  return earlier;
}

HeldPicture ReplacedPictures::Forward(HeldPicture&& shown) {
  HeldPicture later = std::move(later_.back());
  later_.pop_back();
  earlier_.push_back(std::move(shown));
  return later;
}

}  // namespace filters
