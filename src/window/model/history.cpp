#include "window/model/history.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace filters {

namespace {

// Unchanged pixels between two changes are kept in one span as long as that
// costs less than a span of its own (three pixels' worth).
constexpr int MergeGap = 1 + sizeof(std::int32_t) * 3 / sizeof(QRgb);

bool Comparable(const QImage& a, const QImage& b) {
  return !a.isNull() && a.size() == b.size() && a.format() == b.format() && a.depth() == 32;
}

// fn(y, x, length) for each span of changed pixels, row by row, left to
// right, until it returns false.
template <class Fn>
void ForEachChangedSpan(const QImage& before, const QImage& after, Fn&& fn) {
  if (before.constBits() == after.constBits()) return;  // still the same pixels
  const int width = before.width();
  for (int y = 0; y < before.height(); ++y) {
    const auto* b = reinterpret_cast<const QRgb*>(before.constScanLine(y));
    const auto* a = reinterpret_cast<const QRgb*>(after.constScanLine(y));
    if (std::memcmp(b, a, std::size_t(width) * sizeof(QRgb)) == 0) continue;
    for (int x = 0; x < width; ++x) {
      if (b[x] == a[x]) continue;
      int last = x;
      for (int k = x + 1; k < width && k - last <= MergeGap; ++k)
        if (b[k] != a[k]) last = k;
      if (!fn(y, x, last - x + 1)) return;
      x = last;
    }
  }
}

}  // namespace

std::size_t History::Step::Bytes() const {
  if (!whole.isNull()) return static_cast<std::size_t>(whole.sizeInBytes());
  return spans.size() * sizeof(Span) + pixels.size() * sizeof(QRgb);
}

void History::Step::Swap(QImage& image) {
  if (!whole.isNull()) return std::swap(image, whole);
  QRgb* other = pixels.data();
  for (const Span& s : spans) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(s.y)) + s.x;
    std::swap_ranges(line, line + s.length, other);
    other += s.length;
  }
}

History::Step History::MakeStep(const QImage& before, const QImage& after) {
  Step step;
  step.size = after.size();
  if (!Comparable(before, after)) {
    step.whole = before;
    return step;
  }
  // Counted only until the spans would hold more than the whole picture: a
  // run that changed most of it is known as soon as that is so.
  const auto whole = static_cast<std::size_t>(before.sizeInBytes());
  std::size_t spans = 0, pixels = 0;
  const auto bytes = [&] { return spans * sizeof(Span) + pixels * sizeof(QRgb); };
  ForEachChangedSpan(before, after, [&](int, int, int length) {
    ++spans;
    pixels += std::size_t(length);
    return bytes() < whole;
  });
  if (bytes() >= whole) {
    step.whole = before;
    return step;
  }
  step.spans.reserve(spans);
  step.pixels.reserve(pixels);
  ForEachChangedSpan(before, after, [&](int y, int x, int length) {
    step.spans.push_back({y, x, length});
    const auto* line = reinterpret_cast<const QRgb*>(before.constScanLine(y)) + x;
    step.pixels.insert(step.pixels.end(), line, line + length);
    return true;
  });
  return step;
}

void History::BeginRun(const QImage& current) {
  if (depth_++ > 0) return;
  steps_.erase(steps_.begin() + done_, steps_.end());
  before_ = current;
}

History::Prepared::Prepared() = default;
History::Prepared::~Prepared() = default;
History::Prepared::Prepared(Prepared&&) noexcept = default;
History::Prepared& History::Prepared::operator=(Prepared&&) noexcept = default;

History::Prepared History::Prepare(const QImage& before, const QImage& after) {
  Prepared prepared;
  prepared.before_ = before;
  prepared.after_ = after;
  try {
    if (before.size() == after.size()) prepared.step_ = std::make_unique<Step>(MakeStep(before, after));
  } catch (const std::bad_alloc&) {
    // Made by EndRun then, which knows what to do without memory for it.
  }
  return prepared;
}

void History::EndRun(const QImage& current) noexcept { EndRun(current, nullptr); }

void History::EndRun(const QImage& current, Prepared&& prepared) noexcept { EndRun(current, &prepared); }

void History::EndRun(const QImage& current, Prepared* prepared) noexcept {
  if (depth_ == 0 || --depth_ > 0) return;
  // Pictures are the same while their pixels are the same buffer.
  const auto same = [](const QImage& a, const QImage& b) {
    return a.constBits() == b.constBits() && a.size() == b.size();
  };
  const bool ready = prepared && prepared->step_ && same(prepared->before_, before_) && same(prepared->after_, current);
  try {
    if (before_.size() != current.size()) {
      // The picture changed size without a load saying so: no step can undo it.
      steps_.clear();
    } else {
      steps_.push_back(ready ? std::move(*prepared->step_) : MakeStep(before_, current));
      while (static_cast<int>(steps_.size()) > limits_.maxSteps || (steps_.size() > 1 && Bytes() > limits_.maxBytes))
        steps_.erase(steps_.begin());
    }
  } catch (...) {
    steps_.clear();  // no memory for the step: the history goes, the picture stays
  }
  done_ = static_cast<int>(steps_.size());
  before_ = QImage();
}

void History::Clear(const QImage& current) {
  steps_.clear();
  done_ = 0;
  if (depth_ > 0) before_ = current;
}

std::size_t History::Bytes() const {
  std::size_t bytes = 0;
  for (const Step& s : steps_) bytes += s.Bytes();
  return bytes;
}

bool History::Take(int index, QImage& image) {
  Step& step = steps_[static_cast<std::size_t>(index)];
  if (image.size() != step.size) return false;
  if (step.whole.isNull()) {
    if (image.depth() != 32) return false;
    if (!image.isDetached()) {
      // Pixels shared with another holder are copied first; without memory for
      // that, the picture stays as it is and the window says why.
      QImage own = image.copy();
      if (own.isNull()) throw std::bad_alloc();
      image = std::move(own);
    }
  }
  step.Swap(image);
  return true;
}

bool History::Undo(QImage& image) {
  if (depth_ > 0 || done_ == 0 || !Take(done_ - 1, image)) return false;
  --done_;
  return true;
}

bool History::Redo(QImage& image) {
  if (depth_ > 0 || done_ == Steps() || !Take(done_, image)) return false;
  ++done_;
  return true;
}

}  // namespace filters
