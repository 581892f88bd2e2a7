// The undo history: what a step keeps, the limits, and undo and redo in the
// window driven by its keys.
#include "window/model/history.h"

#include "support/filter_support.h"
#include "support/test_window.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>

using namespace filtertest;
using filters::History;
using testsupport::Press;
using testsupport::TestWindow;

namespace {

// picture with the pixels 0, every, 2 every ... below `limit` inverted, counted row by row.
QImage Changed(const QImage& picture, int every, int limit = INT_MAX) {
  QImage out = picture.copy();
  for (int i = 0; every > 0 && i < std::min(limit, out.width() * out.height()); i += every)
    out.setPixel(i % out.width(), i / out.width(), ~out.pixel(i % out.width(), i / out.width()) | 0xFF000000u);
  return out;
}

// One run from `before` to `after` recorded in history.
void Record(History& history, const QImage& before, const QImage& after) {
  history.BeginRun(before);
  history.EndRun(after);
}

}  // namespace

TEST(History, AStepKeepsTheChangedSpansWhereSmallerAndUndoesAndRedoesExactly) {
  const QImage before = MixedPicture(100, 40);
  const struct {
    int every, limit;
    bool changesOnly;
    std::size_t bytes;
  } cases[] = {
      {0, 0, true, 0},                  // nothing changed
      {1, 1, true, 12 + 4},             // one pixel: one span
      {2, 100, true, 12 + 99 * 4},      // every other pixel of a row: one span, the gaps inside
      {5, 4000, true, 800 * (12 + 4)},  // scattered: a span each
      {1, 4000, false, 100 * 40 * 4},   // everything: the whole earlier picture
      {4, 4000, false, 100 * 40 * 4},   // merged spans would cost as much
  };
  for (const auto& c : cases) {
    History history;
    const QImage after = Changed(before, c.every, c.limit);
    Record(history, before, after);
    ASSERT_EQ(history.Steps(), 1) << c.every;
    EXPECT_EQ(history.KeepsChangesOnly(0), c.changesOnly) << c.every;
    EXPECT_EQ(history.Bytes(), c.bytes) << c.every;
    QImage image = after;
    ASSERT_TRUE(history.Undo(image));
    EXPECT_EQ(Difference(image, before), "") << c.every;
    EXPECT_FALSE(history.Undo(image));
    ASSERT_TRUE(history.Redo(image));
    EXPECT_EQ(Difference(image, after), "") << c.every;
    EXPECT_FALSE(history.Redo(image));
    QImage other = after.scaled(10, 10);
    EXPECT_FALSE(history.Undo(other)) << "a picture of another size is left alone";
  }
}

TEST(History, LimitsDropTheOldestStepsButNeverTheLast) {
  const struct {
    const char* what;
    History::Limits limits;
    int runs, every, kept;
  } cases[] = {
      {"21 small steps", {}, 21, 50, 20},
      {"one step beyond the budget", {20, 1000}, 3, 1, 1},
      {"two whole steps within the budget", {20, 2 * 64 * 64 * 4 + 100}, 4, 1, 2},
  };
  for (const auto& c : cases) {
    History history(c.limits);
    std::vector<QImage> states{MixedPicture(64, 64)};
    for (int i = 0; i < c.runs; ++i) {
      states.push_back(Changed(states.back(), c.every + i % 2));
      Record(history, states[states.size() - 2], states.back());
    }
    EXPECT_EQ(history.Steps(), c.kept) << c.what;
    QImage image = states.back();
    for (int i = 1; i <= c.kept; ++i) {
      ASSERT_TRUE(history.Undo(image)) << c.what;
      EXPECT_EQ(Difference(image, states[states.size() - 1 - i]), "") << c.what << " " << i;
    }
    EXPECT_FALSE(history.Undo(image)) << c.what;
  }
}

// Sequences of filter runs, loads, undo and redo in the window, each step
// checked pixel for pixel against what the user saw before.
TEST(UndoInTheWindow, SequencesOfRunsUndoRedoAndLoads) {
  const struct {
    const char* keys;
    const char* what;
  } cases[] = {
      {"WuRu", "run, undo, redo (Ctrl+Y), undo"},
      {"WGuuZZ", "two runs undone and redone (Ctrl+Shift+Z)"},
      {"WGuWRR", "a new run after an undo drops what could be redone"},
      {"WLuGuu", "a load is a step: undone, it brings back the picture before"},
      {"WGuLuRR", "a load drops the runs that could have been redone"},
      {"NuR", "a run nested in another belongs to its step"},
      {"SuR", "a stopped run is a step"},
      {"GDuuRR", "Ctrl+Z during a run does nothing"},
      {"uRWuuRR", "nothing to undo or redo"},
  };
  QTemporaryDir dir;
  const QString other = dir.filePath("otra.bmp");
  ASSERT_TRUE(MixedPicture(9, 7).save(other));
  for (const auto& c : cases) {
    TestWindow t;
    t->pictureBox->setPicture(MixedPicture(12, 10));
    std::vector<QImage> states{t->pictureBox->Image()};
    std::size_t at = 0;
    for (const char* k = c.keys; *k; ++k) {
      const QImage shown = t->pictureBox->Image();
      const int yieldsBefore = t.yields;
      t.onYield = [&](int n) {
        if (n != yieldsBefore + 3) return;  // during the run's third yield
        if (*k == 'N') t->greyTypeButton->click();
        if (*k == 'S') Press(t.window(), Qt::Key_Escape);
        if (*k == 'D') Press(t.window(), Qt::CTRL | Qt::Key_Z);
      };
      switch (*k) {
        case 'u':
          Press(t.window(), Qt::CTRL | Qt::Key_Z);
          at -= at > 0;
          break;
        case 'R':
          Press(t.window(), Qt::CTRL | Qt::Key_Y);
          at += at + 1 < states.size();
          break;
        case 'Z':
          Press(t.window(), Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
          at += at + 1 < states.size();
          break;
        case 'L':
          t.dialogs.openAnswers.push_back(testsupport::ScriptedDialogs::Choose(other));
          Press(t.window(), Qt::CTRL | Qt::Key_O);
          states.resize(at + 1);
          states.push_back(t->pictureBox->Image());
          ++at;
          break;
        default:
          (*k == 'G' || *k == 'S' ? t->greyTypeButton : t->whitenButton)->click();
          if (*k == 'W' || *k == 'D') {
            EXPECT_EQ(Difference(t->pictureBox->Image(), WithRule(shown, filters::WhiteningRule{})), "") << c.what;
          }
          states.resize(at + 1);
          states.push_back(t->pictureBox->Image());
          ++at;
      }
      EXPECT_EQ(Difference(t->pictureBox->Image(), states[at]), "") << c.what << ", after " << *k;
    }
  }
}

TEST(History, AStepPreparedAheadIsTakenOnlyForThePicturesItWasMadeFrom) {
  const QImage before = MixedPicture(60, 30);
  const QImage after = Changed(before, 7), other = Changed(before, 3);
  const struct {
    const char* what;
    QImage preparedBefore, preparedAfter, ended;
  } cases[] = {
      {"the run's own", before, after, after},
      {"made to another result", before, other, after},
      {"made from a copy of the start", before.copy(), after, after},
      {"made between other sizes", MixedPicture(10, 10), Changed(MixedPicture(10, 10), 2), after},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    History history;
    history.BeginRun(before);
    history.EndRun(c.ended, History::Prepare(c.preparedBefore, c.preparedAfter));
    ASSERT_EQ(history.Steps(), 1);
    EXPECT_TRUE(history.KeepsChangesOnly(0));
    QImage image = c.ended.copy();
    ASSERT_TRUE(history.Undo(image));
    EXPECT_EQ(Difference(image, before), "");
    ASSERT_TRUE(history.Redo(image));
    EXPECT_EQ(Difference(image, after), "");
  }
}
