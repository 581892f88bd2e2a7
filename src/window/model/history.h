#pragma once
// The undo history of the filter runs. A step is one run started while no
// other run was going on; runs started inside it (during its yield) belong to
// it. A step holds the pixels of the other side: before it while it is done,
// after it while it is undone. Undoing or redoing swaps them with the
// picture's, so the same step serves both ways and nothing is copied twice.
//
// A step keeps only the spans of pixels its run changed when that is smaller
// than the whole picture, and the whole earlier picture otherwise. At most
// `maxSteps` steps are kept within `maxBytes`, the oldest dropped first; the
// newest step is always kept, however large.

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace filters {

class History {
  struct Step;

 public:
  struct Limits {
    int maxSteps = 20;
    std::size_t maxBytes = std::size_t(1) << 30;
  };

  History() = default;
  explicit History(Limits limits) : limits_(limits) {}
  const Limits& limits() const { return limits_; }

  // A run begins on the persistent image `current`. The outermost run drops
  // the steps that could have been redone and remembers `current`, which
  // shares its pixels until the run first writes.
  void BeginRun(const QImage& current);
  // A run ends with the persistent image `current`; the outermost run's end
  // makes the step. Never throws: without memory for the step, the history
  // is emptied instead.
  void EndRun(const QImage& current) noexcept;
  bool Running() const { return depth_ > 0; }

  // The step from before to after, made ahead on any thread: it only reads
  // the two pictures. A run whose whole change is known beforehand (a page
  // step's result) spares the window's thread that comparison, which on a
  // large picture takes a good part of a second.
  class Prepared {
   public:
    Prepared();
    ~Prepared();
    Prepared(Prepared&&) noexcept;
    Prepared& operator=(Prepared&&) noexcept;

   private:
    friend class History;
    QImage before_, after_;
    std::unique_ptr<Step> step_;
  };
  static Prepared Prepare(const QImage& before, const QImage& after);
  // EndRun, taking the step prepared when it was made from the picture the
  // run began on to current; otherwise the step is made as EndRun makes it.
  void EndRun(const QImage& current, Prepared&& prepared) noexcept;

  // The steps that could be redone go, as when a run begins.
  void DropUndone() { steps_.erase(steps_.begin() + done_, steps_.end()); }

  // A new picture: every step goes, and a run going on makes its step from `current`.
  void Clear(const QImage& current);

  // Turn `image`, the persistent image as the last done step left it, back
  // into what it was before that step, or forward into what the next undone
  // step made. Nothing happens, and false is returned, during a run, with no
  // step to take, or for an image of another size. Throws std::bad_alloc,
  // leaving image as it was, when its pixels are shared and cannot be copied.
  bool Undo(QImage& image);
  bool Redo(QImage& image);

  int Steps() const { return static_cast<int>(steps_.size()); }
  int Done() const { return done_; }
  // What the steps hold, in bytes.
  std::size_t Bytes() const;
  // Whether the step at `index` (0 the oldest) keeps only the changed spans.
  bool KeepsChangesOnly(int index) const { return steps_.at(index).whole.isNull(); }

 private:
  struct Span {
    std::int32_t y, x, length;
  };
  struct Step {
    QSize size;
    QImage whole;              // the other side's whole picture, or null
    std::vector<Span> spans;   // or the spans of pixels the run changed
    std::vector<QRgb> pixels;  // and the other side's pixels in them, span after span
    std::size_t Bytes() const;
    void Swap(QImage& image);
  };

  // The step from before to after, or one that keeps before whole when the
  // changed spans would not be smaller.
  static Step MakeStep(const QImage& before, const QImage& after);
  void EndRun(const QImage& current, Prepared* prepared) noexcept;
  bool Take(int index, QImage& image);

  Limits limits_;
  std::vector<Step> steps_;
  int done_ = 0;
  int depth_ = 0;
  QImage before_;
};

}  // namespace filters
