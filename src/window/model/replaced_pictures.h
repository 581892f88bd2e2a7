#pragma once
// The pictures that loads replaced, so that a load can be undone like a run:
// each kept whole with its own undo history, its runs and what the window
// showed of it, within the undo history's memory. Going back puts the
// picture shown among those to go forward to, and going forward the reverse;
// a new run or load drops those to go forward to.

#include "window/model/history.h"
#include "window/model/repeat_command.h"

#include <QImage>
#include <QString>

#include <cstddef>
#include <vector>

namespace filters {

struct HeldPicture {
  QImage picture;  // as loaded
  QImage image;    // with what was drawn on it
  History history;
  RunLog runs;
  QString chosenName;  // the hidden name box
  QString listFolder;  // the file list's folder
  double zoom = 1;
  float left = 0, top = 0;  // the picture box's place in its frame
  std::size_t Bytes() const;
};

class ReplacedPictures {
 public:
  explicit ReplacedPictures(History::Limits limits = {}) : limits_(limits) {}

  // A load replaced `replaced`: it is kept to go back to, the oldest kept
  // dropped to make room. False, with nothing kept, when it alone does not
  // fit; without memory for it, too.
  bool Replaced(HeldPicture&& replaced) noexcept;
  bool CanGoBack() const { return !earlier_.empty(); }
  bool CanGoForward() const { return !later_.empty(); }
  // The picture before the one shown, which is kept to go forward to.
  HeldPicture Back(HeldPicture&& shown);
  // The picture after the one shown, which is kept to go back to.
  HeldPicture Forward(HeldPicture&& shown);
  // A run changed the picture shown: the later pictures are no longer its future.
  void DropLater() { later_.clear(); }
  int Earlier() const { return static_cast<int>(earlier_.size()); }
  std::size_t Bytes() const;

 private:
  History::Limits limits_;
  std::vector<HeldPicture> earlier_, later_;  // the nearest last
};

}  // namespace filters
